#include "tools/picture/picture.h"

Picture Resized(const Picture& source, std::uint32_t width, std::uint32_t height) {
    Picture out{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                std::vector<std::uint8_t>(std::size_t{width} * height * 3)};
    const auto sourceWidth = static_cast<std::uint32_t>(source.width);
    const auto sourceHeight = static_cast<std::uint32_t>(source.height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto sy = static_cast<std::uint32_t>(std::uint64_t{y} * sourceHeight / height);
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto sx = static_cast<std::uint32_t>(std::uint64_t{x} * sourceWidth / width);
            const std::uint8_t* from = source.At(sx, sy);
            std::uint8_t* to = out.At(x, y);
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    return out;
}
