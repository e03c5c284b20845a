#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/picture/picture_writer.h"
#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tests/support/temp_file.h"

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
           std::optional<Deflater> deflater = {}) {
    const std::optional<PictureFormat> format = FormatOfName(path);
    return WritePicture(picture, notes, {format.value_or(PictureFormat::kPng), path, true, deflater, {}}, error);
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
    const Picture back = ReadPng(path);
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

// Pictures of many batches of rows and several IDAT chunks, through each
// compressor the build has: libpng must read back the very pixels, whichever
// filter the picture gets.
TEST(WritePng, EachCompressorWritesRowsThatReadBackTheSame) {
    const struct {
        const char* what;
        int seed;  // 0: stripes that repeat down the picture (filter Up), else noise (filter Sub)
        std::int32_t width, height;
    } cases[] = {{"stripes", 0, 500, 2500}, {"noise", 7, 700, 1600}, {"one pixel", 3, 1, 1}, {"one row", 5, 3000, 1}};
    for (const Deflater deflater : {Deflater::kIsal, Deflater::kZlib}) {
        if (!HaveDeflater(deflater)) continue;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (deflater == Deflater::kIsal ? " through ISA-L" : " through zlib"));
            Picture picture{c.width, c.height, {}};
            std::uint32_t state = static_cast<std::uint32_t>(c.seed);
            for (std::int32_t y = 0; y < picture.height; ++y) {
                for (std::size_t x = 0; x < picture.RowBytes(); ++x) {
                    state = state * 1103515245u + 12345u;
                    picture.pixels.push_back(c.seed == 0 ? static_cast<std::uint8_t>(x * 7 / 5)
                                                         : static_cast<std::uint8_t>(state >> 24));
                }
            }
            std::string error;
            const std::string path = TempName(".png");
            ASSERT_TRUE(Write(picture, path, error, {}, deflater)) << error;
            const Picture back = ReadPng(path);
            std::remove(path.c_str());
            EXPECT_EQ(back.width, c.width);
            EXPECT_EQ(back.height, c.height);
            EXPECT_TRUE(back.pixels == picture.pixels);
        }
    }
}

TEST(WritePng, TheFastestCompressorIsIsaLWhereTheBuildHasIt) {
    EXPECT_TRUE(HaveDeflater(Deflater::kZlib));
    EXPECT_EQ(FastestDeflater(), HaveDeflater(Deflater::kIsal) ? Deflater::kIsal : Deflater::kZlib);
}

}  // namespace
