#include "develop/global_block.h"

#include <algorithm>
#include <utility>

GlobalBlock::GlobalBlock(std::size_t bytes)
    : handle_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<std::size_t>(bytes, 1))), data_(GlobalLock(handle_)) {}

GlobalBlock GlobalBlock::Adopt(void* locked) { return {locked != nullptr ? GlobalHandle(locked) : nullptr, locked}; }

GlobalBlock::~GlobalBlock() {
    if (data_ != nullptr) GlobalUnlock(handle_);
    if (handle_ != nullptr) GlobalFree(handle_);
}

GlobalBlock::GlobalBlock(GlobalBlock&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), data_(std::exchange(other.data_, nullptr)) {}

void* GlobalBlock::Release() {
    if (data_ == nullptr) return nullptr;
    handle_ = nullptr;
    return std::exchange(data_, nullptr);
}
