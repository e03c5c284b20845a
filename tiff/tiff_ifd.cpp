// The directory container and the reading of its entries from a file.
#include "tiff/tiff_ifd.h"

#include <algorithm>
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

bool TiffIfd::File(std::unique_ptr<TiffTag> tag) {
    return tags.try_emplace(tag->name, std::move(tag)).second;
}

std::int32_t TiffIfd::ReadEntry(std::int32_t entryOffset) {
    // An entry is filed only when all of it lies inside the file: its 12 bytes
    // and every byte of its values. An entry that will not be filed (a number
    // the dictionary does not know, a name already filed) has its values left
    // unread, so a directory costs at most one read of each filed entry.
    std::uint8_t entry[12];
    if (Seek(entryOffset) == INVALID_SET_FILE_POINTER || ReadBytes(entry, sizeof entry) < sizeof entry) return 0;
    auto tag = std::make_unique<TiffTag>();
    tag->entryOffset = entryOffset;
    tag->tagNumber = Decode16(entry);
    TagName(tag->tagNumber, tag->name);
    if (tag->name.empty() || tags.contains(tag->name)) return 0;
    TagDescription(tag->name, tag->description);
    tag->type = Decode16(entry + 2);
    tag->count = Decode32(entry + 4);
    if (IsInline(tag->type, tag->count)) {
        tag->valueOffset = 0;
        DecodeValues(*tag, entry + 8, IsLittleEndian());
    } else {
        tag->valueOffset = Decode32(entry + 8);
        // Offsets of 2^31 and more lie beyond what the stream can reach.
        if (static_cast<std::int32_t>(tag->valueOffset) < 0 ||
            Seek(static_cast<std::int32_t>(tag->valueOffset)) == INVALID_SET_FILE_POINTER) {
            return 0;
        }
        if (!ReadValues(*tag)) return 0;
    }
    DescribeValue(*tag);
    File(std::move(tag));
    return 0;
}

bool TiffIfd::ReadValues(TiffTag& tag) {
    const std::int64_t size = TypeSize(tag.type, tag.count);
    if (size > INT32_MAX) return false;
    // Read in pieces, so that memory grows only with bytes the file really holds.
    constexpr std::uint32_t kPiece = 1u << 20;
    std::vector<std::uint8_t> bytes;
    for (std::int64_t have = 0; have < size;) {
        const auto want = static_cast<std::uint32_t>(std::min<std::int64_t>(kPiece, size - have));
        bytes.resize(static_cast<std::size_t>(have) + want);
        if (ReadBytes(bytes.data() + have, want) < want) return false;
        have += want;
    }
    DecodeValues(tag, bytes.data(), IsLittleEndian());
    return true;
}
