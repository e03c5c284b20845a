#include "tools/make_erf/rgb_picture.h"

RgbPicture Resized(const RgbPicture& source, std::uint32_t width, std::uint32_t height) {
    RgbPicture out{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3)};
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto sy = static_cast<std::uint32_t>(std::uint64_t{y} * source.height / height);
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto sx = static_cast<std::uint32_t>(std::uint64_t{x} * source.width / width);
            const std::uint8_t* from = source.At(sx, sy);
            std::uint8_t* to = out.At(x, y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return out;
}
