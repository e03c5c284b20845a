// What IFD0 says about the picture beside its pixels: how it is turned, the
// size of its pixels, the camera and the time it was taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tiff/erf_file.h"

// What a PNG carries beside the pixels, as IFD0 gives it: the pixels' size
// (pHYs) and texts (tEXt, keyword and Latin-1 text).
struct PictureNotes {
    struct PixelSize {
        std::uint32_t x = 0;
        std::uint32_t y = 0;
        bool perMetre = false;  // else only the ratio of x to y means anything
    };
    std::optional<PixelSize> pixelSize;
    std::vector<std::pair<std::string, std::string>> texts;
};

struct CameraNotes {
    std::uint32_t orientation = 1;  // TIFF Orientation, 1 to 8 (1 when absent or out of range)
    PictureNotes notes;
};

// pHYs from XResolution, YResolution and ResolutionUnit; texts "Make",
// "Model" and "Creation Time" (from DateTime, as ISO 8601 when it has the
// TIFF form "YYYY:MM:DD HH:MM:SS").
CameraNotes ReadCameraNotes(const ErfFile& erf);

// IFD0's Make when it names a maker other than EPSON (a file from another
// camera); none when it names EPSON, in any case, or is absent or not text.
std::optional<std::string> OtherMaker(const ErfFile& erf);
