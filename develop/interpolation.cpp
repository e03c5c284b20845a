#include "develop/interpolation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "develop/fill_kernels.h"

namespace {

enum Colour : std::size_t { kBlue = 0, kGreen = 1, kRed = 2 };

// Colour c of every pixel (step 1) or of every other pixel from `first` (step 2).
BlockMask MaskOf(Colour c, std::int32_t first, std::int32_t step) {
    BlockMask mask{};
    for (std::ptrdiff_t pixel = first; pixel < kBlock / 3; pixel += step)
        mask.bytes[3 * pixel + static_cast<std::ptrdiff_t>(c)] = 0xFF;
    return mask;
}

// The mask of a block that starts `shift` bytes into a block.
BlockMask Shifted(const BlockMask& mask, std::ptrdiff_t shift) {
    BlockMask shifted;
    std::memcpy(shifted.bytes, mask.bytes + shift, static_cast<std::size_t>(kBlock - shift));
    std::memcpy(shifted.bytes + kBlock - shift, mask.bytes, static_cast<std::size_t>(shift));
    return shifted;
}

// The masks of a fill along rows of n bytes from the row's mask.
AlongMasks AlongMasksOf(const BlockMask& mask, std::ptrdiff_t n) {
    return {mask, Shifted(mask, 3), Shifted(mask, std::max<std::ptrdiff_t>(n - 3 - kBlock, 0) % kBlock)};
}

// Row `in` into `out` (n bytes), the bytes the mask marks set to the average
// of the same colour's bytes of the pixels left and right, or to the one
// inside the row. Only the first and the last pixel lack a neighbour; the
// bytes between go through the vector loops a block at a time, the last block
// overlapping the others (a byte filled twice gets the same value twice).
void FillAlongRow(const std::uint8_t* in, std::uint8_t* __restrict out, const AlongMasks& masks, std::ptrdiff_t n) {
    const auto fill = [&](std::ptrdiff_t i) {
        // A missing neighbour is stood in for by the other (the average of a
        // byte with itself is the byte), or by the byte itself.
        const bool hasLeft = i >= 3;
        const bool hasRight = i + 3 < n;
        const std::uint8_t left = in[hasLeft ? i - 3 : hasRight ? i + 3 : i];
        const std::uint8_t right = in[hasRight ? i + 3 : hasLeft ? i - 3 : i];
        const std::uint8_t m = masks.whole.bytes[i % kBlock];
        out[i] = static_cast<std::uint8_t>((Average(left, right) & m) | (in[i] & ~m));
    };
    if (n < kBlock + 6) {  // no whole block between the first and the last pixel
        for (std::ptrdiff_t i = 0; i < n; ++i) fill(i);
        return;
    }
    const FillKernels& kernels = FastestFillKernels();
    for (std::ptrdiff_t i = 0; i < 3; ++i) fill(i);
    kernels.alongRow(in + 3, out + 3, masks.fromSecondPixel, (n - 6) / kBlock);
    const std::ptrdiff_t lastBlock = n - 3 - kBlock;
    kernels.alongRow(in + lastBlock, out + lastBlock, masks.lastBlock, 1);
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

void Add(BlockMask& to, const BlockMask& mask) {
    for (std::ptrdiff_t i = 0; i < kBlock; ++i) to.bytes[i] |= mask.bytes[i];
}

bool AnySet(const BlockMask& mask) {
    for (const std::uint8_t byte : mask.bytes) {
        if (byte != 0) return true;
    }
    return false;
}

// Every row of the picture arriving from the DIB itself.
void DevelopWhole(DibImage dib, unsigned colours) {
    RowBuffers rows;
    RowDeveloper developer(dib, colours, rows);
    for (std::int32_t y = 0; y < developer.height(); ++y) developer.Arrive(nullptr);
    developer.FinishLast();
}

}  // namespace

RowDeveloper::RowDeveloper(DibImage dib, unsigned colours, RowBuffers& rows) : dib_(dib), rows_(rows) {
    std::int32_t bitCount = 0;
    GetDibGeometry(dib, &width_, &height_, &bitCount);
    height_ = std::max(height_, 0);
    bytes_ = 3 * static_cast<std::ptrdiff_t>(width_);
    active_ = bitCount == 24 && width_ > 0;
    if (active_ && !rows_.Size(width_)) active_ = ready_ = false;
    for (std::int32_t parity = 0; parity < 2; ++parity) fills_[parity] = FillsOf(colours, parity, bytes_);
}

// The fills of the even (parity 0) or odd (1) rows for the given colours:
// blue is carried by odd rows at odd columns, red by even rows at even
// columns, green by the remaining pixels of every row.
RowDeveloper::RowFills RowDeveloper::FillsOf(unsigned colours, std::int32_t parity, std::ptrdiff_t bytes) {
    const bool odd = parity == 1;
    BlockMask along{};
    RowFills fills;
    if ((colours & kDevelopBlue) != 0) {
        if (odd) Add(along, MaskOf(kBlue, 0, 2));
        else Add(fills.between, MaskOf(kBlue, 0, 1));
    }
    if ((colours & kDevelopRed) != 0) {
        if (odd) Add(fills.between, MaskOf(kRed, 0, 1));
        else Add(along, MaskOf(kRed, 1, 2));
    }
    if ((colours & kDevelopGreen) != 0) Add(along, MaskOf(kGreen, parity, 2));
    fills.along = AlongMasksOf(along, bytes);
    fills.hasAlong = AnySet(along);
    fills.hasBetween = AnySet(fills.between);
    return fills;
}

std::int32_t RowDeveloper::Arrive(const std::uint8_t* mosaic) {
    if (next_ >= height_) return -1;
    const std::int32_t y = next_++;
    if (active_) {
        std::uint8_t* row = DibRow(dib_, y);
        const RowFills& fills = fills_[y % 2];
        if (mosaic == nullptr && fills.hasAlong) {
            std::memcpy(rows_.rowA.data(), row, static_cast<std::size_t>(bytes_));
            mosaic = rows_.rowA.data();
        }
        if (fills.hasAlong) FillAlongRow(mosaic, row, fills.along, bytes_);
        else if (mosaic != nullptr) std::memcpy(row, mosaic, static_cast<std::size_t>(bytes_));
        if (y > 0) FillBetween(y - 1);
    }
    return y - 1;
}

std::int32_t RowDeveloper::FinishLast() {
    if (next_ == 0) return -1;
    if (active_) FillBetween(next_ - 1);
    return next_ - 1;
}

// Fills row y from the rows above and below it, already filled along: their
// average, or the one that exists.
void RowDeveloper::FillBetween(std::int32_t y) {
    const RowFills& fills = fills_[y % 2];
    if (!fills.hasBetween) return;
    const std::uint8_t* above = y > 0 ? DibRow(dib_, y - 1) : nullptr;
    const std::uint8_t* below = y + 1 < height_ ? DibRow(dib_, y + 1) : nullptr;
    if (above == nullptr && below == nullptr) return;
    // The average of a byte with itself is the byte.
    AverageRows(DibRow(dib_, y), above != nullptr ? above : below, below != nullptr ? below : above, fills.between,
                bytes_);
}

void InterpolateBlue(DibImage dib) { DevelopWhole(dib, kDevelopBlue); }

void InterpolateRed(DibImage dib) { DevelopWhole(dib, kDevelopRed); }

void InterpolateGreen(DibImage dib) { DevelopWhole(dib, kDevelopGreen); }
