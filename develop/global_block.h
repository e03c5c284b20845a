// The one owner of a locked block of movable global memory. It keeps the
// handle as well as the locked address: a block whose lock fails must still
// be freed, and only its handle can free it.
#pragma once

#include <cstddef>

#include "platform/win32.h"

class GlobalBlock {
public:
    // A zeroed movable block of `bytes`, locked. Never of 0 bytes: Windows
    // gives a movable block of 0 bytes as a discarded handle whose lock is
    // null, so at least one byte is taken. data() is null when the memory
    // cannot be had.
    explicit GlobalBlock(std::size_t bytes);
    // Takes over a block locked elsewhere, by its locked address (null: none).
    static GlobalBlock Adopt(void* locked);
    ~GlobalBlock();

    GlobalBlock(GlobalBlock&& other) noexcept;
    GlobalBlock& operator=(GlobalBlock&&) = delete;
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    void* data() const { return data_; }
    // Hands the locked block to a caller who releases it by its address; a
    // block that is not locked stays here and is freed with the owner.
    void* Release();

private:
    GlobalBlock(HGLOBAL handle, void* data) : handle_(handle), data_(data) {}

    HGLOBAL handle_ = nullptr;
    void* data_ = nullptr;
};
