// The bounded memory-image loader on a damaged image, then store and load
// again: the second load must give what the first did. The same bytes also
// as a whole file whose directory lies at the count's value.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "tiff/byte_order.h"
#include "tiff/tiff_ifd.h"

namespace {

// The blocks were stored back to back from the data area on, each where its
// entry says, and the last ends where the image does: the size reported is
// the size stored.
void CheckStoredSize(const std::vector<std::uint8_t>& stored, std::int32_t n, std::int32_t entryBytes) {
    std::uint64_t end = static_cast<std::uint64_t>(entryBytes);
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t* raw = stored.data() + RawEntry::kSize * static_cast<std::size_t>(i);
        const std::int64_t size = TypeSize(LoadOrdered16(raw + 2, true), LoadOrdered32(raw + 4, true));
        if (size <= 4) continue;
        FUZZ_CHECK(LoadOrdered32(raw + 8, true) == end);
        end += static_cast<std::uint64_t>(size);
    }
    FUZZ_CHECK(end == stored.size());
}

}  // namespace

// Input: a 16-bit little-endian entry count, then the image.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::int32_t count = data[0] | (data[1] << 8);
    // The image in a block of its own size, so that any read past it is seen.
    const std::vector<std::uint8_t> image(data + 2, data + size);

    TiffIfd loaded;
    const std::int32_t result = loaded.LoadFromMemory(image.data(), count, image.size());
    FUZZ_CHECK(result == 0 || result == -1);
    CheckDirectory(loaded);

    std::int32_t entryBytes = -1;
    std::int32_t dataBytes = -1;
    const std::int32_t n = loaded.MemoryImageSize(&entryBytes, &dataBytes);
    FUZZ_CHECK(n == loaded.TagCount() && entryBytes == std::int32_t{RawEntry::kSize} * n && dataBytes >= 0);
    // What was loaded came out of the image, so storing it cannot take more.
    FUZZ_CHECK(std::uint64_t(dataBytes) <= image.size() * std::uint64_t(n));
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(entryBytes) + static_cast<std::size_t>(dataBytes));
    FUZZ_CHECK(loaded.StoreToMemory(stored.data(), stored.data() + entryBytes) == n);
    CheckStoredSize(stored, n, entryBytes);

    TiffIfd again;
    FUZZ_CHECK(again.LoadFromMemory(stored.data(), n, stored.size()) == 0);
    FUZZ_CHECK(SameEntries(loaded, again));

    // The same bytes as a whole file whose directory lies where the count says.
    TiffIfd inFile;
    const std::int32_t fileResult =
        inFile.LoadFromFileImage(image.data(), image.size(), static_cast<std::uint32_t>(count));
    FUZZ_CHECK(fileResult == 0 || fileResult == -1);
    CheckDirectory(inFile);
    return 0;
}
