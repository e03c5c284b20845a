// Reading a picture from a file: PNG (through libpng) or binary PPM.
#pragma once

#include <string>

#include "tools/picture/picture.h"

// False with a message in `error` when the file cannot be read as a picture.
bool ReadPicture(const std::string& path, Picture& picture, std::string& error);
