// The photograph's own tags, carried into the pictures made of it: IFD0's
// texts and the Exif and GPS directories whole, as an Exif block (a little-
// endian TIFF structure, as PNG's eXIf chunk and JPEG's APP1 segment hold it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>


#include "tiff/camera_notes.h"

using PhotoTags = PictureNotes::PhotoTags;

// Reads them from `path`, whose IFD0 `erf` holds: the Exif and GPS
// directories every entry (but those that point into the file); what cannot
// be read is left out.
PhotoTags ReadPhotoTags(const std::string& path, const ErfFile& erf);

// The Exif block of the tags for a picture of `width` x `height`, its
// Orientation set to `orientation`; empty when there is nothing to carry or
// the block would not fit a JPEG segment.
std::vector<std::uint8_t> ExifBlock(const PhotoTags& tags, std::uint32_t orientation, std::uint32_t width,
                                    std::uint32_t height);
