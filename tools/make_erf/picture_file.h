// Reading a picture from a file: PNG (through libpng) or binary PPM.
#pragma once

#include <cstdint>
#include <string>

#include "platform/limits.h"

#include "tools/picture/picture.h"

// False with a message in `error` when the file cannot be read as a picture,
// or when a side passes `largestSide` (found from the header, before any
// pixel is read).
bool ReadPicture(const std::string& path, Picture& picture, std::string& error,
                 std::uint32_t largestSide = kLargestPictureSide);
