#include "tools/picture/photo_tags.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "tiff/byte_order.h"
#include "tiff/raw_entry.h"
#include "tiff/tiff_ifd.h"

namespace {

constexpr std::uint32_t kOrientation = 274;
constexpr std::uint32_t kExifPointer = 34665;
constexpr std::uint32_t kGpsPointer = 34853;
// IFD0's tags carried: ImageDescription, Make, Model, XResolution,
// YResolution, ResolutionUnit, Software, DateTime, Artist, Copyright.
constexpr std::uint32_t kMainTags[] = {270, 271, 272, 282, 283, 296, 305, 306, 315, 33432};
constexpr std::uint32_t kYCbCrPositioning = 531;
constexpr std::uint32_t kExifImageWidth = 40962;
constexpr std::uint32_t kExifImageHeight = 40963;
// Entries left behind: they hold offsets into the source file (the
// maker's notes, which may refer to their own place; the Interoperability,
// Exif and GPS directories'), which mean nothing in the block.
constexpr std::uint32_t kLeftOut[] = {37500, 40965, kExifPointer, kGpsPointer};
// The most a directory's entries and values may take; the rest is left out.
constexpr std::uint32_t kMostEntries = 1000;
constexpr std::int64_t kTagBudgetBytes = 1 << 20;
// An Exif block must fit a JPEG APP1 segment (64 KiB less its length and "Exif\0\0").
constexpr std::int64_t kLargestBlockBytes = 65533 - 6;

// A directory that names each tag by its number, so that every entry is
// kept, not only those the dictionary knows; the names sort as the numbers.
class NumberedIfd : public TiffIfd {
public:
    void TagName(std::uint32_t tagNumber, std::string& name) override {
        char text[8];
        std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(tagNumber & 0xFFFF));
        name = text;
    }
    void TagDescription(const std::string&, std::string& description) override { description.clear(); }
    void DescribeValue(TiffTag&) override {}
};

// The directory at `offset` of the open file, its entries read through the
// library's bounded path; entries whose values would pass the budget are
// skipped before their values are read.
std::vector<TiffTag> ReadDirectory(HANDLE file, bool littleEndian, std::uint32_t offset) {
    NumberedIfd ifd;
    ifd.SetHandle(file);
    ifd.SetByteOrder(littleEndian ? 1 : 0);
    if (offset == 0 || offset > INT32_MAX - 2 ||
        ifd.Seek(static_cast<std::int32_t>(offset)) == INVALID_SET_FILE_POINTER) {
        return {};
    }
    const std::uint32_t count = ifd.Read16();
    std::int64_t budget = kTagBudgetBytes;
    for (std::uint32_t i = 0; i < count && i < kMostEntries; ++i) {
        const std::int64_t at = std::int64_t{offset} + 2 + 12 * std::int64_t{i};
        std::uint8_t bytes[RawEntry::kSize];
        if (at > INT32_MAX || ifd.Seek(static_cast<std::int32_t>(at)) == INVALID_SET_FILE_POINTER) break;
        const ByteView view(bytes, ifd.ReadBytes(bytes, sizeof bytes));
        const std::optional<RawEntry> entry = DecodeEntry(view, littleEndian);
        if (!entry) break;
        const std::int64_t size = TypeSize(entry->type, entry->count);
        const bool leftOut = std::find(std::begin(kLeftOut), std::end(kLeftOut), entry->tagNumber) != std::end(kLeftOut);
        if (size == 0 || size > budget || leftOut) {
            continue;
        }
        budget -= size;
        ifd.ReadEntryFrom(view, static_cast<std::int32_t>(at));
    }
    std::vector<TiffTag> tags;
    for (const TiffTag* tag : ifd.InTagOrder()) tags.push_back(*tag);
    return tags;
}

// A directory's place in the block and the bytes it takes.
struct Placed {
    NumberedIfd ifd;
    std::int32_t entryBytes = 0;
    std::int32_t dataBytes = 0;
    std::int64_t at = 0;

    std::int64_t Bytes() const { return 2 + std::int64_t{entryBytes} + 4 + dataBytes; }
};

void Fill(Placed& placed, const std::vector<TiffTag>& tags) {
    for (const TiffTag& tag : tags) {
        TiffTag copy = tag;
        // Values start on an even offset, as TIFF asks: an odd run of bytes gets one more, a 0.
        if (TypeSize(copy.type, copy.count) > 4 && TypeSize(copy.type, copy.count) % 2 != 0) {
            ++copy.count;
            copy.values.resize(static_cast<std::size_t>(TypeSize(copy.type, copy.count)), 0);
        }
        placed.ifd.PutTagCopy(copy);
    }
}

