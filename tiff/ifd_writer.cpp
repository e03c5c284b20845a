// Writing a directory to a file, patching entries in place, and editing
// entries in memory.
#include <vector>

#include "platform/limits.h"
#include "tiff/tag_items.h"
#include "tiff/tiff_ifd.h"

std::int32_t TiffIfd::WriteValues(const TiffTag& tag) {
    if (TypeSize(tag.type, tag.count) > INT32_MAX) return -1;
    const std::int64_t bytes = ForEachStoredItem(tag, [this](std::uint32_t width, std::uint32_t item) {
        if (width == 1) Write8(item);
        else if (width == 2) Write16(item);
        else Write32(item);
    });
    return static_cast<std::int32_t>(bytes);
}

std::int32_t TiffIfd::WriteIfd(std::int32_t dataStart) {
    const std::vector<TiffTag*> sorted = InTagOrder();
    const auto n = static_cast<std::int64_t>(sorted.size());
    if (n == 0) return 0;
    // Every position written must be a 32-bit offset the stream can reach:
    // the link after the entries, and the end of the last block.
    const std::int64_t link = std::int64_t{TellRelative()} + 2 + RawEntry::kSize * n;
    const std::int64_t blocks = dataStart > 0 ? dataStart : link + 4;
    if (link + 4 > kLargestFileOffset || blocks + BlockBytes() > kLargestFileOffset) return -1;
    Write16(static_cast<std::uint32_t>(n));
    const std::int64_t entries = TellRelative();
    entryTablePos = static_cast<std::int32_t>(entries);
    std::int64_t data = dataStart > 0 ? dataStart : entries + RawEntry::kSize * n + 4;
    valueAreaPos = static_cast<std::int32_t>(data);
    for (std::int64_t i = 0; i < n; ++i) {
        TiffTag& tag = *sorted[static_cast<std::size_t>(i)];
        tag.entryOffset = static_cast<std::int32_t>(entries + RawEntry::kSize * i);
        Seek(tag.entryOffset);
        Write16(tag.tagNumber);
        Write16(tag.type);
        Write32(tag.count);
        if (IsInline(tag.type, tag.count)) {
            WriteValues(tag);  // only the values' own bytes of the field are written
        } else {
            tag.valueOffset = static_cast<std::uint32_t>(data);
            Write32(tag.valueOffset);
            Seek(static_cast<std::int32_t>(data));
            data += WriteValues(tag);
        }
    }
    Seek(static_cast<std::int32_t>(entries + RawEntry::kSize * n));
    Write32(0);  // no next directory
    Seek(static_cast<std::int32_t>(data));
    return static_cast<std::int32_t>(entries + RawEntry::kSize * n);
}

std::int32_t TiffIfd::RewriteEntry(const char* name) {
    const TiffTag* tag = FindTag(name);
    return tag != nullptr ? RewriteTag(*tag) : -1;
}

std::int32_t TiffIfd::RewriteTag(const TiffTag& tag) {
    // An entry that was never placed in the file, or whose block has no
    // place, would be written over the header: refuse it. So is one whose
    // entry or block lies out of the stream's reach (a negative entry offset,
    // a block offset from 2^31 on): a refused seek would leave the writes to
    // land wherever the file pointer happened to stand. Both places are
    // checked before the first byte is written, and so are values too large
    // to write at all.
    if (TypeSize(tag.type, tag.count) > INT32_MAX) return -1;
    const bool inlineValues = IsInline(tag.type, tag.count);
    const auto block = static_cast<std::int32_t>(tag.valueOffset);
    if (tag.entryOffset == 0 || (!inlineValues && block <= 0)) return -1;
    if (!inlineValues && Seek(block) == INVALID_SET_FILE_POINTER) return -1;
    if (Seek(tag.entryOffset) == INVALID_SET_FILE_POINTER) return -1;
    Write16(tag.tagNumber);
    Write16(tag.type);
    Write32(tag.count);
    if (!inlineValues) {
        Write32(tag.valueOffset);
        Seek(block);
    }
    WriteValues(tag);
    return 0;
}

std::int32_t TiffIfd::SetValues(const char* name, std::uint32_t count, const void* data) {
    TiffTag* tag = FindTag(name);
    if (tag == nullptr) return -1;
    tag->count = count;
    ReadValuesFromMemory(data, *tag);
    return 0;
}

std::int32_t TiffIfd::SetTag(std::uint32_t tagNumber, std::uint32_t type, std::uint32_t count, const void* data) {
    std::unique_ptr<TiffTag> fresh;
    TiffTag* tag = FindTagByNumber(tagNumber);
    if (tag == nullptr) {
        fresh = std::make_unique<TiffTag>();
        tag = fresh.get();
    }
    tag->tagNumber = tagNumber;
    TagName(tagNumber, tag->name);
    TagDescription(tag->name, tag->description);
    tag->type = type;
    tag->count = count;
    tag->valueOffset = 0;
    ReadValuesFromMemory(data, *tag);
    DescribeValue(*tag);
    if (fresh) File(std::move(fresh));  // a taken name leaves the container as it was
    return 0;
}

std::int32_t TiffIfd::PutTagCopy(const TiffTag& source) {
    std::unique_ptr<TiffTag> fresh;
    TiffTag* tag = FindTagByNumber(source.tagNumber);
    if (tag == nullptr) {
        fresh = std::make_unique<TiffTag>();
        tag = fresh.get();
        tag->entryOffset = source.entryOffset;
        tag->tagNumber = source.tagNumber;
        TagName(tag->tagNumber, tag->name);
        TagDescription(tag->name, tag->description);
        tag->type = source.type;
    }
    tag->count = source.count;
    tag->valueOffset = source.valueOffset;
    if (tag != &source) tag->values = source.values;
    DescribeValue(*tag);
    if (fresh) File(std::move(fresh));
    return 0;
}

std::int32_t TiffIfd::RemoveTag(const char* name) {
    const auto found = tags.find(name);
    if (found == tags.end()) return -1;
    tags.erase(found);
    return 0;
}
