// TIFF through libtiff: 8-bit RGB in strips, uncompressed or compressed as
// asked, with the Exif block's directories beside libtiff's own.
#pragma once

#include <cstdio>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// `stream` must be able to seek (see OutputFile::StandardOutput); false with
// libtiff's reason.
bool WriteTiff(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason);
