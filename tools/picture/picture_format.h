// The picture formats the tools write and what a write is asked to do:
// shared by the dispatch and every format's room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

enum class PictureFormat { kPng, kBmp, kJpeg, kTiff, kDng };
enum class TiffCompression { kNone, kDeflate, kLzw };
// The compressors of a PNG's image data (see png/deflate_stream.h).
enum class Deflater { kIsal, kZlib };

// JPEG quality from which colour keeps its full resolution (4:4:4).
constexpr int kFullChromaQuality = 90;
constexpr int kDefaultQuality = 92;

// By the name's extension (".png", ".bmp", ".jpg", ".jpeg", ".tif",
// ".tiff" or ".dng", any case); none for others.
std::optional<PictureFormat> FormatOfName(const std::string& path);
// The extension a made name gets, and the format's name in messages.
const char* FormatExtension(PictureFormat format);
const char* FormatName(PictureFormat format);

// The camera's raw samples, which a DNG carries beside the picture:
// `width` x `height` 12-bit samples of its RGGB mosaic, a row at a time.
struct RawSamples {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Fills row y as DNG packs 12-bit samples: two in three bytes, high bits
    // first, the row ending on a whole byte ((width * 12 + 7) / 8 bytes).
    // False, with the reason, when the row cannot be had.
    std::function<bool(std::uint32_t y, std::uint8_t* row, std::string& reason)> readRow;

    std::uint64_t RowBytes() const { return (std::uint64_t{width} * 12 + 7) / 8; }
};

struct WriteRequest {
    PictureFormat format = PictureFormat::kPng;
    std::string target;                // a file name, or "-" for standard output
    bool replace = true;               // whether an existing target may be replaced
    std::optional<Deflater> deflater;  // the PNG's compressor; the fastest the build has when none
    int quality = kDefaultQuality;     // the JPEG's, 1 to 100
    TiffCompression compression = TiffCompression::kNone;
    std::function<void(std::size_t done, std::size_t total)> progress;
    std::function<void(const std::string& what)> warn;  // told of what the format cannot carry
    const RawSamples* raw = nullptr;                    // a DNG's raw picture; the picture is its preview
};
