// A directory entry as its 12 bytes hold it: the same layout in a file (in
// the file's byte order) and in a memory image (in the host's).
#pragma once

#include <cstdint>
#include <optional>

#include "tiff/byte_view.h"

struct RawEntry {
    static constexpr std::uint32_t kSize = 12;
    // The value field: values of this many bytes or fewer are stored in it.
    static constexpr std::uint32_t kFieldBytes = 4;

    std::uint32_t tagNumber = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t field = 0;  // the value field as a number: the block's offset when the values do not fit in it
    ByteView fieldBytes;      // the value field's 4 bytes, which hold values of 4 bytes or less
};

// The entry that starts `bytes`; none when its 12 bytes do not lie within.
std::optional<RawEntry> DecodeEntry(ByteView bytes, bool littleEndian);
