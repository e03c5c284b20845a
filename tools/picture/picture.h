// A picture as the module delivers it: rows top first, 3 bytes per pixel in
// the order blue, green, red, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;

    std::size_t RowBytes() const { return 3 * static_cast<std::size_t>(width); }
    const std::uint8_t* Row(std::int32_t y) const { return pixels.data() + RowBytes() * static_cast<std::size_t>(y); }
};
