// The picture being developed: a packed device-independent bitmap (DIB) in
// one locked block of movable global memory. Rows are stored bottom row first;
// every function here counts rows from the top.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/limits.h"

// The 40-byte header at the start of the block, laid out as BITMAPINFOHEADER.
struct DibHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40);

// The largest block a DIB may take: more than a 32-bit process can map.
constexpr std::uint32_t kLargestDibBytes = 0x7FFFFFFF;

// Bytes of the block CreateDib takes for a picture of this size and depth
// (sides and depth not negative); beyond kLargestDibBytes when the picture
// cannot have one.
std::int64_t DibBytes(std::int64_t width, std::int64_t height, std::int32_t bitCount);

// The locked block; its owner releases it with ReleaseDib, best through a
// DibOwner, so that every way out of the owner's scope frees it.
using DibImage = DibHeader*;

// Header, grey colour table (1, 4 and 8 bits) and zeroed rows. Null when the
// memory cannot be had, when a size is negative, or when the block would
// exceed kLargestDibBytes.
DibImage CreateDib(std::int32_t width, std::int32_t height, std::int32_t bitCount);

// GlobalUnlock and GlobalFree through GlobalHandle(dib); nothing for a null DIB.
void ReleaseDib(DibImage dib);

struct DibRelease {
    void operator()(DibImage dib) const { ReleaseDib(dib); }
};
using DibOwner = std::unique_ptr<DibHeader, DibRelease>;

// Copies the header's width, height and bit count; writes nothing for a null DIB.
void GetDibGeometry(DibImage dib, std::int32_t* width, std::int32_t* height, std::int32_t* bitCount);

// Copy columns x0..x1 of row y of a 24-bit DIB out of or into a buffer whose
// first byte stands for column x0. Spans are clipped to the picture; 1 when
// something was copied, 0 (buffer untouched) when nothing was.
std::int32_t ReadDibRow(DibImage dib, std::int32_t y, std::int32_t x0, std::int32_t x1, std::uint8_t* dst);
std::int32_t WriteDibRow(DibImage dib, std::int32_t y, std::int32_t x0, std::int32_t x1, const std::uint8_t* src);

// The 3 * width bytes of row y of a 24-bit DIB, where the interpolation works
// in place; null for a row outside the picture, a width of 0 or another DIB.
std::uint8_t* DibRow(DibImage dib, std::int32_t y);
