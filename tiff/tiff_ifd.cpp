// The directory container and the reading of its entries from a file.
#include "tiff/tiff_ifd.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "tiff/tag_values.h"

TiffIfd::~TiffIfd() { Clear(); }

void TiffIfd::Clear() { tags.clear(); }

TiffTag* TiffIfd::FindTag(const char* name) const {
    const auto found = tags.find(name);
    return found != tags.end() ? found->second.get() : nullptr;
}

std::uint32_t TiffIfd::FirstValue(const char* name) const {
    const TiffTag* tag = FindTag(name);
    return tag != nullptr && !tag->values.empty() ? tag->values.front() : 0;
}

TiffTag* TiffIfd::FindTagByNumber(std::uint32_t number) const {
    for (const auto& [name, tag] : tags) {
        if (tag->tagNumber == number) return tag.get();
    }
    return nullptr;
}

std::vector<TiffTag*> TiffIfd::InTagOrder() const {
    std::vector<TiffTag*> sorted;
    sorted.reserve(tags.size());
    for (const auto& [name, tag] : tags) sorted.push_back(tag.get());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TiffTag* a, const TiffTag* b) { return a->tagNumber < b->tagNumber; });
    return sorted;
}

std::int64_t TiffIfd::BlockBytes() const {
    std::int64_t bytes = 0;
    for (const auto& [name, tag] : tags) {
        if (!IsInline(tag->type, tag->count)) bytes += TypeSize(tag->type, tag->count);
    }
    return bytes;
}

bool TiffIfd::File(std::unique_ptr<TiffTag> tag) { return tags.try_emplace(tag->name, std::move(tag)).second; }

std::unique_ptr<TiffTag> TiffIfd::NewEntryTag(const RawEntry& entry, std::int32_t entryOffset) {
    auto tag = std::make_unique<TiffTag>();
    tag->entryOffset = entryOffset;
    tag->tagNumber = entry.tagNumber;
    TagName(tag->tagNumber, tag->name);
    if (tag->name.empty() || tags.contains(tag->name)) return nullptr;
    TagDescription(tag->name, tag->description);
    tag->type = entry.type;
    tag->count = entry.count;
    return tag;
}

void TiffIfd::FileDescribed(std::unique_ptr<TiffTag> tag) {
    DescribeValue(*tag);
    File(std::move(tag));
}

std::int32_t TiffIfd::ReadEntry(std::int32_t entryOffset) {
    std::uint8_t entry[RawEntry::kSize];
    if (Seek(entryOffset) == INVALID_SET_FILE_POINTER) return 0;
    ReadEntryFrom(ByteView(entry, ReadBytes(entry, sizeof entry)), entryOffset);
    return 0;
}

void TiffIfd::ReadEntryFrom(ByteView bytes, std::int32_t entryOffset) {
    ValueBudget own;
    ReadEntryFrom(bytes, entryOffset, own);
}

void TiffIfd::ReadEntryFrom(ByteView bytes, std::int32_t entryOffset, ValueBudget& budget) {
    const std::optional<RawEntry> entry = DecodeEntry(bytes, IsLittleEndian());
    if (!entry) return;
    // An entry that will not be filed has its values left unread, so a
    // directory costs at most one read of each filed entry's block.
    std::unique_ptr<TiffTag> tag = NewEntryTag(*entry, entryOffset);
    const std::uint64_t held = HeldBytes(entry->type, entry->count);
    if (!tag || !budget.Fits(held)) return;
    // The values are taken whole, from the entry's own field or from their
    // block, before they are read: a block cut by the end of the file drops
    // the entry.
    std::vector<std::uint8_t> block;
    ByteView values = entry->fieldBytes;
    if (!IsInline(tag->type, tag->count)) {
        tag->valueOffset = entry->field;
        // Offsets of 2^31 and more lie beyond what the stream can reach.
        const auto offset = static_cast<std::int32_t>(entry->field);
        if (offset < 0 || Seek(offset) == INVALID_SET_FILE_POINTER ||
            !TakeBytes(static_cast<std::uint64_t>(TypeSize(tag->type, tag->count)), block, values)) {
            return;
        }
    }
    if (!DecodeValues(values, IsLittleEndian(), *tag)) return;
    budget.Take(held);
    FileDescribed(std::move(tag));
}
