#include <gtest/gtest.h>

#include <vector>

#include "develop/packed_raw.h"

namespace {

TEST(SamplePacking, TakesTheHighNibbleForTheFirstSampleAndTheLowForTheSecond) {
    const struct {
        std::uint8_t bytes[3];
        std::uint32_t first, second;
    } cases[] = {
        {{0xAB, 0xCD, 0xEF}, 0xABC, 0xDEF}, {{0x00, 0x00, 0x00}, 0x000, 0x000}, {{0xFF, 0xFF, 0xFF}, 0xFFF, 0xFFF},
        {{0x12, 0x34, 0x56}, 0x123, 0x456}, {{0x10, 0xF0, 0x00}, 0x10F, 0x000}, {{0x00, 0x0F, 0x00}, 0x000, 0xF00},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstSample(c.bytes), c.first) << std::hex << c.first;
        EXPECT_EQ(SecondSample(c.bytes), c.second) << std::hex << c.second;
    }
}

TEST(SampleScaling, Maps4095To255RoundingDown) {
    const std::uint32_t cases[][2] = {{0, 0}, {16, 0}, {17, 1}, {2048, 127}, {4094, 254}, {4095, 255}};
    for (const auto& c : cases) EXPECT_EQ(ScaleSample(c[0]), c[1]) << c[0];
}

TEST(PackRow, PacksWhatTheDecoderUnpacks) {
    for (const std::uint32_t width : {1u, 2u, 10u, 11u, 25u}) {
        std::vector<std::uint16_t> samples(width);
        for (std::uint32_t x = 0; x < width; ++x) samples[x] = static_cast<std::uint16_t>((x * 1237 + 0xABC) % 4096);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(PackedRowBytes(width)), 0x77);
        PackRow(samples.data(), width, row.data());
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* pair = row.data() + (x / 10) * 16 + (x % 10) / 2 * 3;
            EXPECT_EQ(x % 2 == 0 ? FirstSample(pair) : SecondSample(pair), samples[x])
                << "width " << width << " x " << x;
        }
        for (std::size_t group = 15; group < row.size(); group += 16) EXPECT_EQ(row[group], 0) << group;
    }
    const std::uint16_t pair[2] = {0xABC, 0xDEF};
    std::uint8_t bytes[16];
    PackRow(pair, 2, bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 3), (std::vector<std::uint8_t>{0xAB, 0xCD, 0xEF}));
}

// A DNG row, read as DNG readers read 12-bit samples (one bit after another,
// high bits first, from the row's first byte), gives every sample of the
// packed row; it ends on the first whole byte, its spare bits 0, whatever
// the packed row's unused bytes hold.
TEST(DngRowOf, HoldsEverySampleHighBitsFirst) {
    for (const std::uint32_t width : {1u, 2u, 9u, 10u, 11u, 20u, 37u}) {
        SCOPED_TRACE(width);
        std::vector<std::uint16_t> samples(width);
        for (std::uint32_t x = 0; x < width; ++x) samples[x] = static_cast<std::uint16_t>((x * 2741 + 0x5A5) % 4096);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(PackedRowBytes(width)));
        PackRow(samples.data(), width, packed.data());
        for (std::size_t group = 15; group < packed.size(); group += 16) packed[group] = 0xEE;
        if (width % 2 == 1)
            packed[static_cast<std::size_t>(PairOffset(width - 1) + 1)] |= 0x0F;  // the odd pair's unused half
        std::vector<std::uint8_t> row(static_cast<std::size_t>(DngRowBytes(width)) + 1, 0x77);
        DngRowOf(packed.data(), width, row.data());
        EXPECT_EQ(row.back(), 0x77) << "written past the row";
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t sample = 0;
            for (std::uint32_t bit = 12 * x; bit < 12 * x + 12; ++bit)
                sample = sample << 1 | (row[bit / 8] >> (7 - bit % 8) & 1);
            EXPECT_EQ(sample, samples[x]) << "x " << x;
        }
        if (width % 2 == 1) {
            EXPECT_EQ(row[row.size() - 2] & 0x0F, 0);
        }
    }
}

}  // namespace
