// Writing a synthetic EPSON RAW file: a TIFF with an RGB thumbnail in IFD0
// and the raw RGGB mosaic, 12-bit samples packed ten to sixteen bytes, in the
// directory that IFD0's SubIFDs names.
#pragma once

#include <cstdint>
#include <string>

#include "develop/packed_raw.h"
#include "platform/limits.h"
#include "tools/picture/picture.h"

// Whether a raw file of this size can be written: its strip, with room for the
// directories and thumbnail before it, must stay within 2^31 - 1 bytes (the
// reach of a 32-bit TIFF offset and of the module's file pointer).
inline bool RawFileFits(std::uint32_t width, std::uint32_t height) {
    return PackedRowBytes(width) * height <= kLargestFileOffset - (1u << 20);
}

// The 12-bit sample that the module develops to `level` in `colour`: the middle of the run of samples closest to it.
std::uint16_t SampleForLevel(MosaicColour colour, std::uint8_t level);

// False with the failing call and its reason in `error` when the file cannot
// be written.
bool WriteErf(const std::string& path, const Picture& picture, bool littleEndian, std::string& error);
