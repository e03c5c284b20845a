#include "tools/picture/exif/exif_block.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "tiff/byte_order.h"
#include "tiff/tag_numbers.h"

namespace {

// Offsets in the blocks made are 32-bit.
constexpr std::int64_t kLargestBlockBytes = INT32_MAX;
// An APP1 segment holds 64 KiB less its length field and the "Exif\0\0" name.
constexpr std::size_t kLargestJpegExifBlock = 65533 - 6;

// The room a tag's values take after the entries: none when they sit in the
// entry, else their size made even, as TIFF starts values on a word.
std::int64_t BlockRoom(const TiffTag& tag) {
    if (IsInline(tag.type, tag.count)) return 0;
    const std::int64_t size = TypeSize(tag.type, tag.count);
    return size + size % 2;
}

struct PictureSize {
    std::uint32_t width;
    std::uint32_t height;
};

}  // namespace

std::string TiffText(const TiffTag& tag) {
    std::string text;
    for (std::uint32_t value : tag.values) {
        if (value == 0) break;
        text.push_back(static_cast<char>(value));
    }
    return text;
}

PlacedDirectory::PlacedDirectory(const std::vector<TiffTag>& tags) {
    for (const TiffTag& tag : tags) ifd.PutTagCopy(tag);
}

std::int64_t PlacedDirectory::Bytes() const {
    std::int64_t bytes = 2 + EntryBytes() + 4;
    for (const TiffTag* tag : ifd.InTagOrder()) bytes += BlockRoom(*tag);
    return bytes;
}

void PlacedDirectory::Set(std::uint32_t tagNumber, std::uint32_t value) { ifd.SetTag(tagNumber, kTypeLong, 1, &value); }

std::int64_t PlacedDirectory::ValuePlace(std::uint32_t tagNumber) const {
    std::int64_t entry = at + 2;
    for (const TiffTag* tag : ifd.InTagOrder()) {
        if (tag->tagNumber == tagNumber) return entry + 8;
        entry += RawEntry::kSize;
    }
    return -1;
}

void PlacedDirectory::Store(std::vector<std::uint8_t>& out, std::int64_t origin) const {
    std::uint8_t* count = out.data() + (at - origin);
    StoreOrdered16(count, static_cast<std::uint16_t>(ifd.TagCount()), true);
    std::uint8_t* entry = count + 2;
    std::uint8_t* data = entry + EntryBytes() + 4;
    for (const TiffTag* tag : ifd.InTagOrder()) {
        ifd.StoreEntryToMemory(count, entry, data, *tag);
        if (BlockRoom(*tag) > 0) {
            // Stored counted from the directory's start; the file counts from its header.
            StoreOrdered32(entry + 8, LoadOrdered32(entry + 8, true) + static_cast<std::uint32_t>(at), true);
        }
        data += BlockRoom(*tag);
        entry += RawEntry::kSize;
    }
}

namespace {

// The Exif and GPS directories placed one after the other from `start`.
struct PhotoPlaces {
    PlacedDirectory exif;
    PlacedDirectory gps;
    std::int64_t end = 0;

    // `size`: the picture's own size, as a compressed picture's Exif gives it
    // (its ComponentsConfiguration too); none for a TIFF, whose Exif has neither.
    PhotoPlaces(const PhotoTags& tags, std::optional<PictureSize> size, std::int64_t start)
        : exif(tags.exif), gps(tags.gps) {
        if (!size) exif.ifd.RemoveTag("ComponentsConfiguration");
        if (size && !exif.Empty()) {
            exif.Set(kTagPixelXDimension, size->width);
            exif.Set(kTagPixelYDimension, size->height);
        }
        exif.at = start;
        gps.at = exif.at + (exif.Empty() ? 0 : exif.Bytes());
        end = gps.at + (gps.Empty() ? 0 : gps.Bytes());
    }
    void StoreInto(std::vector<std::uint8_t>& out, std::int64_t origin) const {
        if (!exif.Empty()) exif.Store(out, origin);
        if (!gps.Empty()) gps.Store(out, origin);
    }
};

}  // namespace

std::vector<std::uint8_t> ExifBlock(const PhotoTags& tags, std::uint32_t orientation, std::uint32_t width,
                                    std::uint32_t height) {
    if (tags.main.empty() && tags.exif.empty() && tags.gps.empty()) return {};
    PlacedDirectory main(tags.main);
    const auto shortOrientation = static_cast<std::uint16_t>(orientation);
    main.ifd.SetTag(kTagOrientation, kTypeShort, 1, &shortOrientation);
    // What readers of JPEG's Exif expect beside the camera's tags: samples
    // centred, as libjpeg makes them.
    const std::uint16_t centred = 1;
    main.ifd.SetTag(kTagYCbCrPositioning, kTypeShort, 1, &centred);
    // The pointers' values come once the places are known; they take their room now.
    if (!tags.exif.empty()) main.Set(kTagExifIFDPointer, 0);
    if (!tags.gps.empty()) main.Set(kTagGPSInfoIFDPointer, 0);
    main.at = 8;
    const PhotoPlaces photo(tags, PictureSize{width, height}, main.at + main.Bytes());
    if (photo.end > kLargestBlockBytes) return {};
    if (!photo.exif.Empty()) main.Set(kTagExifIFDPointer, static_cast<std::uint32_t>(photo.exif.at));
    if (!photo.gps.Empty()) main.Set(kTagGPSInfoIFDPointer, static_cast<std::uint32_t>(photo.gps.at));
    std::vector<std::uint8_t> block(static_cast<std::size_t>(photo.end), 0);
    const std::uint8_t header[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), block.begin());
    main.Store(block, 0);
    photo.StoreInto(block, 0);
    return block;
}

std::vector<std::uint8_t> JpegExifSegment(const PictureNotes& notes, const Picture& picture,
                                          const WriteRequest& request) {
    static const std::uint8_t kExifName[] = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<std::uint8_t> block =
        ExifBlock(notes.photo, notes.orientation, static_cast<std::uint32_t>(picture.width),
                  static_cast<std::uint32_t>(picture.height));
    if (block.empty()) return {};
    if (block.size() > kLargestJpegExifBlock) {
        if (request.warn) {
            request.warn("the Exif block (" + std::to_string(block.size()) +
                         " bytes) is larger than a JPEG segment holds (" + std::to_string(kLargestJpegExifBlock) +
                         "): the JPEG carries no Exif");
        }
        return {};
    }
    std::vector<std::uint8_t> segment(std::begin(kExifName), std::end(kExifName));
    segment.insert(segment.end(), block.begin(), block.end());
    return segment;
}

PhotoDirectories LayOutTiffPhotoDirectories(const PhotoTags& tags, std::uint32_t start) {
    const PhotoPlaces photo(tags, std::nullopt, start);
    if (photo.end > kLargestBlockBytes || photo.end == start) return {};
    PhotoDirectories laid;
    laid.bytes.assign(static_cast<std::size_t>(photo.end - start), 0);
    photo.StoreInto(laid.bytes, start);
    if (!photo.exif.Empty()) laid.exif = static_cast<std::uint32_t>(photo.exif.at);
    if (!photo.gps.Empty()) laid.gps = static_cast<std::uint32_t>(photo.gps.at);
    return laid;
}
