#include "tiff/raw_strip_check.h"

#include <algorithm>

#include "develop/packed_raw.h"

namespace {

constexpr std::uint64_t kDibHeaderBytes = 40;
constexpr std::uint64_t kLargestOffset = 0x7FFFFFFF;

// A 24-bit DIB: the header, then rows padded to whole 32-bit words.
std::uint64_t DibBytes(std::uint64_t width, std::uint64_t height) {
    return kDibHeaderBytes + (width * 24 + 31) / 32 * 4 * height;
}

}  // namespace

RawStripCheck CheckRawStrip(const ErfFile& erf, std::uint64_t fileBytes) {
    RawStripCheck check;
    std::uint32_t stripOffset = 0;
    erf.QueryRawImageTags(nullptr, &check.width, &check.height, &stripOffset, nullptr);
    if (check.width == 0 || check.height == 0) return check;
    check.rowBytes = PackedRowBytes(check.width);
    if (std::uint64_t{check.width} * check.height > kPixelsPerFileByte * fileBytes) {
        check.verdict = RawStripVerdict::kLargerThanFile;
        return check;
    }
    check.dibBytes = DibBytes(check.width, check.height);
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
