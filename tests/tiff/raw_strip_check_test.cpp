#include "tiff/raw_strip_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/erf_builder.h"
#include "tests/support/temp_file.h"

namespace {

struct Case {
    const char* what;
    ErfContent content;
    std::int64_t extraFileBytes;  // added to the real file's size, to reach sizes no test file should have
    RawStripVerdict verdict;
    std::uint32_t rowsPresent;
};

std::vector<std::uint8_t> Rows(std::uint32_t width, std::uint32_t rows, std::uint32_t extraBytes = 0) {
    return std::vector<std::uint8_t>(PackedRowBytes(width) * rows + extraBytes, 0x5A);
}

TEST(CheckRawStrip, JudgesTheStripAsTheDecodeMeetsIt) {
    const Case cases[] = {
        {"whole strip", {.width = 25, .height = 7, .strip = Rows(25, 7)}, 0, RawStripVerdict::kIntact, 7},
        {"strip with bytes to spare", {.width = 25, .height = 7, .strip = Rows(25, 7, 9)}, 0,
         RawStripVerdict::kIntact, 7},
        {"cut inside row 4", {.width = 25, .height = 7, .strip = Rows(25, 4, 20)}, 0, RawStripVerdict::kCutShort, 4},
        {"one byte short", {.width = 25, .height = 7, .strip = Rows(25, 7, 0)}, -1, RawStripVerdict::kCutShort, 6},
        {"strip offset past the end", {.width = 4, .height = 2, .strip = Rows(4, 2), .stripOffset = 100000}, 0,
         RawStripVerdict::kCutShort, 0},
        {"strip offset from 2^31 on", {.width = 4, .height = 2, .strip = Rows(4, 2), .stripOffset = 0x80000000u},
         0x90000000LL, RawStripVerdict::kCutShort, 0},
        {"raw directory empty", {.width = 4, .height = 2, .emptyRawIfd = true}, 0, RawStripVerdict::kNoRawImage, 0},
        {"no sub-directory", {.width = 4, .height = 2, .strip = Rows(4, 2), .subIfdCount = 0}, 0,
         RawStripVerdict::kNoRawImage, 0},
        {"height 0", {.width = 4, .height = 0}, 0, RawStripVerdict::kNoRawImage, 0},
        {"a few bytes naming a large picture", {.width = 100000, .height = 100000, .strip = {1, 2, 3}}, 0,
         RawStripVerdict::kLargerThanFile, 0},
        {"a DIB over 2^31 - 1 bytes", {.width = 30000, .height = 30000, .strip = {1, 2, 3}}, 2000000000LL,
         RawStripVerdict::kTooLargeForMemory, 0},
        {"a side from 2^31 on", {.width = 0x80000000u, .height = 1, .strip = {1, 2, 3}}, 2000000000LL,
         RawStripVerdict::kTooLargeForMemory, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFile file(BuildErf(c.content));
        ErfFile erf;
        ASSERT_EQ(erf.Open(file.c_str()), 0);
        const auto fileBytes = static_cast<std::uint64_t>(static_cast<std::int64_t>(file.Read().size()) + c.extraFileBytes);
        const RawStripCheck check = CheckRawStrip(erf, fileBytes);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(check.rowsPresent, c.rowsPresent);
        if (c.verdict != RawStripVerdict::kNoRawImage) {
            EXPECT_EQ(check.width, c.content.width);
            EXPECT_EQ(check.height, c.content.height);
            EXPECT_EQ(check.rowBytes, PackedRowBytes(c.content.width));
        }
    }
}

TEST(CheckRawStrip, CountsTheDibAsTheDecodeTakesIt) {
    const TempFile file(BuildErf({.width = 5, .height = 3, .strip = Rows(5, 3)}));
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    // 15 bytes a row padded to 16, and the 40-byte header.
    EXPECT_EQ(CheckRawStrip(erf, file.Read().size()).dibBytes, 40u + 3 * 16);
}

}  // namespace
