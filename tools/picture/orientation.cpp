#include "tools/picture/orientation.h"

#include <cstring>
#include <utility>

Picture Oriented(Picture picture, std::uint32_t orientation) {
    if (orientation < 2 || orientation > 8) return picture;
    const bool swapped = orientation >= 5;
    Picture out{swapped ? picture.height : picture.width, swapped ? picture.width : picture.height, {}};
    out.pixels.resize(picture.pixels.size());
    const std::int32_t w = picture.width;
    const std::int32_t h = picture.height;
    for (std::int32_t y = 0; y < out.height; ++y) {
        std::uint8_t* row = out.pixels.data() + out.RowBytes() * static_cast<std::size_t>(y);
        for (std::int32_t x = 0; x < out.width; ++x) {
            // The source pixel that lands at (x, y).
            std::int32_t sx = x;
            std::int32_t sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3:
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4: sy = h - 1 - y; break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y;
                    sy = x;
                    break;
            }
            std::memcpy(row + 3 * x, picture.Row(sy) + 3 * sx, 3);
        }
    }
    return out;
}

std::optional<PictureNotes::PixelSize> Oriented(std::optional<PictureNotes::PixelSize> size, std::uint32_t orientation) {
    if (size && orientation >= 5 && orientation <= 8) std::swap(size->x, size->y);
    return size;
}
