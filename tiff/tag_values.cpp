// Reading an entry's values into its value list and value text, from the
// file or from memory.
#include <algorithm>
#include <stdexcept>

#include "platform/win32.h"
#include "tiff/tiff_ifd.h"

namespace {

void AppendText(TiffTag& tag, const char* format, std::uint32_t a, std::uint32_t b = 0) {
    char piece[32];
    wsprintfA(piece, format, a, b);
    tag.valueText += piece;
}

void AppendAscii(TiffTag& tag, ByteView bytes) {
    tag.values.insert(tag.values.end(), bytes.data(), bytes.data() + bytes.size());
    // Always terminated; a second 0 unless the text brought its own.
    tag.values.push_back(0);
    if (bytes.size() == 0 || bytes.data()[bytes.size() - 1] != 0) tag.values.push_back(0);
    // The text is the list's characters from its start up to the first 0.
    const auto end = std::find(tag.values.begin(), tag.values.end(), 0u);
    tag.valueText.clear();
    for (auto item = tag.values.begin(); item != end; ++item) tag.valueText += static_cast<char>(*item);
}

void AppendUndefined(TiffTag& tag, ByteView bytes, const char* format) {
    tag.values.insert(tag.values.end(), bytes.data(), bytes.data() + bytes.size());
    tag.values.push_back(0);
    tag.valueText = "0x: ";
    tag.valueText.reserve(4 + 3 * tag.values.size());
    for (const std::uint32_t item : tag.values) AppendText(tag, format, item);
}

// A count of 2^31 or more, taken as signed, reads nothing.
std::uint32_t CountRead(const TiffTag& tag) {
    return static_cast<std::int32_t>(tag.count) < 0 ? 0 : tag.count;
}

// The items reading appends: two for each rational, and a text's one or two
// terminating zeros and a block's one.
std::uint64_t ItemsRead(const TypeFacts& facts, std::uint32_t count) {
    switch (facts.kind) {
        case TypeKind::kNumber: return std::uint64_t{count} * facts.itemsPerValue;
        case TypeKind::kText: return std::uint64_t{count} + 2;
        case TypeKind::kBytes: return std::uint64_t{count} + 1;
        case TypeKind::kNone: return 0;
    }
    return 0;
}

void RefuseUnholdableCount(const TiffTag& tag, const TypeFacts& facts, std::uint32_t count) {
    if (ItemsRead(facts, count) > tag.values.max_size() - tag.values.size()) {
        throw std::length_error("more values than a list can hold");
    }
}

}  // namespace

std::int32_t TiffIfd::ReadValues(TiffTag& tag) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    const std::uint32_t count = CountRead(tag);
    // All the values' bytes are taken first, so that values cut short are
    // never read and a long run of numbers costs one read of the file.
    std::vector<std::uint8_t> storage;
    ByteView bytes;
    if (!TakeBytes(static_cast<std::uint64_t>(TypeSize(tag.type, count)), storage, bytes)) return 0;
    // Only values that are there can be too many for the list: values
    // outside the file leave the tag as it was, like any others.
    RefuseUnholdableCount(tag, facts, count);
    switch (facts.kind) {
        case TypeKind::kNumber: {
            const HeldInput held(*this, bytes);
            for (std::uint32_t i = 0; i < count; ++i) ReadOneValue(tag);
            break;
        }
        case TypeKind::kText: AppendAscii(tag, bytes); break;
        case TypeKind::kBytes: AppendUndefined(tag, bytes, facts.format); break;
        case TypeKind::kNone: break;
    }
    return 0;
}

void TiffIfd::ReadOneValue(TiffTag& tag) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    if (facts.kind != TypeKind::kNumber) return;
    std::uint32_t items[2] = {};
    for (std::uint32_t k = 0; k < facts.itemsPerValue; ++k) {
        items[k] = facts.itemBytes == 1 ? Read8() : facts.itemBytes == 2 ? Read16() : Read32();
        tag.values.push_back(items[k]);
    }
    AppendText(tag, facts.format, items[0], items[1]);
}

void TiffIfd::ReadValuesFromView(ByteView bytes, TiffTag& tag) {
    tag.values.clear();
    tag.valueText.clear();
    // A directory of its own reads them: a new one reads little-endian, in
    // the host's order, whatever the order of the directory asking.
    TiffIfd reader;
    const HeldInput held(reader, bytes);
    reader.ReadValues(tag);
}

std::int32_t TiffIfd::ReadValuesFromMemory(const void* data, TiffTag& tag) {
    ReadValuesFromView(ByteView::Unbounded(data), tag);
    return static_cast<std::int32_t>(tag.count) < 0 ? 0 : static_cast<std::int32_t>(TypeSize(tag.type, tag.count));
}
