#include "tiff/tiff_tag.h"

#include "tiff/type_facts.h"

std::int64_t TypeSize(std::uint32_t type, std::uint32_t count) {
    return static_cast<std::int64_t>(TypeFactsOf(type).UnitBytes()) * count;
}
