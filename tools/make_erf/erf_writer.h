// Writing a synthetic EPSON RAW file: a TIFF with an RGB thumbnail in IFD0
// and the raw RGGB mosaic, 12-bit samples packed ten to sixteen bytes, in the
// directory that IFD0's SubIFDs names.
#pragma once

#include <cstdint>
#include <string>

#include "tools/make_erf/rgb_picture.h"

// Bytes of one packed raw row: groups of 10 samples in 16 bytes.
inline std::uint64_t RawRowBytes(std::uint32_t width) { return (std::uint64_t{width} + 9) / 10 * 16; }

// Whether a raw file of this size can be written: its strip, with room for the
// directories and thumbnail before it, must stay within 2^31 - 1 bytes (the
// reach of a 32-bit TIFF offset and of the module's file pointer).
inline bool RawFileFits(std::uint32_t width, std::uint32_t height) {
    return RawRowBytes(width) * height <= 0x7FFFFFFFu - (1u << 20);
}

// The 12-bit sample that the module develops to `level` in colour 0 (red),
// 1 (green) or 2 (blue): the middle of the run of samples closest to it.
std::uint16_t SampleForLevel(int colour, std::uint8_t level);

// Packs `width` samples into RawRowBytes(width) bytes; pairs of samples take
// three bytes, the sixteenth byte of each group and the rest stay 0.
void PackRawRow(const std::uint16_t* samples, std::uint32_t width, std::uint8_t* out);

// False with the failing call and its reason in `error` when the file cannot
// be written.
bool WriteErf(const std::string& path, const RgbPicture& picture, bool littleEndian, std::string& error);
