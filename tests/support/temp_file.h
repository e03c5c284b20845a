// Test helpers: files with chosen bytes, and TIFF bytes built in either order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file in the temporary folder, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes = {});
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }
    std::vector<std::uint8_t> Read() const;
    void Write(const std::vector<std::uint8_t>& bytes) const;
    // Cuts or extends the file to `bytes`; an extension is a hole of zeros
    // that takes no room on the disk.
    void Resize(std::uint64_t bytes) const;

private:
    std::string path_;
};

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
