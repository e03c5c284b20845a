// Writes a picture: a 24-bit BMP (the picture as a DIB file) or a PNG, whole
// or not at all (see OutputFile).
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

enum class PictureFormat { kPng, kBmp };

// By the name's extension (".png" or ".bmp", any case); none for others.
std::optional<PictureFormat> FormatOfName(const std::string& path);
const char* FormatExtension(PictureFormat format);
// Whether this build can write the format (PNG needs libpng).
bool CanWrite(PictureFormat format);

struct WriteRequest {
    PictureFormat format = PictureFormat::kPng;
    std::string target;     // a file name, or "-" for standard output
    bool replace = true;    // whether an existing target may be replaced
    std::optional<Deflater> deflater;  // the PNG's compressor; the fastest the build has when none
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// False with a message naming the target in `error`; the target is then as it was.
bool WritePicture(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::string& error);

// The two formats written to an open stream; false with the failing call's reason.
bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason);
bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason);
