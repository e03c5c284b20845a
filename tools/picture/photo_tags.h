// The photograph's own tags, carried into the pictures made of it: IFD0's
// texts and resolution, and of the Exif and GPS directories the tags that
// are theirs, as an Exif block (a little-endian TIFF structure, as PNG's
// eXIf chunk and JPEG's APP1 segment hold it) or as directories of a TIFF.
#pragma once

#include <cstdint>
#include <vector>

#include "tiff/photo_file.h"
#include "tools/picture/picture_notes.h"

using PhotoTags = PictureNotes::PhotoTags;

// Reads them from the parsed file. Of the Exif and GPS directories only the
// tags the Exif standard places there are carried, and of those not the ones
// whose values point into the source file (the maker's notes, which may refer
// to their own place; the Interoperability directory's pointer).
PhotoTags ReadPhotoTags(const PhotoFile& file);

// The Exif block of the tags for a picture of `width` x `height`, its
// Orientation set to `orientation`; empty when there is nothing to carry.
// Every value keeps its type and count.
std::vector<std::uint8_t> ExifBlock(const PhotoTags& tags, std::uint32_t orientation, std::uint32_t width,
                                    std::uint32_t height);

// The Exif and GPS directories alone, as a TIFF's Exif holds them (without
// what describes a compressed picture), laid out to lie at `start` of a
// little-endian TIFF file, their offsets counted from its header; `exif` and
// `gps` where each begins, 0 for one with nothing to carry.
struct PhotoDirectories {
    std::vector<std::uint8_t> bytes;
    std::uint32_t exif = 0;
    std::uint32_t gps = 0;
};
PhotoDirectories LayOutTiffPhotoDirectories(const PhotoTags& tags, std::uint32_t start);
