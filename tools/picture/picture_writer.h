// Writes a picture: a 24-bit BMP (the picture as a DIB file), a PNG, a JPEG
// or an 8-bit RGB TIFF, whole or not at all (see OutputFile).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tiff/camera_notes.h"
#include "tools/picture/deflate_stream.h"
#include "tools/picture/picture.h"

enum class PictureFormat { kPng, kBmp, kJpeg, kTiff };
enum class TiffCompression { kNone, kDeflate, kLzw };

// JPEG quality from which colour keeps its full resolution (4:4:4).
constexpr int kFullChromaQuality = 90;
constexpr int kDefaultQuality = 92;

// By the name's extension (".png", ".bmp", ".jpg", ".jpeg", ".tif" or
// ".tiff", any case); none for others.
std::optional<PictureFormat> FormatOfName(const std::string& path);
// The extension a made name gets, and the format's name in messages.
const char* FormatExtension(PictureFormat format);
const char* FormatName(PictureFormat format);
// Whether this build can write the format (PNG needs libpng, JPEG
// libjpeg-turbo, TIFF libtiff; on Windows the system's encoders write them).
bool CanWrite(PictureFormat format);

struct WriteRequest {
    PictureFormat format = PictureFormat::kPng;
    std::string target;                // a file name, or "-" for standard output
    bool replace = true;               // whether an existing target may be replaced
    std::optional<Deflater> deflater;  // the PNG's compressor; the fastest the build has when none
    int quality = kDefaultQuality;     // the JPEG's, 1 to 100
    TiffCompression compression = TiffCompression::kNone;
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// False with a message naming the target in `error`; the target is then as it was.
bool WritePicture(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::string& error);

// The formats written to an open stream; false with the failing call's
// reason. A TIFF's stream must be able to seek.
bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason);
// Why `format` cannot hold a picture of `width` x `height`, in its writer's
// words; empty when it can (or when only the writer can tell).
std::string SizeProblem(PictureFormat format, std::uint32_t width, std::uint32_t height);
std::string JpegSizeProblem(std::int64_t width, std::int64_t height);
bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason);
bool WriteJpeg(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
bool WriteTiff(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
