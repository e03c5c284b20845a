#include "tiff/tag_values.h"

#include <stdexcept>

#include "platform/win32.h"
#include "tiff/byte_order.h"

namespace {

void AppendText(TiffTag& tag, const char* format, std::uint32_t a) {
    char piece[32];
    wsprintfA(piece, format, a);
    tag.valueText += piece;
}

void AppendText(TiffTag& tag, const char* format, std::uint32_t a, std::uint32_t b) {
    char piece[32];
    wsprintfA(piece, format, a, b);
    tag.valueText += piece;
}

// One value of a numeric type (a numerator and denominator pair for the
// rational types); returns the bytes it took.
std::uint32_t ReadOneValue(TiffTag& tag, const std::uint8_t* bytes, bool littleEndian) {
    switch (tag.type) {
        case kTypeByte:
            tag.values.push_back(bytes[0]);
            AppendText(tag, " %u", bytes[0]);
            return 1;
        case kTypeShort: {
            const std::uint32_t value = LoadOrdered16(bytes, littleEndian);
            tag.values.push_back(value);
            AppendText(tag, " %u", value);
            return 2;
        }
        case kTypeLong:
        case kTypeSLong: {
            const std::uint32_t value = LoadOrdered32(bytes, littleEndian);
            tag.values.push_back(value);
            AppendText(tag, tag.type == kTypeLong ? " %u" : " %d", value);
            return 4;
        }
        case kTypeRational:
        case kTypeSRational: {
            const std::uint32_t numerator = LoadOrdered32(bytes, littleEndian);
            const std::uint32_t denominator = LoadOrdered32(bytes + 4, littleEndian);
            tag.values.push_back(numerator);
            tag.values.push_back(denominator);
            AppendText(tag, tag.type == kTypeRational ? " %u/%u" : " %d/%d", numerator, denominator);
            return 8;
        }
        default: return 0;
    }
}

void DecodeAscii(TiffTag& tag, const std::uint8_t* bytes, std::int32_t count) {
    tag.values.insert(tag.values.end(), bytes, bytes + count);
    // Always terminated; a second 0 unless the text brought its own.
    tag.values.push_back(0);
    if (count == 0 || bytes[count - 1] != 0) tag.values.push_back(0);
    std::int32_t length = 0;
    while (length < count && bytes[length] != 0) ++length;
    tag.valueText = std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

void DecodeUndefined(TiffTag& tag, const std::uint8_t* bytes, std::int32_t count) {
    tag.values.insert(tag.values.end(), bytes, bytes + count);
    tag.values.push_back(0);
    tag.valueText = "0x: ";
    tag.valueText.reserve(4 + 3 * tag.values.size());
    for (const std::uint32_t item : tag.values) AppendText(tag, "%02x ", item);
}

// A count of 2^31 or more, taken as signed, reads nothing.
std::int32_t DecodedCount(const TiffTag& tag) {
    return static_cast<std::int32_t>(tag.count) < 0 ? 0 : static_cast<std::int32_t>(tag.count);
}

// The items decoding appends: a text's one or two terminating zeros and a
// block's one are counted, and two items for each rational.
std::uint64_t ItemsDecoded(std::uint32_t type, std::int32_t count) {
    const auto n = static_cast<std::uint64_t>(count);
    switch (type) {
        case kTypeAscii: return n + 2;
        case kTypeUndefined: return n + 1;
        case kTypeRational:
        case kTypeSRational: return 2 * n;
        default: return TypeUnitSize(type) == 0 ? 0 : n;
    }
}

void RefuseUnholdableCount(const TiffTag& tag) {
    if (ItemsDecoded(tag.type, DecodedCount(tag)) > tag.values.max_size() - tag.values.size()) {
        throw std::length_error("more values than a list can hold");
    }
}

}  // namespace

void DecodeValues(TiffTag& tag, const std::uint8_t* bytes, bool littleEndian) {
    RefuseUnholdableCount(tag);
    const std::int32_t count = DecodedCount(tag);
    switch (tag.type) {
        case kTypeAscii: DecodeAscii(tag, bytes, count); return;
        case kTypeUndefined: DecodeUndefined(tag, bytes, count); return;
        default:
            if (TypeUnitSize(tag.type) == 0) return;  // a type without a reader
            for (std::int32_t i = 0; i < count; ++i) bytes += ReadOneValue(tag, bytes, littleEndian);
    }
}
