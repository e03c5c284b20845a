// The picture formats the tools write and what a write is asked to do:
// shared by the dispatch and every format's room.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

enum class PictureFormat { kPng, kBmp, kJpeg, kTiff };
enum class TiffCompression { kNone, kDeflate, kLzw };
// The compressors of a PNG's image data (see png/deflate_stream.h).
enum class Deflater { kIsal, kZlib };

// JPEG quality from which colour keeps its full resolution (4:4:4).
constexpr int kFullChromaQuality = 90;
constexpr int kDefaultQuality = 92;

// By the name's extension (".png", ".bmp", ".jpg", ".jpeg", ".tif" or
// ".tiff", any case); none for others.
std::optional<PictureFormat> FormatOfName(const std::string& path);
// The extension a made name gets, and the format's name in messages.
const char* FormatExtension(PictureFormat format);
const char* FormatName(PictureFormat format);

struct WriteRequest {
    PictureFormat format = PictureFormat::kPng;
    std::string target;                // a file name, or "-" for standard output
    bool replace = true;               // whether an existing target may be replaced
    std::optional<Deflater> deflater;  // the PNG's compressor; the fastest the build has when none
    int quality = kDefaultQuality;     // the JPEG's, 1 to 100
    TiffCompression compression = TiffCompression::kNone;
    std::function<void(std::size_t done, std::size_t total)> progress;
    std::function<void(const std::string& what)> warn;  // told of what the format cannot carry
};
