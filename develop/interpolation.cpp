#include "develop/interpolation.h"

#include <cstddef>
#include <utility>

#include "develop/row_buffers.h"

namespace {

enum Colour : std::size_t { kBlue = 0, kGreen = 1, kRed = 2 };

struct Geometry {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The picture's size, with the row buffers made wide enough for it; a size of
// zero when there is nothing a pass can work on.
Geometry PassGeometry(DibImage dib) {
    Geometry size;
    std::int32_t bitCount = 0;
    GetDibGeometry(dib, &size.width, &size.height, &bitCount);
    if (bitCount != 24 || size.width <= 0 || size.height <= 0 || !SizeRowBuffers(size.width)) return {};
    return size;
}

// Sets colour c of the pixels at columns first, first + 2, ... of a row:
// the average of the left and right neighbours, or the one inside the row.
void FillAlongRow(std::uint8_t* row, Colour c, std::int32_t first, std::int32_t width) {
    if (width < 2) return;
    std::uint8_t* p = row + c;
    std::ptrdiff_t at = 3 * static_cast<std::ptrdiff_t>(first);
    const std::ptrdiff_t end = 3 * static_cast<std::ptrdiff_t>(width);
    if (at == 0) {
        p[0] = p[3];
        at = 6;
    }
    for (; at + 3 < end; at += 6) p[at] = static_cast<std::uint8_t>((p[at - 3] + p[at + 3]) >> 1);
    if (at < end) p[at] = p[at - 3];
}

// Sets colour c of one row from the carrier rows above and below it: their
// average, or the one that exists (null for one outside the picture).
void FillBetween(DibImage dib, const Geometry& size, std::int32_t y, Colour c, const std::uint8_t* above,
                 const std::uint8_t* below) {
    const std::int32_t last = size.width - 1;
    const std::ptrdiff_t end = 3 * static_cast<std::ptrdiff_t>(size.width);
    std::uint8_t* row = gRowC.data();
    ReadDibRow(dib, y, 0, last, row);
    if (above != nullptr && below != nullptr) {
        for (std::ptrdiff_t at = c; at < end; at += 3)
            row[at] = static_cast<std::uint8_t>((above[at] + below[at]) >> 1);
    } else {
        const std::uint8_t* only = above != nullptr ? above : below;
        for (std::ptrdiff_t at = c; at < end; at += 3) row[at] = only[at];
    }
    WriteDibRow(dib, y, 0, last, row);
}

// Colour c lives on the carrier rows firstRow, firstRow + 2, ... at every
// other column from firstColumn. Each carrier row is filled along the row;
// every row between two carrier rows then takes their average, worked out as
// soon as the carrier row below it is done, so that each row is read and
// written once.
void FillColour(DibImage dib, const Geometry& size, Colour c, std::int32_t firstRow, std::int32_t firstColumn) {
    const std::int32_t last = size.width - 1;
    std::uint8_t* above = gRowA.data();  // the carrier row above the one under way, once there is one
    std::uint8_t* below = gRowB.data();
    bool hasAbove = false;
    std::int32_t y = firstRow;
    for (; y < size.height; y += 2) {
        ReadDibRow(dib, y, 0, last, below);
        FillAlongRow(below, c, firstColumn, size.width);
        WriteDibRow(dib, y, 0, last, below);
        if (y > 0) FillBetween(dib, size, y - 1, c, hasAbove ? above : nullptr, below);
        std::swap(above, below);
        hasAbove = true;
    }
    // A last row below the last carrier row has only the one above it.
    if (hasAbove && y - 1 < size.height) FillBetween(dib, size, y - 1, c, above, nullptr);
}

}  // namespace

void InterpolateBlue(DibImage dib) { FillColour(dib, PassGeometry(dib), kBlue, 1, 0); }

void InterpolateRed(DibImage dib) { FillColour(dib, PassGeometry(dib), kRed, 0, 1); }

void InterpolateGreen(DibImage dib) {
    // Even rows carry green at odd columns, odd rows at even ones; each row is
    // filled from its own pixels alone.
    const Geometry size = PassGeometry(dib);
    const std::int32_t last = size.width - 1;
    for (std::int32_t y = 0; y < size.height; ++y) {
        ReadDibRow(dib, y, 0, last, gRowA.data());
        FillAlongRow(gRowA.data(), kGreen, y % 2 == 0 ? 0 : 1, size.width);
        WriteDibRow(dib, y, 0, last, gRowA.data());
    }
}
