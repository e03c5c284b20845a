// What IFD0 says about the picture beside its pixels: how it is turned, the
// size of its pixels, the camera and the time it was taken.
#pragma once

#include <cstdint>

#include "host/picture_writer.h"
#include "tiff/erf_file.h"

struct CameraNotes {
    std::uint32_t orientation = 1;  // TIFF Orientation, 1 to 8 (1 when absent or out of range)
    PictureNotes notes;
};

// pHYs from XResolution, YResolution and ResolutionUnit; texts "Make",
// "Model" and "Creation Time" (from DateTime, as ISO 8601 when it has the
// TIFF form "YYYY:MM:DD HH:MM:SS").
CameraNotes ReadCameraNotes(const ErfFile& erf);
