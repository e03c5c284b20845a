// One directory entry held in memory, and the size rule for its values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// TIFF type codes as the library treats them.
enum TiffType : std::uint32_t {
    kTypeByte = 1,
    kTypeAscii = 2,
    kTypeShort = 3,
    kTypeLong = 4,
    kTypeRational = 5,
    kTypeSByte = 6,
    kTypeUndefined = 7,
    kTypeSShort = 8,
    kTypeSLong = 9,
    kTypeSRational = 10,
};

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

// Bytes one value of `type` takes in a field (types 6, 8 and unknown codes: 0).
std::uint32_t TypeUnitSize(std::uint32_t type);

// Bytes of a field of `type` and `count`. Computed in 64 bits, so a huge count
// never wraps into a small size; a field of 4 bytes or less is stored inline.
std::int64_t TypeSize(std::uint32_t type, std::uint32_t count);

inline bool IsInline(std::uint32_t type, std::uint32_t count) { return TypeSize(type, count) <= 4; }
