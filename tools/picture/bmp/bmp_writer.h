// BMP: the picture as a 24-bit DIB file, rows bottom first.
#pragma once

#include <cstdio>
#include <string>

#include "tools/picture/picture.h"

// False with the failing write's reason.
bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason);
