// The host's records that the exports fill, laid out byte for byte as the
// host reads them (32-bit little-endian integers, NUL-terminated 8-bit texts).
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#define RUDI_CDECL __cdecl
#else
#define RUDI_CDECL
#endif

struct DllInfoRecord {
    std::uint32_t reserved;  // set to 0
    char description[35];    // Shift-JIS, NUL included
};
static_assert(offsetof(DllInfoRecord, description) == 4);

struct FormatInfoRecord {
    char extension[256];  // without the dot
    char formatName[256];
    std::uint32_t flags[4];  // host flags, all set to 1
};
static_assert(offsetof(FormatInfoRecord, formatName) == 256);
static_assert(offsetof(FormatInfoRecord, flags) == 512);

struct ImageSizeRecord {
    std::uint8_t hostData[16];  // left as the host set it
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t bitsPerPixel;
};
static_assert(offsetof(ImageSizeRecord, width) == 16);
static_assert(offsetof(ImageSizeRecord, bitsPerPixel) == 24);

// The size query's optional fourth argument: a host block of 40 bytes, cleared.
constexpr std::size_t kBlock40Bytes = 40;

// Receives one row of the picture: row y counted from the top, first and last
// column, the row's pixels (blue, green, red) and a 0. Its result is ignored.
using LineCallback = std::int32_t(RUDI_CDECL*)(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                                               std::uint8_t* pixels, std::int32_t zero);

struct LineCallbackRecord {
    LineCallback lineCallback;
};
