#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_file.h"
#include "tools/picture/picture_file.h"
#include "tools/picture/picture_writer.h"

namespace {

// 2 x 2: top row blue-ish then green-ish, bottom row red-ish then grey.
Picture SmallPicture() {
    return {2, 2, {200, 10, 20, 30, 210, 40, 50, 60, 220, 70, 80, 90}};
}

std::string TempName(const char* extension) {
    const TempFile file;
    return file.path() + extension;
}

bool Write(const Picture& picture, const std::string& path, std::string& error, const PictureNotes& notes = {},
           unsigned threads = 1) {
    const std::optional<PictureFormat> format = FormatOfName(path);
    return WritePicture(picture, notes, {format.value_or(PictureFormat::kPng), path, true, threads, {}}, error);
}

TEST(WriteBmp, WritesHeadersAndPaddedRowsBottomFirst) {
    const std::string path = TempName(".bmp");
    std::string error;
    ASSERT_TRUE(Write(SmallPicture(), path, error)) << error;
    const std::string text = Slurp(path);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    std::remove(path.c_str());
    const std::vector<std::uint8_t> expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: 54 + 2 x 8 bytes, pixels at 54
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        50, 60, 220, 70, 80, 90, 0, 0,    // bottom row first, padded to 8 bytes
        200, 10, 20, 30, 210, 40, 0, 0};
    EXPECT_EQ(bytes, expected);
}

TEST(WritePng, WritesAPictureThatReadsBackTheSame) {
    const std::string path = TempName(".PNG");
    std::string error;
    ASSERT_TRUE(Write(SmallPicture(), path, error)) << error;
    Picture back;
    ASSERT_TRUE(ReadPicture(path, back, error)) << error;
    std::remove(path.c_str());
    EXPECT_EQ(back.width, 2);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels, SmallPicture().pixels);
}

TEST(WritePicture, NamesTheFileWhenItCannotWrite) {
    for (const std::string path : {"/nonexistent/picture.png", "/nonexistent/picture.bmp"}) {
        std::string error;
        EXPECT_FALSE(Write(SmallPicture(), path, error));
        EXPECT_EQ(error, path + ": cannot create a file in its directory (No such file or directory)");
    }
}

// Pictures tall enough for several bands of compressed rows: each band is
// deflated on its own, primed with the rows before it, and the bands joined
// must read back as the picture, the same bytes on any number of threads.
TEST(WritePng, JoinsBandsIntoOneStreamTheSameOnAnyNumberOfThreads) {
    const struct {
        const char* what;
        int seed;  // 0: stripes that repeat down the picture (filter Up), else noise (filter Sub)
    } cases[] = {{"stripes", 0}, {"noise", 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Picture picture{500, 2500, {}};
        std::uint32_t state = static_cast<std::uint32_t>(c.seed);
        for (std::int32_t y = 0; y < picture.height; ++y) {
            for (std::size_t x = 0; x < picture.RowBytes(); ++x) {
                state = state * 1103515245u + 12345u;
                picture.pixels.push_back(c.seed == 0 ? static_cast<std::uint8_t>(x * 7 / 5) : static_cast<std::uint8_t>(state >> 24));
            }
        }
        std::string error;
        const std::string one = TempName(".png");
        const std::string four = TempName(".png");
        ASSERT_TRUE(Write(picture, one, error, {}, 1)) << error;
        ASSERT_TRUE(Write(picture, four, error, {}, 4)) << error;
        Picture back;
        ASSERT_TRUE(ReadPicture(one, back, error)) << error;
        EXPECT_EQ(back.pixels, picture.pixels);
        EXPECT_EQ(back.width, 500);
        EXPECT_EQ(back.height, 2500);
        EXPECT_EQ(Slurp(one), Slurp(four));
        std::remove(one.c_str());
        std::remove(four.c_str());
    }
}

}  // namespace
