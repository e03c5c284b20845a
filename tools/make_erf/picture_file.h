// Reading a picture to put into a raw file: PNG (through libpng) or binary PPM.
#pragma once

#include <string>

#include "tools/make_erf/rgb_picture.h"

// False with a message in `error` when the file cannot be read as a picture.
bool ReadPicture(const std::string& path, RgbPicture& picture, std::string& error);
