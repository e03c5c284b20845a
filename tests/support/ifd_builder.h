// TIFF files with directories of any entries, for tests: each entry's values
// inline or in a block after its directory, in either byte order.
#pragma once

#include <cstdint>
#include <vector>

struct IfdField {
    std::uint32_t tag, type, count;
    // The values as numbers of the type's width (a rational: numerator, then
    // denominator); types without value bytes take none.
    std::vector<std::uint32_t> items;
};

// The header, IFD0 holding `main` followed by a "SubIFDs" entry, then the
// directory that entry names, holding `raw`.
std::vector<std::uint8_t> BuildTwoDirectoryFile(bool littleEndian, std::vector<IfdField> main,
                                                const std::vector<IfdField>& raw);
