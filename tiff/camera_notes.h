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
    // Pixels per unit as the camera gave them, in its ResolutionUnit.
    struct PixelSize {
        enum Unit : std::uint32_t { kNone = 1, kInch = 2, kCentimetre = 3 };  // kNone: only the ratio means anything
        double x = 0;
        double y = 0;
        Unit unit = kInch;
    };
    std::optional<PixelSize> pixelSize;
    std::vector<std::pair<std::string, std::string>> texts;
    // The photograph's own tags to carry (the converter reads them),
    // and the Orientation they are to give: 1 once the pixels show upright.
    struct PhotoTags {
        std::vector<TiffTag> main;  // IFD0's texts (Make, Model, DateTime, Artist, ...) and resolution
        std::vector<TiffTag> exif;  // the Exif directory
        std::vector<TiffTag> gps;   // the GPS directory
    } photo;
    std::uint32_t orientation = 1;
};

struct CameraNotes {
    std::uint32_t orientation = 1;  // TIFF Orientation, 1 to 8 (1 when absent or out of range)
    PictureNotes notes;
};

// pHYs from XResolution, YResolution and ResolutionUnit; texts "Make",
// "Model", "Creation Time" (from DateTime, in RFC 1123 form when it has the
// TIFF form "YYYY:MM:DD HH:MM:SS"), and PNG's own keywords for Artist,
// Copyright, ImageDescription and Software ("Author", "Copyright",
// "Description", "Software").
CameraNotes ReadCameraNotes(const ErfFile& erf);

// IFD0's Make when it names a maker other than EPSON (a file from another
// camera); none when it names EPSON, in any case, or is absent or not text.
std::optional<std::string> OtherMaker(const ErfFile& erf);
