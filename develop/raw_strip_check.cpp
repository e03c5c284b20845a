#include "develop/raw_strip_check.h"

#include <algorithm>

#include "develop/dib.h"
#include "develop/packed_raw.h"
#include "develop/raw_decoder.h"
#include "platform/limits.h"

RawStripCheck CheckRawStrip(const RawStrip& strip) {
    RawStripCheck check;
    check.width = strip.width;
    check.height = strip.height;
    if (check.height == 0) return check;
    check.rowBytes = PackedRowBytes(check.width);
    if (!strip.fileBytes) {
        check.verdict = RawStripVerdict::kSizeUnknown;
        return check;
    }
    const std::uint64_t fileBytes = *strip.fileBytes;
    if (!FileJustifiesPicture(fileBytes, check.width, check.height)) {
        check.verdict = RawStripVerdict::kLargerThanFile;
        return check;
    }
    check.dibBytes = static_cast<std::uint64_t>(DibBytes(check.width, check.height, 24));
    if (check.width > kLargestPictureSide || check.height > kLargestPictureSide || check.dibBytes > kLargestDibBytes) {
        check.verdict = RawStripVerdict::kTooLargeForMemory;
        return check;
    }
    if (check.width == 0) return check;  // rows of no pixels: nothing of the strip is read
    const std::uint32_t offset = strip.stripOffset;
    check.outOfReach = offset > kLargestFileOffset && offset < fileBytes;
    const std::uint64_t held = !check.outOfReach && offset < fileBytes ? fileBytes - offset : 0;
    check.rowsPresent = static_cast<std::uint32_t>(std::min<std::uint64_t>(held / check.rowBytes, check.height));
    check.verdict = check.rowsPresent == check.height ? RawStripVerdict::kIntact : RawStripVerdict::kCutShort;
    return check;
}
