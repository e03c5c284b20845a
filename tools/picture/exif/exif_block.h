// The Exif block every format embeds: the photograph's own tags (see
// ReadPhotoTags) as a little-endian TIFF structure, as PNG's eXIf chunk and
// JPEG's APP1 segment hold it, or as the Exif and GPS directories of a TIFF.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/picture/picture_notes.h"

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
