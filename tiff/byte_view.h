// A run of bytes in memory with its length, through which the library reads
// bytes it holds in memory: a directory's entry table, a value block, a
// memory image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteView {
public:
    ByteView() = default;
    ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteView(const std::vector<std::uint8_t>& bytes) : ByteView(bytes.data(), bytes.size()) {}

    // Bytes a caller vouches for without giving their length. The view reaches
    // to the end of the address space, so an offset still cannot wrap a pointer
    // around it.
    static ByteView Unbounded(const void* data);

    // True when the `size` bytes from `offset` lie inside the view. Formed in
    // 64 bits without a sum, so no offset or size can wrap into a small one.
    bool within(std::uint64_t offset, std::uint64_t size) const { return offset <= size_ && size <= size_ - offset; }

    // The `size` bytes from `offset`; an empty view when they are not within.
    ByteView Part(std::uint64_t offset, std::uint64_t size) const {
        return within(offset, size) ? ByteView(data_ + offset, static_cast<std::size_t>(size)) : ByteView();
    }

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

inline ByteView ByteView::Unbounded(const void* data) {
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t toEnd = address == 0 ? 0 : UINTPTR_MAX - address + 1;
    return ByteView(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(toEnd));
}
