// An 8-bit RGB picture in memory, top row first, red, green, blue per pixel.
#pragma once

#include <cstdint>
#include <vector>

struct RgbPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;

    std::uint8_t* At(std::uint32_t x, std::uint32_t y) { return &rgb[(std::size_t{y} * width + x) * 3]; }
    const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const { return &rgb[(std::size_t{y} * width + x) * 3]; }
};

// The picture resized to width x height by nearest neighbour.
RgbPicture Resized(const RgbPicture& source, std::uint32_t width, std::uint32_t height);
