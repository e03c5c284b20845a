#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/picture_writer.h"
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

TEST(WriteBmp, WritesHeadersAndPaddedRowsBottomFirst) {
    const std::string path = TempName(".bmp");
    std::string error;
    ASSERT_TRUE(WritePicture(SmallPicture(), path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
    ASSERT_TRUE(WritePicture(SmallPicture(), path, error)) << error;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    image.format = PNG_FORMAT_BGR;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0) << image.message;
    std::remove(path.c_str());
    EXPECT_EQ(pixels, SmallPicture().pixels);
}

TEST(WritePicture, NamesTheFileWhenItCannotWrite) {
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {"/nonexistent/picture.png", "cannot create the file"},
        {"/nonexistent/picture.bmp", "cannot create the file"},
        {"/tmp/picture.jpg", "unknown picture type"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(WritePicture(SmallPicture(), c.path, error));
        EXPECT_NE(error.find(c.path + ": " + c.reason), std::string::npos) << error;
    }
}

}  // namespace
