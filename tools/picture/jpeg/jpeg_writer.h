// JPEG through libjpeg-turbo: the picture, its JFIF density and the Exif
// block as an APP1 segment.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// Why a JPEG picture cannot be this large; empty when it can.
std::string JpegSizeProblem(std::int64_t width, std::int64_t height);
// False with libjpeg's reason.
bool WriteJpeg(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
