#include "develop/interpolation.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "develop/fill_kernels.h"
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

// Colour c of every pixel (step 1) or of every other pixel from `first` (step 2).
BlockMask MaskOf(Colour c, std::int32_t first, std::int32_t step) {
    BlockMask mask{};
    for (std::ptrdiff_t pixel = first; pixel < kBlock / 3; pixel += step) mask.bytes[3 * pixel + c] = 0xFF;
    return mask;
}

// The mask of a block that starts `shift` bytes into a block.
BlockMask Shifted(const BlockMask& mask, std::ptrdiff_t shift) {
    BlockMask shifted;
    std::memcpy(shifted.bytes, mask.bytes + shift, static_cast<std::size_t>(kBlock - shift));
    std::memcpy(shifted.bytes + kBlock - shift, mask.bytes, static_cast<std::size_t>(shift));
    return shifted;
}

// Row `in` into `out` (n bytes), colour c of the pixels at columns first,
// first + 2, ... set to the average of its left and right neighbours, or to
// the one inside the row. Only the first and the last pixel lack a
// neighbour; the bytes between go through the vector loops a block at a time,
// the first and the last block overlapping the others (a byte filled twice
// gets the same value twice).
void FillAlongRow(const std::uint8_t* in, std::uint8_t* __restrict out, const BlockMask& mask, std::ptrdiff_t n) {
    const auto fill = [&](std::ptrdiff_t i) {
        // A missing neighbour is stood in for by the other (the average of a
        // byte with itself is the byte), or by the byte itself.
        const bool hasLeft = i >= 3;
        const bool hasRight = i + 3 < n;
        const std::uint8_t left = in[hasLeft ? i - 3 : hasRight ? i + 3 : i];
        const std::uint8_t right = in[hasRight ? i + 3 : hasLeft ? i - 3 : i];
        const std::uint8_t m = mask.bytes[i % kBlock];
        out[i] = static_cast<std::uint8_t>((Average(left, right) & m) | (in[i] & ~m));
    };
    if (n < kBlock + 6) {  // no whole block between the first and the last pixel
        for (std::ptrdiff_t i = 0; i < n; ++i) fill(i);
        return;
    }
    const FillKernels& kernels = FastestFillKernels();
    for (std::ptrdiff_t i = 0; i < 3; ++i) fill(i);
    kernels.alongRow(in + 3, out + 3, Shifted(mask, 3), 1);
    kernels.alongRow(in + kBlock, out + kBlock, mask, (n - 3 - kBlock) / kBlock);
    const std::ptrdiff_t lastBlock = n - 3 - kBlock;
    kernels.alongRow(in + lastBlock, out + lastBlock, Shifted(mask, lastBlock % kBlock), 1);
    for (std::ptrdiff_t i = n - 3; i < n; ++i) fill(i);
}

// Colour c of `row` (n bytes) set to the average of the rows above and below,
// a block at a time; the last block overlaps the others when n is not a
// whole number of blocks. The mask marks colour c of every pixel, so a block
// that starts at any pixel takes it as it is.
void AverageRows(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below, const BlockMask& mask,
                 std::ptrdiff_t n) {
    if (n < kBlock) {
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            const std::uint8_t m = mask.bytes[i];
            row[i] = static_cast<std::uint8_t>((Average(above[i], below[i]) & m) | (row[i] & ~m));
        }
        return;
    }
    const FillKernels& kernels = FastestFillKernels();
    kernels.betweenRows(row, above, below, mask, n / kBlock);
    if (n % kBlock == 0) return;
    const std::ptrdiff_t lastBlock = n - kBlock;
    kernels.betweenRows(row + lastBlock, above + lastBlock, below + lastBlock, mask, 1);
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
        AverageRows(row, above, below, MaskOf(c, 0, 1), end);
    } else {
        const std::uint8_t* only = above != nullptr ? above : below;
        for (std::ptrdiff_t at = c; at < end; at += 3) row[at] = only[at];
    }
    WriteDibRow(dib, y, 0, last, row);
}

// Which way a pass walks the picture. The result is the same either way; a
// pass that starts where the one before it ended finds those rows still in
// the processor's cache.
enum class Walk { kDown, kUp };

// Colour c lives on the carrier rows firstRow, firstRow + 2, ... at every
// other column from firstColumn. Each carrier row is filled along the row;
// every row between two carrier rows then takes their average, worked out as
// soon as the second of the two is done, so that each row is read and
// written once.
void FillColour(DibImage dib, const Geometry& size, Colour c, std::int32_t firstRow, std::int32_t firstColumn,
                Walk walk) {
    if (size.height <= 0) return;
    const std::int32_t last = size.width - 1;
    const std::ptrdiff_t bytes = 3 * static_cast<std::ptrdiff_t>(size.width);
    const BlockMask along = MaskOf(c, firstColumn, 2);
    const std::int32_t lastCarrier = (size.height - 1 - firstRow) / 2 * 2 + firstRow;
    const std::int32_t step = walk == Walk::kDown ? 2 : -2;
    const std::int32_t back = -step / 2;  // from a carrier row toward the one done before it
    std::uint8_t* done = gRowA.data();  // the carrier row done last, once there is one
    std::uint8_t* current = gRowB.data();
    bool hasDone = false;
    std::int32_t y = walk == Walk::kDown ? firstRow : lastCarrier;
    for (; y >= 0 && y < size.height; y += step) {
        ReadDibRow(dib, y, 0, last, gRowC.data());
        FillAlongRow(gRowC.data(), current, along, bytes);
        WriteDibRow(dib, y, 0, last, current);
        if (y + back >= 0 && y + back < size.height)
            FillBetween(dib, size, y + back, c, hasDone ? done : nullptr, current);
        std::swap(done, current);
        hasDone = true;
    }
    // The row beyond the last carrier row walked has only that one beside it.
    const std::int32_t beyond = y + back;
    if (hasDone && beyond >= 0 && beyond < size.height) FillBetween(dib, size, beyond, c, done, nullptr);
}

}  // namespace

// The decode writes the mosaic top to bottom and the host takes the rows top
// first, so the passes walk up, down and up again.
void InterpolateBlue(DibImage dib) { FillColour(dib, PassGeometry(dib), kBlue, 1, 0, Walk::kUp); }

void InterpolateRed(DibImage dib) { FillColour(dib, PassGeometry(dib), kRed, 0, 1, Walk::kDown); }

void InterpolateGreen(DibImage dib) {
    // Even rows carry green at odd columns, odd rows at even ones; each row is
    // filled from its own pixels alone.
    const Geometry size = PassGeometry(dib);
    const std::int32_t last = size.width - 1;
    const std::ptrdiff_t bytes = 3 * static_cast<std::ptrdiff_t>(size.width);
    const BlockMask along[2] = {MaskOf(kGreen, 0, 2), MaskOf(kGreen, 1, 2)};
    for (std::int32_t y = size.height - 1; y >= 0; --y) {
        ReadDibRow(dib, y, 0, last, gRowA.data());
        FillAlongRow(gRowA.data(), gRowB.data(), along[y % 2], bytes);
        WriteDibRow(dib, y, 0, last, gRowB.data());
    }
}
