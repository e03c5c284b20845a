#include "tests/support/byte_builder.h"

#include <algorithm>

ByteBuilder& ByteBuilder::U8(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

ByteBuilder& ByteBuilder::U16(std::uint32_t value) {
    if (little_) return U8(value).U8(value >> 8);
    return U8(value >> 8).U8(value);
}

ByteBuilder& ByteBuilder::U32(std::uint32_t value) {
    if (little_) return U16(value).U16(value >> 16);
    return U16(value >> 16).U16(value);
}

ByteBuilder& ByteBuilder::Bytes(const std::vector<std::uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteBuilder& ByteBuilder::Text(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
}

ByteBuilder& ByteBuilder::PadTo(std::size_t size) {
    if (bytes_.size() < size) bytes_.resize(size, 0);
    return *this;
}

void ByteBuilder::Put32(std::size_t position, std::uint32_t value) {
    ByteBuilder number(little_);
    number.U32(value);
    PadTo(position + 4);
    std::copy(number.bytes_.begin(), number.bytes_.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(position));
}

ByteBuilder& ByteBuilder::Header(std::uint32_t ifd0Offset) {
    Text(little_ ? "II" : "MM");
    return U16(42).U32(ifd0Offset);
}

ByteBuilder& ByteBuilder::Entry(std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t field) {
    return U16(tag).U16(type).U32(count).U32(field);
}

ByteBuilder& ByteBuilder::InlineEntry(std::uint32_t tag, std::uint32_t type, std::uint32_t count,
                                      const std::vector<std::uint8_t>& field) {
    U16(tag).U16(type).U32(count);
    for (std::size_t i = 0; i < 4; ++i) U8(i < field.size() ? field[i] : 0);
    return *this;
}
