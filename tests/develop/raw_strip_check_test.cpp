#include "develop/raw_strip_check.h"

#include <gtest/gtest.h>

#include <optional>

#include "develop/packed_raw.h"

namespace {

constexpr std::uint32_t kStrip = 164;
constexpr std::uint64_t kRow25 = PackedRowBytes(25);  // 48 bytes

struct Case {
    const char* what;
    RawStrip strip;
    RawStripVerdict verdict;
    std::uint32_t rowsPresent;
    std::uint32_t rowsDelivered;
};

TEST(CheckRawStrip, JudgesTheStripAsTheDecodeMeetsIt) {
    const Case cases[] = {
        {"whole strip", {25, 7, kStrip, 0, kStrip + 7 * kRow25}, RawStripVerdict::kIntact, 7, 7},
        {"strip with bytes to spare", {25, 7, kStrip, 0, kStrip + 7 * kRow25 + 9}, RawStripVerdict::kIntact, 7, 7},
        {"cut inside row 4", {25, 7, kStrip, 0, kStrip + 4 * kRow25 + 20}, RawStripVerdict::kCutShort, 4, 7},
        {"one byte short", {25, 7, kStrip, 0, kStrip + 7 * kRow25 - 1}, RawStripVerdict::kCutShort, 6, 7},
        {"strip offset past the end", {4, 2, 100000, 0, 200}, RawStripVerdict::kCutShort, 0, 2},
        {"strip offset from 2^31 on", {4, 2, 0x80000000u, 0, 0x90000000ULL}, RawStripVerdict::kCutShort, 0, 2},
        {"width 0", {0, 2, kStrip, 0, 1000}, RawStripVerdict::kNoRawImage, 0, 2},  // rows of no pixels
        {"width 0, more rows than the file justifies", {0, 8001, kStrip, 0, 1000}, RawStripVerdict::kLargerThanFile, 0, 0},
        {"width 0, size unknown", {0, 2, kStrip, 0, std::nullopt}, RawStripVerdict::kSizeUnknown, 0, 0},
        {"height 0", {4, 0, kStrip, 0, 1000}, RawStripVerdict::kNoRawImage, 0, 0},
        {"no picture, size unknown", {0, 0, 0, 0, std::nullopt}, RawStripVerdict::kNoRawImage, 0, 0},
        {"size unknown", {25, 7, kStrip, 0, std::nullopt}, RawStripVerdict::kSizeUnknown, 0, 0},
        {"a few bytes naming a large picture",
         {100000, 100000, kStrip, 0, kStrip + 3},
         RawStripVerdict::kLargerThanFile,
         0,
         0},
        {"a DIB over 2^31 - 1 bytes", {30000, 30000, kStrip, 0, 2000000000ULL}, RawStripVerdict::kTooLargeForMemory, 0, 0},
        {"a side from 2^31 on", {0x80000000u, 1, kStrip, 0, 2000000000ULL}, RawStripVerdict::kTooLargeForMemory, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RawStripCheck check = CheckRawStrip(c.strip);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(check.rowsPresent, c.rowsPresent);
        EXPECT_EQ(check.RowsDelivered(), c.rowsDelivered);
        EXPECT_EQ(check.width, c.strip.width);
        EXPECT_EQ(check.height, c.strip.height);
        if (c.verdict != RawStripVerdict::kNoRawImage) {
            EXPECT_EQ(check.rowBytes, PackedRowBytes(c.strip.width));
        }
    }
}

// A strip wholly in the file from 3 GiB on is there but out of the module's
// reach, unlike one that starts past the file's end.
TEST(CheckRawStrip, TellsAStripOutOfReachFromOneOutsideTheFile) {
    const struct {
        std::uint32_t offset;
        std::uint64_t fileBytes;
        bool outOfReach;
    } cases[] = {
        {0xC0000000u, 0xC0001000ULL, true},
        {0xC0000000u, 0x90000000ULL, false},
        {kStrip, kStrip + 2 * PackedRowBytes(4), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        const RawStripCheck check = CheckRawStrip({4, 2, c.offset, 0, c.fileBytes});
        EXPECT_EQ(check.outOfReach, c.outOfReach);
        EXPECT_EQ(check.rowsPresent, c.outOfReach || c.fileBytes < c.offset ? 0u : 2u);
    }
}

TEST(CheckRawStrip, CountsTheDibAsTheDecodeTakesIt) {
    // 15 bytes a row padded to 16, and the 40-byte header.
    EXPECT_EQ(CheckRawStrip({5, 3, kStrip, 0, kStrip + 3 * PackedRowBytes(5)}).dibBytes, 40u + 3 * 16);
}

}  // namespace
