// IFD memory images (raw 12-byte entries plus a data area, little-endian like
// the host) and the small queries on a directory.
#include <climits>
#include <cstring>
#include <optional>

#include "tiff/byte_order.h"
#include "tiff/tag_items.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_ifd.h"

namespace {

constexpr bool kHostOrder = true;  // memory images are little-endian, as the hosts are

// Where a memory image's first entry lies in a file whose first directory
// follows the 8-byte header.
constexpr std::int64_t kImageFirstEntry = 10;

}  // namespace

std::int32_t TiffIfd::LoadFromMemory(const void* image, std::int32_t count) {
    LoadImage(ByteView::Unbounded(image), 0, count, kImageFirstEntry);
    return 0;
}

std::int32_t TiffIfd::LoadFromMemory(const void* image, std::int32_t count, std::size_t imageBytes) {
    return LoadImage(ByteView(static_cast<const std::uint8_t*>(image), imageBytes), 0, count, kImageFirstEntry) ? 0 : -1;
}

std::int32_t TiffIfd::LoadFromFileImage(const void* file, std::size_t fileBytes, std::uint32_t at) {
    const ByteView image(static_cast<const std::uint8_t*>(file), fileBytes);
    Clear();
    if (!image.within(at, 2)) return -1;
    const std::int32_t count = LoadOrdered16(image.data() + at, kHostOrder);
    // Entry offsets are 32-bit and signed, as in every directory the library reads.
    if (std::uint64_t{at} + 2 + std::uint64_t{RawEntry::kSize} * static_cast<std::uint32_t>(count) > INT32_MAX) {
        return -1;
    }
    return LoadImage(image, std::uint64_t{at} + 2, count, std::int64_t{at} + 2) ? 0 : -1;
}

std::int32_t TiffIfd::LoadEntryFromMemory(const void* image, const void* rawEntry, std::int32_t entryOffset) {
    LoadEntryWithin(ByteView::Unbounded(image), ByteView::Unbounded(rawEntry), entryOffset);
    return 0;
}

bool TiffIfd::LoadImage(ByteView image, std::uint64_t table, std::int32_t count, std::int64_t firstEntryOffset) {
    Clear();
    bool intact = true;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t at = table + RawEntry::kSize * static_cast<std::uint64_t>(i);
        // Entries past the end of the image are refused without being looked at.
        if (!image.within(at, RawEntry::kSize)) return false;
        const std::int64_t entryOffset = firstEntryOffset + std::int64_t{RawEntry::kSize} * i;
        intact &= LoadEntryWithin(image, image.Part(at, RawEntry::kSize), static_cast<std::int32_t>(entryOffset));
    }
    return intact;
}

bool TiffIfd::LoadEntryWithin(ByteView image, ByteView rawEntry, std::int32_t entryOffset) {
    const std::optional<RawEntry> entry = DecodeEntry(rawEntry, kHostOrder);
    if (!entry) return false;
    const auto size = static_cast<std::uint64_t>(TypeSize(entry->type, entry->count));
    if (!IsInline(size) && !image.within(entry->field, size)) return false;
    // As when reading a file, an entry that will not be filed (a number the
    // dictionary does not know, a name already filed) has its values left unread.
    std::unique_ptr<TiffTag> tag = NewEntryTag(*entry, entryOffset);
    if (!tag) return true;
    // Kept as it stands, even when the field holds inline values.
    tag->valueOffset = entry->field;
    if (!DecodeValues(IsInline(size) ? entry->fieldBytes : image.Part(entry->field, size), kHostOrder, *tag)) {
        return false;
    }
    FileDescribed(std::move(tag));
    return true;
}

std::int32_t TiffIfd::ReadValuesFromMemory(const void* data, TiffTag& tag) {
    tag.values.clear();
    tag.valueText.clear();
    DecodeValues(ByteView::Unbounded(data), kHostOrder, tag);
    return static_cast<std::int32_t>(tag.count) < 0 ? 0 : static_cast<std::int32_t>(TypeSize(tag.type, tag.count));
}

