// What the pictures carry beside the pixels, as the camera's file gives it:
// the size of its pixels, its texts in the form PNG's text chunks take them,
// and the photograph's own tags for the Exif each format embeds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tiff/photo_file.h"

struct PictureNotes {
    // Pixels per unit as the camera gave them, in its ResolutionUnit.
    struct PixelSize {
        enum Unit : std::uint32_t { kNone = 1, kInch = 2, kCentimetre = 3 };  // kNone: only the ratio means anything
        double x = 0;
        double y = 0;
        Unit unit = kInch;
    };
    std::optional<PixelSize> pixelSize;
    // PNG keywords and their texts, UTF-8: a text of printable ASCII goes
    // into a tEXt chunk, any other into an iTXt chunk.
    std::vector<std::pair<std::string, std::string>> texts;
    // The photograph's own tags to carry, and the Orientation they are to
    // give: 1 once the pixels show upright.
    struct PhotoTags {
        std::vector<TiffTag> main;  // IFD0's texts (Make, Model, DateTime, Artist, ...) and resolution
        std::vector<TiffTag> exif;  // the Exif directory's own tags
        std::vector<TiffTag> gps;   // the GPS directory's own tags
    } photo;
    std::uint32_t orientation = 1;
};

using PhotoTags = PictureNotes::PhotoTags;

// Whether a PNG text goes into a tEXt chunk, which holds Latin-1: ASCII
// only; any other text goes into iTXt as UTF-8.
bool FitsTextChunk(const std::string& text);

// A pixel size as a warning names it: "72.5 x 72 per inch", "per
// centimetre", or "(an aspect ratio)".
std::string PixelSizeText(const PictureNotes::PixelSize& size);

// Reads them from the parsed file. Of the Exif and GPS directories only the
// tags the Exif standard places there are carried, and of those not the ones
// whose values point into the source file (the maker's notes, which may refer
// to their own place; the Interoperability directory's pointer).
PhotoTags ReadPhotoTags(const PhotoFile& file);

struct CameraNotes {
    std::uint32_t orientation = 1;  // TIFF Orientation, 1 to 8 (1 when absent or out of range)
    PictureNotes notes;
};

// pHYs from XResolution, YResolution and ResolutionUnit; texts "Make",
// "Model", "Creation Time" (the moment of the shot, Exif's DateTimeOriginal,
// or else IFD0's DateTime, in RFC 1123 form when it has the TIFF form
// "YYYY:MM:DD HH:MM:SS"), and PNG's own keywords for Artist, Copyright,
// ImageDescription and Software ("Author", "Copyright", "Description",
// "Software"); the photograph's tags (see ReadPhotoTags).
CameraNotes ReadCameraNotes(const PhotoFile& file);
