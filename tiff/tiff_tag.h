// One directory entry held in memory, and the size rule for its values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tiff/raw_entry.h"
#include "tiff/type_facts.h"

class TiffTag {
public:
    virtual ~TiffTag() = default;

    std::int32_t entryOffset = 0;  // base-relative offset of the entry's 12 bytes
    std::uint32_t tagNumber = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t valueOffset = 0;  // base-relative offset of the value block; 0 when inline
    std::string description;        // Shift-JIS
    std::string name;
    std::string valueText;
    std::vector<std::uint32_t> values;  // a rational takes two items, numerator first
};

// Bytes of a field of `type` and `count`. Computed in 64 bits, so a huge count
// never wraps into a small size; a field of 4 bytes or less is stored inline.
std::int64_t TypeSize(std::uint32_t type, std::uint32_t count);

// Whether values of `bytes` bytes are stored in the entry's value field.
inline bool IsInline(std::uint64_t bytes) { return bytes <= RawEntry::kFieldBytes; }
inline bool IsInline(std::uint32_t type, std::uint32_t count) {
    return IsInline(static_cast<std::uint64_t>(TypeSize(type, count)));
}
