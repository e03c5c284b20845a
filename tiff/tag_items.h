// The items an entry stores in a file or a memory image, in order.
#pragma once

#include <cstdint>

#include "tiff/tiff_tag.h"

// Bytes one stored item of `type` takes: 1, 2 or 4 (0: the type stores nothing).
inline std::uint32_t ItemWidth(std::uint32_t type) {
    switch (type) {
        case kTypeByte:
        case kTypeAscii:
        case kTypeUndefined: return 1;
        case kTypeShort: return 2;
        case kTypeLong:
        case kTypeSLong:
        case kTypeRational:
        case kTypeSRational: return 4;
        default: return 0;
    }
}

// Calls put(width, item) for each item the tag's type and count call for (two
// per value for the rational types), taken from the front of `values`; items
// the list does not hold are 0, so nothing is read past its end. Returns the
// bytes these items take.
template <typename Put>
std::int64_t ForEachStoredItem(const TiffTag& tag, Put put) {
    const std::uint32_t width = ItemWidth(tag.type);
    if (width == 0) return 0;
    const std::uint32_t perValue = (tag.type == kTypeRational || tag.type == kTypeSRational) ? 2 : 1;
    const std::uint64_t items = std::uint64_t{tag.count} * perValue;
    for (std::uint64_t i = 0; i < items; ++i) put(width, i < tag.values.size() ? tag.values[i] : 0u);
    return static_cast<std::int64_t>(items * width);
}