std::int32_t TiffIfd::MemoryImageSize(std::int32_t* entryBytes, std::int32_t* dataBytes) const {
    const std::int64_t entries = std::int64_t{RawEntry::kSize} * TagCount();
    const std::int64_t data = BlockBytes();
    // The image is one block whose offsets are 32-bit: both parts together
    // must fit, or a caller adding them would get a wrapped size. A refused
    // image needs no room: a caller allocating from the sizes asks for none.
    const bool fits = entries + data <= INT32_MAX;
    if (entryBytes != nullptr) *entryBytes = fits ? static_cast<std::int32_t>(entries) : 0;
    if (dataBytes != nullptr) *dataBytes = fits ? static_cast<std::int32_t>(data) : 0;
    if (!fits) return -1;
    return TagCount();
}

std::int32_t TiffIfd::StoreToMemory(void* entries, void* data) const {
    if (MemoryImageSize(nullptr, nullptr) < 0) return -1;
    auto* raw = static_cast<std::uint8_t*>(entries);
    auto* block = static_cast<std::uint8_t*>(data);
    // Name order, as the map holds them; ForEachTag is the way to tag order.
    for (const auto& [name, tag] : tags) {
        block += StoreEntryToMemory(entries, raw, block, *tag);
        raw += RawEntry::kSize;
    }
    return TagCount();
}

std::int32_t TiffIfd::StoreEntryToMemory(void* entries, void* rawEntry, void* data, const TiffTag& tag) const {
    if (TypeSize(tag.type, tag.count) > INT32_MAX) return -1;
    auto* raw = static_cast<std::uint8_t*>(rawEntry);
    StoreOrdered16(raw, static_cast<std::uint16_t>(tag.tagNumber), kHostOrder);
    StoreOrdered16(raw + 2, static_cast<std::uint16_t>(tag.type), kHostOrder);
    StoreOrdered32(raw + 4, tag.count, kHostOrder);
    // Inline values take only their own bytes of the value field.
    if (IsInline(tag.type, tag.count)) {
        StoreValuesToMemory(raw + 8, tag);
        return 0;
    }
    const auto offset = static_cast<std::uint8_t*>(data) - static_cast<std::uint8_t*>(entries);
    StoreOrdered32(raw + 8, static_cast<std::uint32_t>(offset), kHostOrder);
    return StoreValuesToMemory(data, tag);
}

std::int32_t TiffIfd::StoreValuesToMemory(void* destination, const TiffTag& tag) {
    if (TypeSize(tag.type, tag.count) > INT32_MAX) return -1;
    auto* out = static_cast<std::uint8_t*>(destination);
    // Items a tag lacks are stored as 0: the field takes its full size, so the
    // blocks land where MemoryImageSize planned them.
    return static_cast<std::int32_t>(ForEachStoredItem(tag, [&out](std::uint32_t width, std::uint32_t item) {
        if (width == 1) *out = static_cast<std::uint8_t>(item);
        else if (width == 2) StoreOrdered16(out, static_cast<std::uint16_t>(item), kHostOrder);
        else StoreOrdered32(out, item, kHostOrder);
        out += width;
    }));
}

std::int32_t TiffIfd::ForEachTag(TagVisitor visitor, std::uint32_t user) const {
    for (TiffTag* tag : InTagOrder()) {
        if (visitor(tag, user) == 0) break;
    }
    return 1;
}

bool TiffIfd::HasTag(const char* name) const { return tags.contains(name); }

std::int32_t TiffIfd::TagCount() const { return static_cast<std::int32_t>(tags.size()); }

std::int32_t TiffIfd::GetMake(char* buffer, std::int32_t length) const {
    const TiffTag* make = FindTag("Make");
    if (make == nullptr) return 0;
    // Cut to the buffer and always terminated; a buffer of no size gets nothing.
    if (length >= 1) {
        std::strncpy(buffer, make->valueText.c_str(), static_cast<std::size_t>(length));
        buffer[length - 1] = '\0';
    }
    return static_cast<std::int32_t>(make->valueText.size());
}
