// The Exif block every format embeds: the photograph's own tags (see
// ReadPhotoTags) as a little-endian TIFF structure, as PNG's eXIf chunk and
// JPEG's APP1 segment hold it, or as the Exif and GPS directories of a TIFF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tiff/photo_ifd.h"
#include "tools/picture/picture.h"
#include "tools/picture/picture_format.h"
#include "tools/picture/picture_notes.h"

// A directory being laid out for a little-endian TIFF file, and its place
// there: the count, the entries in tag order, no next directory, then the
// values, each on a word.
struct PlacedDirectory {
    PhotoIfd ifd{PhotoIfd::Kind::kExif};  // every entry kept, whatever its number
    std::int64_t at = 0;                  // counted from the file's header

    PlacedDirectory() = default;
    explicit PlacedDirectory(const std::vector<TiffTag>& tags);
    bool Empty() const { return ifd.TagCount() == 0; }
    std::int64_t EntryBytes() const { return std::int64_t{RawEntry::kSize} * ifd.TagCount(); }
    std::int64_t Bytes() const;
    // Sets a LONG of one value (a pointer whose place comes later takes its room now).
    void Set(std::uint32_t tagNumber, std::uint32_t value);
    // Where in the file the entry's value field lies (-1 for no such entry),
    // for a value known only once the rest is written.
    std::int64_t ValuePlace(std::uint32_t tagNumber) const;
    // Stores it at its place into `out`, whose first byte lies at `origin` of the file.
    void Store(std::vector<std::uint8_t>& out, std::int64_t origin) const;
};

// An ASCII tag's text as TIFF writers keep it: up to its first NUL.
std::string TiffText(const TiffTag& tag);

// The Exif block of the tags for a picture of `width` x `height`, its
// Orientation set to `orientation`; empty when there is nothing to carry.
// Every value keeps its type and count.
std::vector<std::uint8_t> ExifBlock(const PhotoTags& tags, std::uint32_t orientation, std::uint32_t width,
                                    std::uint32_t height);

// A JPEG's APP1 Exif segment's contents ("Exif", two NULs, the block) for
// `picture` with `notes`; empty when there is nothing to carry, or when the
// block is larger than a segment holds (said through request.warn).
std::vector<std::uint8_t> JpegExifSegment(const PictureNotes& notes, const Picture& picture,
                                          const WriteRequest& request);

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
