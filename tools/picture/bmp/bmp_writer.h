// BMP: the picture as a 24-bit DIB file, rows bottom first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/picture/picture.h"

// Why a BMP file cannot hold a picture this large; empty when it can.
std::string BmpSizeProblem(std::uint64_t width, std::uint64_t height);
// False with the failing write's reason.
bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason);
