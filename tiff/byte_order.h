// Numbers in a chosen byte order, to and from bytes in memory.
#pragma once

#include <cstdint>

inline std::uint16_t LoadOrdered16(const std::uint8_t* b, bool littleEndian) {
    return littleEndian ? static_cast<std::uint16_t>(b[0] | (b[1] << 8))
                        : static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

inline std::uint32_t LoadOrdered32(const std::uint8_t* b, bool littleEndian) {
    return littleEndian ? (std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
                           (std::uint32_t{b[3]} << 24))
                        : ((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
                           std::uint32_t{b[3]});
}

inline void StoreOrdered16(std::uint8_t* b, std::uint16_t value, bool littleEndian) {
    const std::uint8_t lo = static_cast<std::uint8_t>(value);
    const std::uint8_t hi = static_cast<std::uint8_t>(value >> 8);
    b[0] = littleEndian ? lo : hi;
    b[1] = littleEndian ? hi : lo;
}

inline void StoreOrdered32(std::uint8_t* b, std::uint32_t value, bool littleEndian) {
    for (int i = 0; i < 4; ++i) {
        const int shift = littleEndian ? 8 * i : 8 * (3 - i);
        b[i] = static_cast<std::uint8_t>(value >> shift);
    }
}
