#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "develop/dib.h"

namespace {

constexpr std::uint8_t kPattern = 0xA5;

struct Dib {
    Dib(std::int32_t width, std::int32_t height, std::int32_t bitCount)
        : owner(CreateDib(width, height, bitCount)), image(owner.get()) {}
    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(image); }
    DibOwner owner;
    DibImage image;
};

TEST(CreateDib, MakesAZeroed24BitPictureWithPaddedRows) {
    const Dib dib(3, 2, 24);
    ASSERT_NE(dib.image, nullptr);
    EXPECT_EQ(dib.image->biSize, 40u);
    EXPECT_EQ(dib.image->biWidth, 3);
    EXPECT_EQ(dib.image->biHeight, 2);
    EXPECT_EQ(dib.image->biPlanes, 1);
    EXPECT_EQ(dib.image->biBitCount, 24);
    EXPECT_EQ(dib.image->biCompression, 0u);
    EXPECT_EQ(dib.image->biSizeImage + dib.image->biClrUsed + dib.image->biClrImportant, 0u);
    EXPECT_EQ(dib.image->biXPelsPerMeter + dib.image->biYPelsPerMeter, 0);
    for (int i = 40; i < 40 + 2 * 12; ++i) ASSERT_EQ(dib.bytes()[i], 0) << i;

    // Rows of 9 bytes padded to 12, the top row stored last.
    const std::uint8_t top[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::uint8_t bottom[9] = {11, 12, 13, 14, 15, 16, 17, 18, 19};
    EXPECT_EQ(WriteDibRow(dib.image, 0, 0, 2, top), 1);
    EXPECT_EQ(WriteDibRow(dib.image, 1, 0, 2, bottom), 1);
    EXPECT_EQ(std::memcmp(dib.bytes() + 40, bottom, 9), 0);
    EXPECT_EQ(std::memcmp(dib.bytes() + 52, top, 9), 0);
    EXPECT_EQ(dib.bytes()[49] + dib.bytes()[50] + dib.bytes()[51] + dib.bytes()[61] + dib.bytes()[62] + dib.bytes()[63],
              0);
}

TEST(CreateDib, CarriesGreyColourTablesForFourAndEightBits) {
    const Dib four(2, 2, 4);
    const Dib eight(2, 2, 8);
    const Dib one(2, 2, 1);
    ASSERT_NE(four.image, nullptr);
    ASSERT_NE(eight.image, nullptr);
    ASSERT_NE(one.image, nullptr);
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t grey = static_cast<std::uint8_t>(17 * i);
        const std::uint8_t entry[4] = {grey, grey, grey, 0};
        ASSERT_EQ(std::memcmp(four.bytes() + 40 + 4 * i, entry, 4), 0) << i;
    }
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t grey = static_cast<std::uint8_t>(i);
        const std::uint8_t entry[4] = {grey, grey, grey, 0};
        ASSERT_EQ(std::memcmp(eight.bytes() + 40 + 4 * i, entry, 4), 0) << i;
    }
    for (int i = 40; i < 48; ++i) EXPECT_EQ(one.bytes()[i], 0);
    // The row functions handle 24-bit pictures only.
    std::uint8_t buffer[6] = {};
    EXPECT_EQ(ReadDibRow(eight.image, 0, 0, 1, buffer), 0);
    EXPECT_EQ(WriteDibRow(eight.image, 0, 0, 1, buffer), 0);
}

TEST(CreateDib, RefusesNegativeSizesAndBlocksA32BitProcessCannotMap) {
    const struct {
        std::int32_t width, height, bitCount;
    } refused[] = {
        {-1, 2, 24},
        {2, -1, 24},
        {2, 2, -24},
        {INT_MAX, 1, 24},      // one row of 6 GB
        {100000, 100000, 24},  // 30 GB, which 32-bit arithmetic would wrap to 1.3 GB
        {1, 536870902, 24},    // 40 + 4 x height is 2^31 bytes: one too many
        {65536, 65536, 24},    // 12 GB, which wraps to exactly 0 in 32 bits
        {INT_MAX, INT_MAX, INT_MAX},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(CreateDib(r.width, r.height, r.bitCount), nullptr)
            << r.width << " x " << r.height << " x " << r.bitCount;
    }
    const Dib empty(0, 5, 24);
    ASSERT_NE(empty.image, nullptr);
    EXPECT_EQ(empty.image->biHeight, 5);
}

TEST(GetDibGeometry, CopiesTheHeaderAndLeavesResultsAloneForNoDib) {
    const Dib dib(7, 5, 24);
    std::int32_t width = -1;
    std::int32_t height = -1;
    std::int32_t bitCount = -1;
    GetDibGeometry(dib.image, &width, &height, &bitCount);
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 5);
    EXPECT_EQ(bitCount, 24);
    width = height = bitCount = -1;
    GetDibGeometry(nullptr, &width, &height, &bitCount);
    EXPECT_EQ(width + height + bitCount, -3);
}

