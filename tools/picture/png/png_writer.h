// PNG through libpng: the header and chunks, the image data filtered and
// compressed here (see png_rows.h), the photograph's metadata as eXIf, pHYs
// and text chunks.
#pragma once

#include <cstdio>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// False with the failing call's reason.
bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason);
