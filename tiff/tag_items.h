// The items an entry stores in a file or a memory image, in order.
#pragma once

#include <cstdint>

#include "tiff/tiff_tag.h"

// Calls put(width, item) for each item the tag's type and count call for (two
// per value for the rational types), taken from the front of `values`; items
// the list does not hold are 0, so nothing is read past its end. Returns the
// bytes these items take.
template <typename Put>
std::int64_t ForEachStoredItem(const TiffTag& tag, Put put) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    const std::uint64_t items = std::uint64_t{tag.count} * facts.itemsPerValue;
    if (facts.itemBytes == 0) return 0;
    for (std::uint64_t i = 0; i < items; ++i)
        put(facts.itemBytes, i < tag.values.size() ? tag.values[static_cast<std::size_t>(i)] : 0u);
    return static_cast<std::int64_t>(items * facts.itemBytes);
}
