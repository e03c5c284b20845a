// Limits every layer shares.
#pragma once

#include <cstdint>

// The largest offset a file position reaches: positions are 32-bit signed
// numbers (SetFilePointer without its high word), so nothing from 2^31 on is
// read, and nothing written is allowed to grow beyond it.
constexpr std::uint32_t kLargestFileOffset = 0x7FFFFFFF;

// The largest side of a picture: bitmap headers and the host's calls hold a
// width and a height as 32-bit signed numbers, so a side from 2^31 on would
// read as negative.
constexpr std::uint32_t kLargestPictureSide = 0x7FFFFFFF;

// The memory the values and value texts of one directory read from a file may
// take (each of a file's two directories has its own). A camera writes a few
// dozen entries of a few values each, the largest a block of camera notes or
// a long text; this leaves room for far more while a damaged count can cost
// neither gigabytes nor minutes. Entries beyond it are dropped.
constexpr std::uint64_t kDirectoryValueBudget = std::uint64_t{16} << 20;
