// Whole little EPSON RAW files for tests: the TIFF header, IFD0 with "Make"
// and "SubIFDs", the raw-image directory and its packed strip, in either
// byte order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct ErfContent {
    bool littleEndian = true;
    std::uint32_t width = 0;               // ImageWidth of the raw-image directory
    std::uint32_t height = 0;              // ImageLength
    std::vector<std::uint8_t> strip = {};  // the packed rows as stored, at the end of the file
    // Values of "SubIFDs": 0 leaves the tag out; the first points at the raw
    // directory, every further one at a 7 x 9 decoy directory.
    std::uint32_t subIfdCount = 1;
    bool emptyRawIfd = false;                       // the raw directory has no entries
    std::optional<std::uint32_t> stripOffset = {};  // StripOffsets other than where the strip lies
};

std::vector<std::uint8_t> BuildErf(const ErfContent& content);

// Packs 12-bit samples, given row by row, the way the camera stores them:
// ten samples to a 16-byte group, two samples to three bytes, b0 and the high
// nibble of b1 for the first, the low nibble of b1 and b2 for the second.
std::vector<std::uint8_t> PackSamples(const std::vector<std::uint16_t>& samples, std::uint32_t width,
                                      std::uint32_t height);

// Bytes of one packed row as the builder writes it: 16 for every ten samples
// or part of ten. Worked out here on its own, not taken from the decoder's
// PackedRowBytes, so that the tests would catch a fault in either.
std::uint32_t StripRowBytes(std::uint32_t width);
