// The steps of ReadFileExec that are worth measuring on their own.
#pragma once

#include <cstdint>

#include "develop/dib.h"
#include "plugin/host_records.h"

// An intact file holds its strip: ten pixels in 16 bytes, 0.625 pixels per
// byte of the file at most. A picture of up to 8 pixels per byte is decoded,
// so a file cut short still shows what it holds; a file that claims more (a
// few bytes naming a picture of millions of rows) is refused like a picture
// too large to hold, so the decode's time and memory stay in proportion to
// the file. Each side counts as at least one pixel: rows of width 0 are
// bounded too, and so is the width of a picture of no rows, which still
// sizes the row buffers.
constexpr std::uint64_t kPixelsPerFileByte = 8;

// Hands every row of the DIB to the host's LineCallback, top row first, each
// copied into the shared row buffer for the time of the call.
void DeliverRows(DibImage dib, const LineCallbackRecord& callbacks);
