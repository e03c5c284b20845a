// Writes a picture: a 24-bit BMP (the picture as a DIB file), a PNG, a JPEG
// or an 8-bit RGB TIFF, whole or not at all (see OutputFile), each by its
// format's room; nothing there calls back here.
#pragma once

#include <cstdint>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// Whether this build can write the format (PNG needs libpng, JPEG
// libjpeg-turbo, TIFF libtiff; on Windows the system's encoders write them).
bool CanWrite(PictureFormat format);

// Why `format` cannot hold a picture of `width` x `height`, in its writer's
// words; empty when it can (or when only the writer can tell).
std::string SizeProblem(PictureFormat format, std::uint32_t width, std::uint32_t height);

// False with a message naming the target in `error`; the target is then as it was.
bool WritePicture(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::string& error);
