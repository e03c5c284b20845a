#include "tiff/raw_strip_check.h"

#include <algorithm>

#include "develop/packed_raw.h"

namespace {

constexpr std::uint64_t kLargestOffset = 0x7FFFFFFF;

}  // namespace

RawStripCheck CheckRawStrip(const ErfFile& erf, std::uint64_t fileBytes) {
    RawStripCheck check;
    std::uint32_t stripOffset = 0;
    erf.QueryRawImageTags(nullptr, &check.width, &check.height, &stripOffset, nullptr);
    if (check.width == 0 || check.height == 0) return check;
    check.rowBytes = PackedRowBytes(check.width);
    if (!FileJustifiesPicture(fileBytes, check.width, check.height)) {
        check.verdict = RawStripVerdict::kLargerThanFile;
        return check;
    }
    check.dibBytes = static_cast<std::uint64_t>(DibBytes(check.width, check.height, 24));
    // Sides from 2^31 on read as negative sizes, which no block can hold.
    if (check.width > kLargestOffset || check.height > kLargestOffset || check.dibBytes > kLargestDibBytes) {
        check.verdict = RawStripVerdict::kTooLargeForMemory;
        return check;
    }
    const std::uint64_t held = stripOffset <= kLargestOffset && stripOffset < fileBytes ? fileBytes - stripOffset : 0;
    check.rowsPresent = static_cast<std::uint32_t>(std::min<std::uint64_t>(held / check.rowBytes, check.height));
    check.verdict = check.rowsPresent == check.height ? RawStripVerdict::kIntact : RawStripVerdict::kCutShort;
    return check;
}
