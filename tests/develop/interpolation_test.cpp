#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "develop/dib.h"
#include "develop/interpolation.h"

namespace {

using Pixel = std::array<int, 3>;  // blue, green, red
using Rows = std::vector<std::vector<Pixel>>;

// The byte that the RGGB mosaic gives pixel (x, y): red on even rows at even
// columns, blue on odd rows at odd columns, green elsewhere.
std::size_t MosaicByte(std::size_t x, std::size_t y) {
    if (y % 2 == 0) return x % 2 == 0 ? 2 : 1;
    return x % 2 == 0 ? 1 : 0;
}

// Writes the mosaic (one value per pixel, in its colour's byte), runs the
// three passes in their order and reads the picture back.
Rows Develop(const std::vector<std::vector<int>>& mosaic) {
    const auto height = static_cast<std::int32_t>(mosaic.size());
    const auto width = static_cast<std::int32_t>(mosaic[0].size());
    const DibOwner owner(CreateDib(width, height, 24));
    DibImage dib = owner.get();
    EXPECT_NE(dib, nullptr);
    for (std::int32_t y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width), 0);
        const auto& values = mosaic[static_cast<std::size_t>(y)];
        for (std::size_t x = 0; x < values.size(); ++x)
            row[3 * x + MosaicByte(x, static_cast<std::size_t>(y))] = static_cast<std::uint8_t>(values[x]);
        WriteDibRow(dib, y, 0, width - 1, row.data());
    }
    InterpolateBlue(dib);
    InterpolateRed(dib);
    InterpolateGreen(dib);
    Rows picture;
    for (std::int32_t y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
        ReadDibRow(dib, y, 0, width - 1, row.data());
        picture.emplace_back();
        for (std::size_t x = 0; x < row.size(); x += 3) picture.back().push_back({row[x], row[x + 1], row[x + 2]});
    }
    return picture;
}

// Each expected byte below was worked out by hand: the average of the two
// same-colour neighbours (rounded down), the one neighbour inside the picture
// at an edge, 0 with none.
struct MosaicCase {
    const char* what;
    std::vector<std::vector<int>> mosaic;
    Rows expected;
};

const MosaicCase kCases[] = {
    {"4 x 4",
     {{10, 20, 30, 40},    //  R  G  R  G
      {60, 200, 80, 220},  //  G  B  G  B
      {50, 100, 71, 121},
      {140, 240, 161, 251}},
     {{{200, 20, 10}, {200, 20, 20}, {210, 30, 30}, {220, 40, 30}},
      {{200, 60, 30}, {200, 70, 40}, {210, 80, 50}, {220, 80, 50}},
      {{220, 100, 50}, {220, 100, 60}, {227, 110, 71}, {235, 121, 71}},
      {{240, 140, 50}, {240, 150, 60}, {245, 161, 71}, {251, 161, 71}}}},
    {"5 x 3",
     {{11, 21, 31, 41, 51}, {61, 71, 81, 91, 101}, {111, 121, 131, 141, 151}},
     {{{71, 21, 11}, {71, 21, 21}, {81, 31, 31}, {91, 41, 41}, {91, 41, 51}},
      {{71, 61, 61}, {71, 71, 71}, {81, 81, 81}, {91, 91, 91}, {91, 101, 101}},
      {{71, 121, 111}, {71, 121, 121}, {81, 131, 131}, {91, 141, 141}, {91, 141, 151}}}},
    {"one row: no blue anywhere", {{10, 20, 30, 40}}, {{{0, 20, 10}, {0, 20, 20}, {0, 30, 30}, {0, 40, 30}}}},
    {"one column: no neighbour left or right", {{10}, {60}, {50}}, {{{0, 0, 10}}, {{0, 60, 30}}, {{0, 0, 50}}}},
    {"one pixel", {{77}}, {{{0, 0, 77}}}},
    {"2 x 2: every missing byte has one neighbour",
     {{10, 20}, {30, 40}},
     {{{40, 20, 10}, {40, 20, 10}}, {{40, 30, 10}, {40, 30, 10}}}},
    {"3 x 2: the last column's blue and green come from the left",
     {{10, 20, 30}, {40, 50, 60}},
     {{{50, 20, 10}, {50, 20, 20}, {50, 20, 30}}, {{50, 40, 10}, {50, 50, 20}, {50, 60, 30}}}},
};

TEST(Interpolation, FillsEveryMissingByteOfSmallMosaics) {
    for (const MosaicCase& c : kCases) {
        SCOPED_TRACE(c.what);
        const Rows picture = Develop(c.mosaic);
        for (std::size_t y = 0; y < c.expected.size(); ++y) {
            for (std::size_t x = 0; x < c.expected[y].size(); ++x) {
                EXPECT_EQ(picture[y][x], c.expected[y][x]) << "pixel (" << x << ", " << y << ")";
            }
        }
    }
}

