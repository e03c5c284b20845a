#include "develop/fill_kernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

struct Build {
    const char* name;
    const FillKernels& kernels;
};

// Every build of the loops gives the same bytes: the one this processor
// runs and the one for any processor.
const Build kBuilds[] = {{"portable", PortableFillKernels()}, {"fastest", FastestFillKernels()}};

constexpr std::size_t kBlockBytes = kBlock;

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

BlockMask RandomMask(std::uint32_t seed) {
    std::mt19937 random(seed);
    BlockMask mask{};
    for (auto& byte : mask.bytes) byte = random() % 2 == 0 ? 0x00 : 0xFF;
    return mask;
}

TEST(FillKernels, AlongARowAverageTheBytesOnePixelLeftAndRightWhereTheMaskIsSet) {
    constexpr std::ptrdiff_t kBlocks = 7;
    const BlockMask mask = RandomMask(1);
    // Three readable bytes on either side of the blocks, and no more.
    constexpr std::size_t kBytes = kBlocks * kBlockBytes;
    const std::vector<std::uint8_t> in = RandomBytes(kBytes + 6, 2);
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        std::vector<std::uint8_t> out(kBytes);
        build.kernels.alongRow(in.data() + 3, out.data(), mask, kBlocks);
        for (std::size_t i = 0; i < kBytes; ++i) {
            const std::uint8_t* at = in.data() + 3 + i;
            const int expected = mask.bytes[i % kBlockBytes] != 0 ? (at[-3] + at[3]) / 2 : at[0];
            ASSERT_EQ(out[i], expected) << "byte " << i;
        }
    }
}

TEST(FillKernels, BetweenRowsAverageTheRowsAboveAndBelowWhereTheMaskIsSet) {
    constexpr std::ptrdiff_t kBlocks = 5;
    const BlockMask mask = RandomMask(3);
    constexpr std::size_t kBytes = kBlocks * kBlockBytes;
    const std::vector<std::uint8_t> above = RandomBytes(kBytes, 4);
    const std::vector<std::uint8_t> below = RandomBytes(kBytes, 5);
    const std::vector<std::uint8_t> row = RandomBytes(kBytes, 6);
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        std::vector<std::uint8_t> filled = row;
        build.kernels.betweenRows(filled.data(), above.data(), below.data(), mask, kBlocks);
        for (std::size_t i = 0; i < kBytes; ++i) {
            const int expected = mask.bytes[i % kBlockBytes] != 0 ? (above[i] + below[i]) / 2 : row[i];
            ASSERT_EQ(filled[i], expected) << "byte " << i;
        }
    }
}

TEST(FillKernels, NoBlocksTouchNothing) {
    const BlockMask mask = RandomMask(7);
    std::uint8_t untouched = 0x5A;
    for (const Build& build : kBuilds) {
        build.kernels.alongRow(&untouched, &untouched, mask, 0);
        build.kernels.betweenRows(&untouched, &untouched, &untouched, mask, 0);
        EXPECT_EQ(untouched, 0x5A) << build.name;
    }
}

}  // namespace
