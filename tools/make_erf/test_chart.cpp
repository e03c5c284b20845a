#include "tools/make_erf/test_chart.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// Colour patches: primaries, secondaries, skin and foliage tones, greys.
constexpr Rgb kPatches[2][8] = {
    {{200, 30, 30},
     {40, 170, 50},
     {40, 60, 200},
     {60, 190, 200},
     {190, 60, 180},
     {230, 210, 40},
     {200, 150, 120},
     {90, 120, 50}},
    {{250, 250, 250},
     {215, 215, 215},
     {180, 180, 180},
     {140, 140, 140},
     {100, 100, 100},
     {60, 60, 60},
     {25, 25, 25},
     {0, 0, 0}},
};

void Fill(Picture& picture, std::uint32_t x, std::uint32_t y, Rgb colour) {
    std::uint8_t* pixel = picture.At(x, y);
    pixel[kRedByte] = colour.r;
    pixel[kGreenByte] = colour.g;
    pixel[kBlueByte] = colour.b;
}

Rgb Patch(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t bandHeight) {
    const std::uint32_t column = static_cast<std::uint32_t>(std::uint64_t{x} * 8 / width);
    const std::uint32_t row = static_cast<std::uint32_t>(std::uint64_t{y} * 2 / bandHeight);
    // A thin dark frame around each patch.
    const std::uint32_t left = static_cast<std::uint32_t>((std::uint64_t{column} * width + 7) / 8);
    const std::uint32_t top = static_cast<std::uint32_t>((std::uint64_t{row} * bandHeight + 1) / 2);
    const std::uint32_t frame = std::max(1u, width / 400);
    if (x - left < frame || y - top < frame) return {20, 20, 20};
    return kPatches[row][column];
}

// Grey, red, green and blue ramps from black to full level, left to right.
Rgb Ramp(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t bandHeight) {
    const auto level = static_cast<std::uint8_t>(width > 1 ? std::uint64_t{x} * 255 / (width - 1) : 255);
    switch (std::uint64_t{y} * 4 / bandHeight) {
        case 0: return {level, level, level};
        case 1: return {level, 0, 0};
        case 2: return {0, level, 0};
        default: return {0, 0, level};
    }
}

// Line pairs of falling period on the left, a zone plate on the right.
Rgb Detail(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t bandHeight) {
    if (x < width / 2) {
        const std::uint32_t period = 2 + static_cast<std::uint32_t>(std::uint64_t{x} * 4 / std::max(1u, width / 2));
        const bool vertical = y < bandHeight / 2;
        const bool dark = ((vertical ? x : y) / period) % 2 == 0;
        return dark ? Rgb{30, 30, 30} : Rgb{230, 230, 230};
    }
    const double cx = x - width * 0.75;
    const double cy = y - bandHeight * 0.5;
    const double scale = 3.14159265358979 / std::max(1.0, width * 0.5);
    const double wave = std::cos((cx * cx + cy * cy) * scale);
    const auto level = static_cast<std::uint8_t>(std::lround(127.5 + 110 * wave));
    return {level, level, level};
}

// A black and white checkerboard cut by a slanted edge into two colours.
Rgb Edges(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t bandHeight) {
    const std::uint32_t square = std::max(1u, bandHeight / 4);
    if (x < width / 2) return ((x / square + y / square) % 2 == 0) ? Rgb{245, 245, 245} : Rgb{10, 10, 10};
    const bool above = std::uint64_t{x - width / 2} * bandHeight * 5 < std::uint64_t{y} * (width / 2) * 4;
    return above ? Rgb{220, 40, 40} : Rgb{30, 200, 220};
}

}  // namespace

Picture MakeTestChart(std::uint32_t width, std::uint32_t height) {
    // Sized in 64 bits: in a 32-bit build the product could wrap.
    const std::uint64_t bytes = std::uint64_t{width} * height * 3;
    if (bytes > std::vector<std::uint8_t>().max_size()) throw std::bad_alloc();
    Picture chart{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                  std::vector<std::uint8_t>(static_cast<std::size_t>(bytes))};
    // Four bands, top to bottom.
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t band = static_cast<std::uint32_t>(std::uint64_t{y} * 4 / height);
        const std::uint32_t bandTop = static_cast<std::uint32_t>((std::uint64_t{band} * height + 3) / 4);
        const std::uint32_t bandHeight =
            std::max(1u, static_cast<std::uint32_t>((std::uint64_t{band + 1} * height + 3) / 4) - bandTop);
        const std::uint32_t yIn = y - bandTop;
        for (std::uint32_t x = 0; x < width; ++x) {
            switch (band) {
                case 0: Fill(chart, x, y, Patch(x, yIn, width, bandHeight)); break;
                case 1: Fill(chart, x, y, Ramp(x, yIn, width, bandHeight)); break;
                case 2: Fill(chart, x, y, Detail(x, yIn, width, bandHeight)); break;
                default: Fill(chart, x, y, Edges(x, yIn, width, bandHeight)); break;
            }
        }
    }
    return chart;
}
