// A picture turned and mirrored as TIFF's Orientation tag asks, so that it
// shows upright.
#pragma once

#include <cstdint>
#include <optional>

#include "tools/picture/picture.h"
#include "tools/picture/picture_notes.h"

// Orientation 1 (or any value outside 1..8) gives the picture as it is; 2
// mirrors left and right, 3 turns it half round, 4 mirrors top and bottom, 5
// mirrors along the diagonal, 6 turns it a quarter clockwise, 7 mirrors
// along the other diagonal, 8 turns it a quarter anticlockwise.
Picture Oriented(Picture picture, std::uint32_t orientation);

// The pixels' size of a picture so turned: orientations 5 to 8 swap across
// and down.
std::optional<PictureNotes::PixelSize> Oriented(std::optional<PictureNotes::PixelSize> size, std::uint32_t orientation);