// The rule, pixel by pixel: each missing byte of a colour is the average of
// the two nearest bytes of that colour along the row (or, on the rows between
// blue or red carrier rows, the column), the one inside the picture at an
// edge, 0 with none.
Rows DevelopPixelByPixel(const std::vector<std::vector<int>>& mosaic) {
    const std::size_t height = mosaic.size();
    const std::size_t width = height > 0 ? mosaic[0].size() : 0;
    Rows out(height, std::vector<Pixel>(width, Pixel{0, 0, 0}));
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) out[y][x][MosaicByte(x, y)] = mosaic[y][x];
    }
    const auto pair = [](const int* a, const int* b) {
        if (a != nullptr && b != nullptr) return (*a + *b) / 2;
        return a != nullptr ? *a : b != nullptr ? *b : 0;
    };
    const auto along = [&](std::size_t y, std::size_t c, std::size_t firstMissing) {
        for (std::size_t x = firstMissing; x < width; x += 2)
            out[y][x][c] = pair(x > 0 ? &out[y][x - 1][c] : nullptr, x + 1 < width ? &out[y][x + 1][c] : nullptr);
    };
    const auto between = [&](std::size_t y, std::size_t c) {
        for (std::size_t x = 0; x < width; ++x)
            out[y][x][c] = pair(y > 0 ? &out[y - 1][x][c] : nullptr, y + 1 < height ? &out[y + 1][x][c] : nullptr);
    };
    for (std::size_t y = 1; y < height; y += 2) along(y, 0, 0);  // blue along its rows
    for (std::size_t y = 0; y < height; y += 2) between(y, 0);
    for (std::size_t y = 0; y < height; y += 2) along(y, 2, 1);  // red along its rows
    for (std::size_t y = 1; y < height; y += 2) between(y, 2);
    for (std::size_t y = 0; y < height; ++y) along(y, 1, y % 2);  // green
    return out;
}

TEST(Interpolation, EveryWidthAndHeightFollowsTheRulePixelByPixel) {
    // Rows are worked through in blocks of 16 pixels, with the first and the
    // last pixel apart: widths around those sizes, and heights with and
    // without a last row of one neighbour.
    const std::size_t widths[] = {1,  2,  3,  5,  15, 16, 17, 18, 19, 20, 31, 32,
                                  33, 34, 35, 47, 48, 49, 50, 64, 65, 97, 301};
    std::uint32_t seed = 12345;
    for (const std::size_t height : {1u, 2u, 3u, 4u, 7u}) {
        for (const std::size_t width : widths) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            std::vector<std::vector<int>> mosaic(height, std::vector<int>(width));
            for (auto& row : mosaic) {
                for (int& value : row) value = static_cast<int>((seed = seed * 1103515245u + 12345u) >> 24);
            }
            ASSERT_EQ(Develop(mosaic), DevelopPixelByPixel(mosaic));
        }
    }
}

TEST(Interpolation, HandlesPicturesWiderThanFiveThousandPixels) {
    // Columns alternate 0 and 200 in every colour's own pixels; the last
    // column (even, width odd) takes its missing bytes from column width - 2.
    constexpr std::size_t kWidth = 6001;
    std::vector<std::vector<int>> mosaic(3, std::vector<int>(kWidth));
    for (auto& row : mosaic) {
        for (std::size_t x = 0; x < kWidth; ++x) row[x] = (x / 2) % 2 == 0 ? 0 : 200;
    }
    const Rows picture = Develop(mosaic);
    // Own values: column 5997 is 0, 5998 and 5999 are 200, 6000 is 0.
    EXPECT_EQ(picture[0][6000], (Pixel{200, 200, 0}));    // green and blue from column 5999
    EXPECT_EQ(picture[1][6000], (Pixel{200, 0, 0}));      // red: avg(0, 0)
    EXPECT_EQ(picture[1][5999], (Pixel{200, 100, 100}));  // green avg(200, 0); red avg(100, 100)
    EXPECT_EQ(picture[2][5998], (Pixel{100, 100, 200}));  // blue from row 1: avg(0, 200)
}

// A null DIB is passed over (the sanitizer builds see any touch); a DIB of
// no columns keeps its header and every byte after it.
TEST(Interpolation, LeavesANullOrEmptyPictureAlone) {
    InterpolateBlue(nullptr);
    InterpolateRed(nullptr);
    InterpolateGreen(nullptr);
    const DibOwner empty(CreateDib(0, 3, 24));
    ASSERT_NE(empty, nullptr);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(empty.get());
    const std::vector<std::uint8_t> before(bytes, bytes + DibBytes(0, 3, 24));
    InterpolateBlue(empty.get());
    InterpolateRed(empty.get());
    InterpolateGreen(empty.get());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + before.size()), before);
}

}  // namespace
