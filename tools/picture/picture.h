// A picture in memory as the module delivers it and the tools write and read
// it: rows top first, 3 bytes per pixel in the order blue, green, red, no
// padding.
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
    // Pixel (x, y): its blue, green and red bytes.
    std::uint8_t* At(std::size_t x, std::size_t y) { return pixels.data() + y * RowBytes() + 3 * x; }
    const std::uint8_t* At(std::size_t x, std::size_t y) const { return pixels.data() + y * RowBytes() + 3 * x; }
};

// The byte of each colour in a pixel.
enum PixelByte : int { kBlueByte = 0, kGreenByte = 1, kRedByte = 2 };

// The picture resized to width x height by nearest neighbour.
Picture Resized(const Picture& source, std::uint32_t width, std::uint32_t height);
