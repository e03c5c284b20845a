// The camera's packed raw strip: rows of 12-bit samples of an RGGB mosaic,
// ten samples to a group of 16 bytes (five 3-byte pairs and one unused byte),
// each row ending with a whole group. The decoder reads it, make-erf writes
// it, the converter copies it into a DNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr std::uint32_t kSamplesPerGroup = 10;
constexpr std::uint32_t kGroupBytes = 16;
constexpr std::uint32_t kPairBytes = 3;
constexpr std::uint32_t kLargestSample = 4095;

// Bytes of one packed row of `width` samples.
constexpr std::uint64_t PackedRowBytes(std::uint64_t width) {
    return (width + kSamplesPerGroup - 1) / kSamplesPerGroup * kGroupBytes;
}

// Where in its row the pair holding sample x starts.
constexpr std::uint64_t PairOffset(std::uint64_t x) {
    return x / kSamplesPerGroup * kGroupBytes + x % kSamplesPerGroup / 2 * kPairBytes;
}

// Two 12-bit samples are packed in three bytes b0 b1 b2: the first is b0 and
// the high nibble of b1, the second the low nibble of b1 and b2.
inline std::uint32_t FirstSample(const std::uint8_t* pair) { return (std::uint32_t{pair[0]} << 4) | (pair[1] >> 4); }
inline std::uint32_t SecondSample(const std::uint8_t* pair) { return (std::uint32_t{pair[1] & 0x0Fu} << 8) | pair[2]; }
inline void PackPair(std::uint32_t first, std::uint32_t second, std::uint8_t* pair) {
    pair[0] = static_cast<std::uint8_t>(first >> 4);
    pair[1] = static_cast<std::uint8_t>(((first & 0x0Fu) << 4) | (second >> 8));
    pair[2] = static_cast<std::uint8_t>(second & 0xFFu);
}

// Packs `width` samples (their low 12 bits) into PackedRowBytes(width) bytes;
// the unused byte of each group, and the second half of a last odd pair, are 0.
inline void PackRow(const std::uint16_t* samples, std::uint32_t width, std::uint8_t* out) {
    std::memset(out, 0, static_cast<std::size_t>(PackedRowBytes(width)));
    for (std::uint32_t x = 0; x < width; x += 2) {
        const std::uint32_t second = x + 1 < width ? samples[x + 1] & kLargestSample : 0;
        PackPair(samples[x] & kLargestSample, second, out + PairOffset(x));
    }
}

// Bytes of a row of `width` samples packed as DNG packs 12 bits: the same
// pairs, one after another, the row ending on a whole byte.
constexpr std::uint64_t DngRowBytes(std::uint64_t width) { return (width * 12 + 7) / 8; }

// Copies the samples of one packed row into DngRowBytes(width) bytes: each
// group's pairs without its unused byte. A last odd sample's spare low bits
// are 0.
inline void DngRowOf(const std::uint8_t* packed, std::uint32_t width, std::uint8_t* out) {
    const std::uint64_t bytes = DngRowBytes(width);
    constexpr std::uint32_t kPairsBytes = kSamplesPerGroup / 2 * kPairBytes;
    std::uint64_t done = 0;
    // Whole groups first, each a copy of a known size.
    for (; bytes - done >= kPairsBytes; done += kPairsBytes, packed += kGroupBytes) {
        std::memcpy(out + done, packed, kPairsBytes);
    }
    std::memcpy(out + done, packed, static_cast<std::size_t>(bytes - done));
    if (width % 2 == 1) out[bytes - 1] &= 0xF0u;
}

// A sample's index into its colour's tone curve: 0..4095 scaled to 0..255.
constexpr std::uint32_t ScaleSample(std::uint32_t sample) { return sample * 255 / kLargestSample; }

enum MosaicColour : int { kMosaicRed = 0, kMosaicGreen = 1, kMosaicBlue = 2 };

// The colour the sensor sees at (x, y): even rows red and green, odd rows
// green and blue.
constexpr MosaicColour MosaicColourAt(std::uint32_t x, std::uint32_t y) {
    if (y % 2 == 0) return x % 2 == 0 ? kMosaicRed : kMosaicGreen;
    return x % 2 == 0 ? kMosaicGreen : kMosaicBlue;
}
