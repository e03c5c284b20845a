#include "tests/support/memory_image.h"

#include <gtest/gtest.h>

std::vector<Entry> Contents(const TiffIfd& ifd) {
    std::vector<Entry> entries;
    for (const auto& [name, tag] : ifd.Tags()) {
        entries.emplace_back(name, tag->type, tag->count, tag->values, tag->valueText);
    }
    return entries;
}

std::vector<std::uint8_t> Image(const TiffIfd& ifd, std::int32_t* count) {
    std::int32_t entryBytes = 0, dataBytes = 0;
    const std::int32_t n = ifd.MemoryImageSize(&entryBytes, &dataBytes);
    EXPECT_GE(n, 0) << "a directory too large for a memory image";
    // Added in 64 bits: two sizes each below 2^31 can still pass it together.
    std::vector<std::uint8_t> image(static_cast<std::size_t>(std::int64_t{entryBytes} + dataBytes));
    EXPECT_EQ(ifd.StoreToMemory(image.data(), image.data() + entryBytes), n);
    if (count != nullptr) *count = n;
    return image;
}

void ExpectRoundTrip(const TiffIfd& ifd) {
    std::int32_t count = 0;
    const auto image = Image(ifd, &count);
    TiffIfd loaded;
    EXPECT_EQ(loaded.LoadFromMemory(image.data(), count, image.size()), 0);
    EXPECT_EQ(Contents(loaded), Contents(ifd));
}

std::vector<std::string> Names(const TiffIfd& ifd) {
    std::vector<std::string> names;
    for (const auto& [name, tag] : ifd.Tags()) names.push_back(name);
    return names;
}
