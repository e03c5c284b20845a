// Decoding an entry's values from their bytes, wherever those came from: a
// file, a directory's entry, a memory image.
#pragma once

#include "tiff/byte_view.h"
#include "tiff/tiff_tag.h"

// Decodes the tag's values, of its type and count, from the start of `bytes`
// (numbers in the given byte order) and appends them to its values and value
// text. False, with the tag as it was, when `bytes` is too short for them.
// Values that would give the list more items than a list can hold (possible
// in a 32-bit process: about 2^29) are refused the same way, before any is
// added.
bool DecodeValues(ByteView bytes, bool littleEndian, TiffTag& tag);

// The most memory the values of `type` and `count`, once decoded, take in a
// tag's value list and value text; computed in 64 bits.
std::uint64_t HeldBytes(std::uint32_t type, std::uint32_t count);

// Decodes one value of a numeric type (a numerator and denominator pair for
// the rational types) from the start of `bytes`, which holds the type's
// UnitBytes(), and appends it and its text.
void DecodeOneValue(ByteView bytes, bool littleEndian, TiffTag& tag);
