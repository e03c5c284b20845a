// TIFF bytes for tests, built in either byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends numbers in a chosen byte order; Put* write at a given position.
class ByteBuilder {
public:
    explicit ByteBuilder(bool littleEndian = true) : little_(littleEndian) {}

    ByteBuilder& U8(std::uint32_t value);
    ByteBuilder& U16(std::uint32_t value);
    ByteBuilder& U32(std::uint32_t value);
    ByteBuilder& Bytes(const std::vector<std::uint8_t>& bytes);
    ByteBuilder& Text(const std::string& text);  // without the NUL
    ByteBuilder& PadTo(std::size_t size);
    void Put32(std::size_t position, std::uint32_t value);

    // The 8-byte header ("II" or "MM", 42, IFD0's offset).
    ByteBuilder& Header(std::uint32_t ifd0Offset);
    // One 12-byte entry; `field` holds the value field's four bytes as a number.
    ByteBuilder& Entry(std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t field);
    // An entry whose value field holds the bytes given, left-justified.
    ByteBuilder& InlineEntry(std::uint32_t tag, std::uint32_t type, std::uint32_t count,
                             const std::vector<std::uint8_t>& field);

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    bool little_;
    std::vector<std::uint8_t> bytes_;
};
