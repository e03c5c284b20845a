// DNG, the raw format every photo editor opens: the camera's 12-bit samples
// exactly as they are (packed, uncompressed) in IFD0's sub-directory, with
// the colour raw converters need; IFD0 holds the picture given (the module's
// developed one) as a JPEG preview, and the photograph's metadata and its
// Exif and GPS directories as the camera wrote them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// Why a DNG cannot hold a picture this large (its JPEG preview's limits);
// empty when it can.
std::string DngSizeProblem(std::int64_t width, std::int64_t height);
// Writes request.raw's samples with `picture` as the preview to `stream`,
// which must be seekable: the preview's place is filled in once it is
// written. False with the reason.
bool WriteDng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason);
