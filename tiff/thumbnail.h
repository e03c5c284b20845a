// IFD0's own picture, the camera's small preview: 8-bit RGB, uncompressed,
// read from its strips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tiff/erf_file.h"

// The thumbnail of the file `name`, as `erf` read its directories (Open;
// IFD0 tells the rest): `width` x `height` pixels, top row first, red,
// green, blue. False with the reason in `problem` when IFD0 holds no picture
// this can read (as when Open failed).
bool ReadThumbnail(const char* name, const ErfFile& erf, std::uint32_t& width, std::uint32_t& height,
                   std::vector<std::uint8_t>& rgb, std::string& problem);
