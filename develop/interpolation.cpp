#include "develop/interpolation.h"

#include <cstddef>

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

// Runs FillAlongRow over rows firstRow, firstRow + 2, ...
void FillRows(DibImage dib, const Geometry& size, std::int32_t firstRow, Colour c, std::int32_t firstColumn) {
    const std::int32_t last = size.width - 1;
    for (std::int32_t y = firstRow; y < size.height; y += 2) {
        ReadDibRow(dib, y, 0, last, gRowA.data());
        FillAlongRow(gRowA.data(), c, firstColumn, size.width);
        WriteDibRow(dib, y, 0, last, gRowA.data());
    }
}

// Sets colour c of every pixel of rows firstRow, firstRow + 2, ... from the
// rows above and below: their average, or the one inside the picture.
void FillColumns(DibImage dib, const Geometry& size, std::int32_t firstRow, Colour c) {
    const std::int32_t last = size.width - 1;
    const std::ptrdiff_t end = 3 * static_cast<std::ptrdiff_t>(size.width);
    std::uint8_t* above = gRowA.data();
    std::uint8_t* below = gRowB.data();
    std::uint8_t* row = gRowC.data();
    for (std::int32_t y = firstRow; y < size.height; y += 2) {
        const bool hasAbove = y > 0;
        const bool hasBelow = y + 1 < size.height;
        if (!hasAbove && !hasBelow) continue;
        ReadDibRow(dib, y, 0, last, row);
        if (hasAbove && hasBelow) {
            ReadDibRow(dib, y - 1, 0, last, above);
            ReadDibRow(dib, y + 1, 0, last, below);
            for (std::ptrdiff_t at = c; at < end; at += 3)
                row[at] = static_cast<std::uint8_t>((above[at] + below[at]) >> 1);
        } else {
            ReadDibRow(dib, hasAbove ? y - 1 : y + 1, 0, last, above);
            for (std::ptrdiff_t at = c; at < end; at += 3) row[at] = above[at];
        }
        WriteDibRow(dib, y, 0, last, row);
    }
}

}  // namespace

void InterpolateBlue(DibImage dib) {
    const Geometry size = PassGeometry(dib);
    FillRows(dib, size, 1, kBlue, 0);
    FillColumns(dib, size, 0, kBlue);
}

void InterpolateRed(DibImage dib) {
    const Geometry size = PassGeometry(dib);
    FillRows(dib, size, 0, kRed, 1);
    FillColumns(dib, size, 1, kRed);
}

void InterpolateGreen(DibImage dib) {
    const Geometry size = PassGeometry(dib);
    FillRows(dib, size, 0, kGreen, 0);
    FillRows(dib, size, 1, kGreen, 1);
}
