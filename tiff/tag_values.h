// Decoding of an entry's value bytes into its value list and value text.
#pragma once

#include <cstdint>

#include "tiff/tiff_tag.h"

// Appends `tag.count` values of `tag.type`, decoded from `bytes`, to the
// tag's values and value text. `bytes` holds TypeSize(type, count) bytes.
// A count of 2^31 or more decodes as a count of 0. A tag whose decoding
// would give its list more items than a list can hold (possible in a 32-bit
// process: about 2^29) is refused with std::length_error before anything is
// added; callers treat it as running out of memory.
void DecodeValues(TiffTag& tag, const std::uint8_t* bytes, bool littleEndian);
