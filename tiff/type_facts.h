// What the library knows of each TIFF type code, in one table: the sizes the
// readers and writers use, the text a value is shown as, and the type's name.
#pragma once

#include <cstdint>

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

// How the readers turn a type's bytes into values and value text.
enum class TypeKind : std::uint8_t {
    kNone,    // nothing is read or written (SBYTE, SSHORT, FLOAT, DOUBLE, unknown codes)
    kNumber,  // one text piece per value, from `format`
    kText,    // ASCII: the value text is the characters up to the first NUL
    kBytes,   // UNDEFINED: "0x: ", then `format` for every item
};

struct TypeFacts {
    const char* name;  // TIFF 6.0 name; null for a code TIFF 6.0 does not define
    TypeKind kind;
    std::uint32_t itemBytes;      // bytes of one item of a tag's values in a file or image: 1, 2, 4, or 0
    std::uint32_t itemsPerValue;  // 2 for the rational types (numerator, denominator), else 1
    const char* format;           // wsprintfA text piece per value (per item for UNDEFINED); null if none

    // Bytes one value takes in a field (0: the type has no reader).
    constexpr std::uint32_t UnitBytes() const { return itemBytes * itemsPerValue; }
};

const TypeFacts& TypeFactsOf(std::uint32_t type);
