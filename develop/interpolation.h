// Completes a 24-bit RGGB mosaic DIB to full colour. Each pixel starts with
// the one colour its mosaic position carries; each missing colour is filled
// from the two nearest pixels of that colour in the same row or column,
// averaged (rounded down). Where only one of the two lies inside the picture
// it is taken alone; where neither does the byte stays 0.
//
// Blue lives on odd rows at odd columns: filled along odd rows, then every
// even row takes the rows above and below. Red lives on even rows at even
// columns: filled along even rows, then every odd row takes the rows above
// and below. Green lives where the other two do not: filled from left and
// right only. So a row is final once it and the rows just above and below it
// have been filled along, and the picture can be developed a row at a time,
// top to bottom, while the mosaic is still being unpacked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "develop/dib.h"
#include "develop/fill_kernels.h"
#include "develop/row_buffers.h"

// The colours a develop fills, any combination of them.
enum DevelopColours : unsigned { kDevelopBlue = 1, kDevelopRed = 2, kDevelopGreen = 4, kDevelopAll = 7 };

// Develops the picture a row at a time, top to bottom, as the mosaic of each
// row arrives: a row is filled along as it arrives, and the row above it is
// then final. Works on the DIB in place and uses rows.rowA only inside
// Arrive: between its calls the caller may use it.
class RowDeveloper {
public:
    // Does nothing but count rows for a DIB that is not 24-bit or has no
    // pixels, and when the row buffers cannot be made wide enough for it;
    // ready() tells the last apart.
    RowDeveloper(DibImage dib, unsigned colours, RowBuffers& rows);

    bool ready() const { return ready_; }

    // The DIB's width when the rows are developed, else 0.
    std::int32_t width() const { return active_ ? width_ : 0; }
    std::int32_t height() const { return height_; }

    // The next row arrives: `mosaic` (3 * width() bytes) is written into the
    // DIB filled along; null when the DIB row holds its mosaic already.
    // Returns the row that is now final, or -1 after the first row.
    std::int32_t Arrive(const std::uint8_t* mosaic);
    // After the last row has arrived: finishes it and returns it (-1 when no
    // row arrived).
    std::int32_t FinishLast();

private:
    // What is done to the rows of one parity: the bytes filled along the row
    // from left and right, and those taken from the rows above and below.
    struct RowFills {
        AlongMasks along{};
        BlockMask between{};
        bool hasAlong = false;
        bool hasBetween = false;
    };
    static RowFills FillsOf(unsigned colours, std::int32_t parity, std::ptrdiff_t bytes);
    void FillBetween(std::int32_t y);

    DibImage dib_;
    RowBuffers& rows_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::ptrdiff_t bytes_ = 0;
    bool active_ = false;
    bool ready_ = true;
    RowFills fills_[2];
    std::int32_t next_ = 0;
};

// The whole picture in one colour: every row arriving in turn, with row
// buffers of the call's own. Any order of the three gives the same picture.
void InterpolateBlue(DibImage dib);
void InterpolateRed(DibImage dib);
void InterpolateGreen(DibImage dib);
