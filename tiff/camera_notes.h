// What IFD0 says of the camera that made the file.
#pragma once

#include <optional>
#include <string>

#include "tiff/erf_file.h"

// IFD0's Make when it names a maker other than EPSON (a file from another
// camera); none when it names EPSON, in any case, or is absent or not text.
std::optional<std::string> OtherMaker(const ErfFile& erf);
