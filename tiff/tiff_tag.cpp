#include "tiff/tiff_tag.h"

std::uint32_t TypeUnitSize(std::uint32_t type) {
    static constexpr std::uint8_t kUnitSizes[11] = {0, 1, 1, 2, 4, 8, 0, 1, 0, 4, 8};
    return type < 11 ? kUnitSizes[type] : 0;
}

std::int64_t TypeSize(std::uint32_t type, std::uint32_t count) {
    return static_cast<std::int64_t>(TypeUnitSize(type)) * count;
}
