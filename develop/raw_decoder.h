// Turns the raw strip of an EPSON RAW file into a full-colour picture.
#pragma once

#include <cstdint>

#include "develop/dib.h"
#include "develop/packed_raw.h"
#include "develop/row_buffers.h"

// An intact file holds its strip: ten pixels in 16 bytes, 0.625 pixels per
// byte of the file at most. A picture of up to 8 pixels per byte is decoded,
// so a file cut short still shows what it holds; a file that claims more (a
// few bytes naming a picture of millions of rows) is refused like a picture
// too large to hold, so the decode's time and memory stay in proportion to
// the file. Each side counts as at least one pixel: rows of width 0 are
// bounded too, and so is the width of a picture of no rows, which still
// sizes the row buffers.
constexpr std::uint64_t kPixelsPerFileByte = 8;

// Whether a file of `fileBytes` bytes justifies decoding a picture of this size.
constexpr bool FileJustifiesPicture(std::uint64_t fileBytes, std::uint32_t width, std::uint32_t height) {
    const std::uint64_t columns = width > 0 ? width : 1;
    const std::uint64_t rows = height > 0 ? height : 1;
    return columns * rows <= kPixelsPerFileByte * fileBytes;
}

// Reads `height` rows of packed 12-bit RGGB samples from `stripOffset` of the
// file and maps each sample through its colour's tone curve into the DIB: the
// mosaic, one colour per pixel, the other two bytes 0. A strip that ends early
// leaves the rows past its end decoded from the last bytes read; a strip the
// file cannot reach reads as no bytes at all. Returns 0, or -1 without opening
// the file when its working memory (row buffers of its own) cannot be had,
// and -1 when the file cannot be opened.
std::int32_t UnpackStrip(const char* fileName, std::uint32_t stripOffset, DibImage dib, std::int32_t width,
                         std::int32_t height);

// Told of each row of the picture as soon as it is final, top row first.
class RowSink {
public:
    virtual void RowFinal(std::int32_t y) = 0;

protected:
    ~RowSink() = default;
};

// UnpackStrip, then, when it succeeded, the interpolation passes, all in the
// caller's `rows`. Returns what UnpackStrip did, and -1 when the row buffers
// cannot be had. `stripByteCount` is not needed: a row's length follows from
// the width. The work goes row by row: each row unpacked is filled along
// while it is in the processor's cache, the row above it is then final and
// handed to `sink` (when there is one), which may use rows.rowA until it
// returns. Everything that can fail fails before that: with -1 no row was
// handed over.
std::int32_t DecodeRawStrip(const char* fileName, std::uint32_t stripOffset, std::uint32_t stripByteCount, DibImage dib,
                            std::int32_t width, std::int32_t height, RowBuffers& rows, RowSink* sink = nullptr);
