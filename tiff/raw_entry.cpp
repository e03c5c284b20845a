#include "tiff/raw_entry.h"

#include "tiff/byte_order.h"

std::optional<RawEntry> DecodeEntry(ByteView bytes, bool littleEndian) {
    if (!bytes.within(0, RawEntry::kSize)) return std::nullopt;
    const std::uint8_t* b = bytes.data();
    RawEntry entry;
    entry.tagNumber = LoadOrdered16(b, littleEndian);
    entry.type = LoadOrdered16(b + 2, littleEndian);
    entry.count = LoadOrdered32(b + 4, littleEndian);
    entry.field = LoadOrdered32(b + 8, littleEndian);
    entry.fieldBytes = bytes.Part(8, RawEntry::kFieldBytes);
    return entry;
}