// A 4 x 3 picture whose byte b of pixel (x, y) is 100 y + 10 x + b, read or
// written through a patterned buffer with room for four pixels either side.
class DibRows : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(dib_.image, nullptr);
        for (std::int32_t y = 0; y < 3; ++y) {
            std::uint8_t row[12];
            for (int i = 0; i < 12; ++i) row[i] = static_cast<std::uint8_t>(100 * y + 10 * (i / 3) + i % 3);
            WriteDibRow(dib_.image, y, 0, 3, row);
        }
        std::memset(buffer_, kPattern, sizeof buffer_);
    }
    std::uint8_t* At(int pixel) { return buffer_ + 3 * (pixel + 4); }
    std::uint8_t Pixel(std::int32_t x, std::int32_t y, int b) {
        return static_cast<std::uint8_t>(100 * y + 10 * x + b);
    }

    Dib dib_{4, 3, 24};
    std::uint8_t buffer_[3 * 12];
};

TEST_F(DibRows, ReadCopiesTheRowCountedFromTheTop) {
    EXPECT_EQ(ReadDibRow(dib_.image, 0, 0, 3, At(0)), 1);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(At(0)[i], Pixel(i / 3, 0, i % 3));
    // Row 0 is the last row of the block.
    EXPECT_EQ(std::memcmp(reinterpret_cast<const std::uint8_t*>(dib_.image) + 40 + 2 * 12, At(0), 12), 0);
}

TEST_F(DibRows, ReadClipsSpansToThePicture) {
    const struct {
        std::int32_t y, x0, x1, result;
        int firstPixel, lastPixel;  // buffer pixels written, in columns from x0's position
    } cases[] = {
        {1, 1, 2, 1, 1, 2},
        {1, -2, 1, 1, 0, 1},  // the buffer is entered two pixels on
        {1, 2, 9, 1, 2, 3},   // cut at the right edge
        {1, -4, 9, 1, 0, 3},
        {-1, 0, 3, 0, 0, -1},  // rows outside copy nothing
        {3, 0, 3, 0, 0, -1},
        {1, 4, 9, 0, 0, -1},    // starts right of the picture
        {1, -3, -1, 0, 0, -1},  // ends left of it
        {1, 2, 1, 0, 0, -1},    // an empty span
        {1, INT_MIN, INT_MIN, 0, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "y " << c.y << " x " << c.x0 << ".." << c.x1);
        std::memset(buffer_, kPattern, sizeof buffer_);
        // The buffer's first byte stands for column x0; keep it inside buffer_.
        EXPECT_EQ(ReadDibRow(dib_.image, c.y, c.x0, c.x1, At(c.x0 < -4 ? 0 : c.x0)), c.result);
        for (int pixel = -4; pixel < 8; ++pixel) {
            for (int b = 0; b < 3; ++b) {
                const bool written = pixel >= c.firstPixel && pixel <= c.lastPixel;
                ASSERT_EQ(At(pixel)[b], written ? Pixel(pixel, 1, b) : kPattern) << "pixel " << pixel << " byte " << b;
            }
        }
    }
}

TEST_F(DibRows, WriteClipsTheSameWay) {
    std::uint8_t source[3 * 8];
    for (int i = 0; i < 24; ++i) source[i] = static_cast<std::uint8_t>(200 + i);
    // Columns -2..5 of row 2: the source's pixels 2 to 5 land in columns 0 to 3.
    EXPECT_EQ(WriteDibRow(dib_.image, 2, -2, 5, source), 1);
    EXPECT_EQ(WriteDibRow(dib_.image, 3, 0, 3, source), 0);
    EXPECT_EQ(WriteDibRow(dib_.image, -1, 0, 3, source), 0);
    EXPECT_EQ(WriteDibRow(nullptr, 0, 0, 3, source), 0);
    std::uint8_t row[12];
    ReadDibRow(dib_.image, 2, 0, 3, row);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(row[i], 206 + i);
    ReadDibRow(dib_.image, 1, 0, 3, row);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(row[i], Pixel(i / 3, 1, i % 3));
}

TEST(ReadDibRow, ANullDibCopiesNothing) {
    std::uint8_t buffer[3] = {1, 2, 3};
    EXPECT_EQ(ReadDibRow(nullptr, 0, 0, 0, buffer), 0);
    EXPECT_EQ(buffer[0] + buffer[1] + buffer[2], 6);
}

}  // namespace
