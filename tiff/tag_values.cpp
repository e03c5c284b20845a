// Reading an entry's values into its value list and value text, from the
// file or from memory.
#include "tiff/tag_values.h"

#include <algorithm>

#include "platform/win32.h"
#include "tiff/byte_order.h"
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

// The text piece of each byte value in `format`, formatted once: a block of
// megabytes is then shown without a formatting call per byte.
struct BytePieces {
    explicit BytePieces(const char* format) {
        for (std::uint32_t value = 0; value < 256; ++value) {
            char piece[32];
            wsprintfA(piece, format, value);
            pieces[value] = piece;
        }
    }
    std::string pieces[256];
};

void AppendUndefined(TiffTag& tag, ByteView bytes, const char* format) {
    static const BytePieces kPieces(format);  // the one format blocks are shown in
    tag.values.insert(tag.values.end(), bytes.data(), bytes.data() + bytes.size());
    tag.values.push_back(0);
    tag.valueText = "0x: ";
    tag.valueText.reserve(4 + 3 * tag.values.size());
    for (const std::uint32_t item : tag.values) tag.valueText += kPieces.pieces[item];
}

// A count of 2^31 or more, taken as signed, reads nothing.
std::uint32_t CountRead(const TiffTag& tag) { return static_cast<std::int32_t>(tag.count) < 0 ? 0 : tag.count; }

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

bool Holdable(const TiffTag& tag, const TypeFacts& facts, std::uint32_t count) {
    return ItemsRead(facts, count) <= tag.values.max_size() - tag.values.size();
}

// The longest text piece an item gives: a space and a signed 32-bit number
// for the numbers, two digits and a space for a block's bytes.
constexpr std::uint64_t kNumberTextBytes = 12;
constexpr std::uint64_t kByteTextBytes = 3;

}  // namespace

bool DecodeValues(ByteView bytes, bool littleEndian, TiffTag& tag) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    const std::uint32_t count = CountRead(tag);
    const auto size = static_cast<std::uint64_t>(TypeSize(tag.type, count));
    if (!bytes.within(0, size)) return false;
    // Only values that are there can be too many for the list: values
    // outside leave the tag as it was, like any others.
    if (!Holdable(tag, facts, count)) return false;
    // Room for every item at once: a list grown item by item could take up
    // to twice what the value budget counts.
    tag.values.reserve(tag.values.size() + static_cast<std::size_t>(ItemsRead(facts, count)));
    switch (facts.kind) {
        case TypeKind::kNumber:
            for (std::uint32_t i = 0; i < count; ++i) {
                DecodeOneValue(bytes.Part(std::uint64_t{i} * facts.UnitBytes(), facts.UnitBytes()), littleEndian, tag);
            }
            break;
        case TypeKind::kText: AppendAscii(tag, bytes.Part(0, size)); break;
        case TypeKind::kBytes: AppendUndefined(tag, bytes.Part(0, size), facts.format); break;
        case TypeKind::kNone: break;
    }
    return true;
}

std::uint64_t HeldBytes(std::uint32_t type, std::uint32_t count) {
    const TypeFacts& facts = TypeFactsOf(type);
    const std::uint64_t items = ItemsRead(facts, static_cast<std::int32_t>(count) < 0 ? 0 : count);
    const std::uint64_t text = facts.kind == TypeKind::kNumber  ? items * kNumberTextBytes
                               : facts.kind == TypeKind::kBytes ? 4 + items * kByteTextBytes
                                                                : items;
    return items * sizeof(std::uint32_t) + text;
}

void DecodeOneValue(ByteView bytes, bool littleEndian, TiffTag& tag) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    if (facts.kind != TypeKind::kNumber || !bytes.within(0, facts.UnitBytes())) return;
    std::uint32_t items[2] = {};
    for (std::uint32_t k = 0; k < facts.itemsPerValue; ++k) {
        const std::uint8_t* item = bytes.data() + k * facts.itemBytes;
        items[k] = facts.itemBytes == 1   ? item[0]
                   : facts.itemBytes == 2 ? LoadOrdered16(item, littleEndian)
                                          : LoadOrdered32(item, littleEndian);
        tag.values.push_back(items[k]);
    }
    AppendText(tag, facts.format, items[0], items[1]);
}

std::int32_t TiffIfd::ReadValues(TiffTag& tag) {
    // All the values' bytes are taken first, so that values cut short are
    // never read and a long run of numbers costs one read of the file.
    std::vector<std::uint8_t> storage;
    ByteView bytes;
    if (TakeBytes(static_cast<std::uint64_t>(TypeSize(tag.type, CountRead(tag))), storage, bytes)) {
        DecodeValues(bytes, IsLittleEndian(), tag);
    }
    return 0;
}

void TiffIfd::ReadOneValue(TiffTag& tag) {
    const TypeFacts& facts = TypeFactsOf(tag.type);
    if (facts.kind != TypeKind::kNumber) return;
    std::uint8_t bytes[8];
    const std::uint32_t size = facts.UnitBytes();
    ReadBytes(bytes, size);  // bytes past the end of the file read as 0
    DecodeOneValue(ByteView(bytes, size), IsLittleEndian(), tag);
}
