#include "develop/dib.h"

#include <cstddef>
#include <cstring>

#include "develop/global_block.h"

namespace {

constexpr std::int64_t kHeaderBytes = sizeof(DibHeader);
constexpr std::uint32_t kBiRgb = 0;

std::int64_t ColourTableBytes(std::int32_t bitCount) {
    switch (bitCount) {
        case 1: return 8;
        case 4: return 64;
        case 8: return 1024;
        default: return 0;
    }
}

// Bytes of one stored row: the bits of its pixels rounded up to whole 32-bit words.
std::int64_t RowStride(std::int64_t width, std::int64_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

void FillGreys(std::uint8_t* table, std::int32_t entries, std::int32_t step) {
    for (std::int32_t i = 0; i < entries; ++i) {
        const auto grey = static_cast<std::uint8_t>(i * step);
        table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = grey;
    }
}

// The part of row y that columns x0..x1 cover, clipped to the picture, and
// how far into the caller's buffer it starts; null when nothing is left.
std::uint8_t* Span(DibImage dib, std::int32_t y, std::int32_t x0, std::int32_t x1, std::size_t& skip,
                   std::size_t& bytes) {
    if (dib == nullptr || dib->biBitCount != 24) return nullptr;
    const std::int64_t width = dib->biWidth;
    const std::int64_t height = dib->biHeight;
    if (y < 0 || y > height - 1) return nullptr;
    std::int64_t first = x0;
    std::int64_t last = x1;
    skip = 0;
    if (first < 0) {
        skip = static_cast<std::size_t>(3 * -first);
        first = 0;
    }
    if (first > width - 1 || last < 0) return nullptr;
    if (last > width - 1) last = width - 1;
    if (last < first) return nullptr;
    bytes = static_cast<std::size_t>(3 * (last - first + 1));
    const std::int64_t row = kHeaderBytes + RowStride(width, 24) * (height - 1 - y);
    return reinterpret_cast<std::uint8_t*>(dib) + row + 3 * first;
}

}  // namespace

std::int64_t DibBytes(std::int64_t width, std::int64_t height, std::int32_t bitCount) {
    const std::int64_t stride = RowStride(width, bitCount);
    if (stride > kLargestDibBytes) return stride;  // already too large; stride x height could wrap
    return kHeaderBytes + ColourTableBytes(bitCount) + stride * height;
}

DibImage CreateDib(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
    if (width < 0 || height < 0 || bitCount < 0) return nullptr;
    const std::int64_t size = DibBytes(width, height, bitCount);
    if (size > kLargestDibBytes) return nullptr;
    GlobalBlock block(static_cast<std::size_t>(size));
    auto* dib = static_cast<DibImage>(block.data());
    if (dib == nullptr) return nullptr;  // the block frees its handle
    dib->biSize = sizeof(DibHeader);
    dib->biWidth = width;
    dib->biHeight = height;
    dib->biPlanes = 1;
    dib->biBitCount = static_cast<std::uint16_t>(bitCount);
    dib->biCompression = kBiRgb;
    auto* table = reinterpret_cast<std::uint8_t*>(dib) + kHeaderBytes;
    if (bitCount == 4) FillGreys(table, 16, 17);
    if (bitCount == 8) FillGreys(table, 256, 1);
    return static_cast<DibImage>(block.Release());
}

void ReleaseDib(DibImage dib) {
    // A DIB is never of 0 bytes, so its locked address leads back to its handle.
    const GlobalBlock owner = GlobalBlock::Adopt(dib);
}

void GetDibGeometry(DibImage dib, std::int32_t* width, std::int32_t* height, std::int32_t* bitCount) {
    if (dib == nullptr) return;
    if (width != nullptr) *width = dib->biWidth;
    if (height != nullptr) *height = dib->biHeight;
    if (bitCount != nullptr) *bitCount = dib->biBitCount;
}

std::int32_t ReadDibRow(DibImage dib, std::int32_t y, std::int32_t x0, std::int32_t x1, std::uint8_t* dst) {
    std::size_t skip = 0;
    std::size_t bytes = 0;
    const std::uint8_t* row = Span(dib, y, x0, x1, skip, bytes);
    if (row == nullptr) return 0;
    std::memcpy(dst + skip, row, bytes);
    return 1;
}

std::int32_t WriteDibRow(DibImage dib, std::int32_t y, std::int32_t x0, std::int32_t x1, const std::uint8_t* src) {
    std::size_t skip = 0;
    std::size_t bytes = 0;
    std::uint8_t* row = Span(dib, y, x0, x1, skip, bytes);
    if (row == nullptr) return 0;
    std::memcpy(row, src + skip, bytes);
    return 1;
}

std::uint8_t* DibRow(DibImage dib, std::int32_t y) {
    std::size_t skip = 0;
    std::size_t bytes = 0;
    return dib == nullptr ? nullptr : Span(dib, y, 0, dib->biWidth - 1, skip, bytes);
}