void SetLong(NumberedIfd& ifd, std::uint32_t tagNumber, std::uint32_t value) {
    ifd.SetTag(tagNumber, kTypeLong, 1, &value);
}

// Stores the directory at its place: the count, the entries (in tag order,
// as the names sort), no next directory, the values; block offsets counted
// from the block's start.
bool Store(const Placed& placed, std::vector<std::uint8_t>& block) {
    std::uint8_t* count = block.data() + placed.at;
    std::uint8_t* entries = count + 2;
    StoreOrdered16(count, static_cast<std::uint16_t>(placed.ifd.TagCount()), true);
    if (placed.ifd.StoreToMemory(entries, entries + placed.entryBytes + 4) < 0) return false;
    for (std::int32_t i = 0; i < placed.ifd.TagCount(); ++i) {
        std::uint8_t* entry = entries + 12 * i;
        const std::uint32_t type = LoadOrdered16(entry + 2, true);
        const std::uint32_t items = LoadOrdered32(entry + 4, true);
        if (!IsInline(type, items)) {
            StoreOrdered32(entry + 8, LoadOrdered32(entry + 8, true) + static_cast<std::uint32_t>(placed.at + 2), true);
        }
    }
    return true;
}

}  // namespace

PhotoTags ReadPhotoTags(const std::string& path, const ErfFile& erf) {
    PhotoTags tags;
    for (const std::uint32_t number : kMainTags) {
        const TiffTag* tag = erf.mainIfd.FindTagByNumber(number);
        if (tag != nullptr) tags.main.push_back(*tag);
    }
    const TiffTag* exif = erf.mainIfd.FindTagByNumber(kExifPointer);
    const TiffTag* gps = erf.mainIfd.FindTagByNumber(kGpsPointer);
    if (exif == nullptr && gps == nullptr) return tags;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return tags;
    const bool littleEndian = erf.mainIfd.IsLittleEndian();
    if (exif != nullptr && !exif->values.empty()) tags.exif = ReadDirectory(file, littleEndian, exif->values[0]);
    if (gps != nullptr && !gps->values.empty()) tags.gps = ReadDirectory(file, littleEndian, gps->values[0]);
    CloseHandle(file);
    return tags;
}

std::vector<std::uint8_t> ExifBlock(const PhotoTags& tags, std::uint32_t orientation, std::uint32_t width,
                                    std::uint32_t height) {
    if (tags.main.empty() && tags.exif.empty() && tags.gps.empty()) return {};
    Placed main, exif, gps;
    Fill(main, tags.main);
    const auto shortOrientation = static_cast<std::uint16_t>(orientation);
    main.ifd.SetTag(kOrientation, kTypeShort, 1, &shortOrientation);
    // What readers of JPEG's Exif expect beside the camera's tags: samples
    // centred (as libjpeg makes them) and the picture's own size.
    const std::uint16_t centred = 1;
    main.ifd.SetTag(kYCbCrPositioning, kTypeShort, 1, &centred);
    Fill(exif, tags.exif);
    if (!tags.exif.empty()) {
        SetLong(exif.ifd, kExifImageWidth, width);
        SetLong(exif.ifd, kExifImageHeight, height);
    }
    Fill(gps, tags.gps);
    // The pointers' values come once the places are known; they take their room now.
    if (!tags.exif.empty()) SetLong(main.ifd, kExifPointer, 0);
    if (!tags.gps.empty()) SetLong(main.ifd, kGpsPointer, 0);
    for (Placed* placed : {&main, &exif, &gps}) {
        if (placed->ifd.MemoryImageSize(&placed->entryBytes, &placed->dataBytes) < 0) return {};
    }
    main.at = 8;
    exif.at = main.at + main.Bytes();
    gps.at = exif.at + (tags.exif.empty() ? 0 : exif.Bytes());
    const std::int64_t total = gps.at + (tags.gps.empty() ? 0 : gps.Bytes());
    if (total > kLargestBlockBytes) return {};
    if (!tags.exif.empty()) SetLong(main.ifd, kExifPointer, static_cast<std::uint32_t>(exif.at));
    if (!tags.gps.empty()) SetLong(main.ifd, kGpsPointer, static_cast<std::uint32_t>(gps.at));
    std::vector<std::uint8_t> block(static_cast<std::size_t>(total), 0);
    const std::uint8_t header[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), block.begin());
    if (!Store(main, block)) return {};
    if (!tags.exif.empty() && !Store(exif, block)) return {};
    if (!tags.gps.empty() && !Store(gps, block)) return {};
    return block;
}
