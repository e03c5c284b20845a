// PNG, JPEG and TIFF on Windows through the Windows Imaging Component, the
// system's own encoders, in place of libpng, libjpeg-turbo and libtiff.
#pragma once

#include <cstdio>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// Each false with the failing call's reason.
bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason);
bool WriteJpeg(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
bool WriteTiff(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
