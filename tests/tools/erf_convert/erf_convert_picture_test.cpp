// What erf-convert writes: damage reported, the picture turned upright, the
// camera's notes carried, the thumbnail, and a batch on several threads.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "develop/file_owner.h"
#include "tools/picture/orientation.h"
#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tests/support/erf_builder.h"
#include "tools/make_erf/rgb_picture.h"
#include "tools/make_erf/test_chart.h"

namespace {

namespace fs = std::filesystem;

TEST(ErfConvertDamage, WarnsOfAStripCutShortConvertsAndExitsWith3) {
    const Scratch scratch;
    std::vector<std::uint8_t> bytes = ErfBytes(25, 10);
    bytes.resize(bytes.size() - PackedRowBytes(25) * 4 - 5);  // rows 5 to 9 gone, row 5 in part
    WriteFile(scratch / "cut.erf", bytes);
    WriteFile(scratch / "whole.erf", ErfBytes(25, 10));
    const std::string cut = (scratch / "cut.erf").string();
    const Outcome run = ErfConvert(scratch, cut + " " + (scratch / "whole.erf").string());
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "erf-convert: warning: " + cut +
                           ": the raw data ends at row 5 of 10: the rows below repeat the last row read\n");
    // Converted as the module decodes it.
    EXPECT_EQ(ReadPng(scratch / "cut.png").pixels, ModulePicture(scratch / "cut.erf").pixels);
    EXPECT_TRUE(fs::exists(scratch / "whole.png"));
    // A failure outranks the damage.
    EXPECT_EQ(ErfConvert(scratch, cut + " --force " + (scratch / "missing.erf").string()).status, 1);
}

TEST(ErfConvertDamage, SaysWhyTheModuleRefusedAPicture) {
    const Scratch scratch;
    // 30000 x 30000 pixels: the file's size justifies them (sparse, 200 MB), but
    // their DIB (2.7 GB) exceeds one block of memory.
    WriteFile(scratch / "large.erf", BuildErf({.width = 30000, .height = 30000, .strip = {1, 2, 3}}));
    fs::resize_file(scratch / "large.erf", 200000000);
    const Outcome run = ErfConvert(scratch, (scratch / "large.erf").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "erf-convert: " + (scratch / "large.erf").string() +
                           ": the picture (30000 x 30000) is too large to decode: it needs 2700000040 bytes of memory "
                           "in one block, at most 2147483647 can be had\n");
}

TEST(Oriented, TurnsAndMirrorsAsTheOrientationTagSays) {
    // 3 x 2 pixels numbered 1..6 (in the blue byte), row by row:  1 2 3 / 4 5 6
    Picture picture{3, 2, {}};
    for (std::uint8_t n = 1; n <= 6; ++n) picture.pixels.insert(picture.pixels.end(), {n, 0, 0});
    const std::map<std::uint32_t, std::vector<std::uint8_t>> shown = {
        {1, {1, 2, 3, 4, 5, 6}},  // 3 x 2
        {2, {3, 2, 1, 6, 5, 4}},  {3, {6, 5, 4, 3, 2, 1}}, {4, {4, 5, 6, 1, 2, 3}},
        {5, {1, 4, 2, 5, 3, 6}},  // 2 x 3 from here on
        {6, {4, 1, 5, 2, 6, 3}},  {7, {6, 3, 5, 2, 4, 1}}, {8, {3, 6, 2, 5, 1, 4}},
        {0, {1, 2, 3, 4, 5, 6}},  {9, {1, 2, 3, 4, 5, 6}},
    };
    for (const auto& [orientation, numbers] : shown) {
        SCOPED_TRACE(orientation);
        const Picture out = Oriented(picture, orientation);
        const bool turned = orientation >= 5 && orientation <= 8;
        EXPECT_EQ(out.width, turned ? 2 : 3);
        EXPECT_EQ(out.height, turned ? 3 : 2);
        std::vector<std::uint8_t> got;
        for (std::size_t i = 0; i < out.pixels.size(); i += 3) got.push_back(out.pixels[i]);
        EXPECT_EQ(got, numbers);
    }
}

TEST(ErfConvertPicture, AppliesTheOrientationUnlessToldNotTo) {
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 30, 20);
    SetOrientation(scratch / "photo.erf", 6);
    const std::string input = (scratch / "photo.erf").string();
    ASSERT_EQ(ErfConvert(scratch, input + " -o " + (scratch / "upright.png").string()).status, 0);
    ASSERT_EQ(ErfConvert(scratch, input + " --no-rotate -o " + (scratch / "asis.png").string()).status, 0);
    const Picture delivered = ModulePicture(scratch / "photo.erf");
    const Picture upright = ReadPng(scratch / "upright.png");
    EXPECT_EQ(upright.width, 20);
    EXPECT_EQ(upright.height, 30);
    EXPECT_EQ(upright.pixels, Oriented(delivered, 6).pixels);
    EXPECT_EQ(ReadPng(scratch / "asis.png").pixels, delivered.pixels);
}

// The pHYs and text chunks of a PNG, read with libpng.
struct PngNotes {
    png_uint_32 x = 0, y = 0;
    int unit = -1;
    std::map<std::string, std::string> texts;
};

PngNotes ReadNotes(const fs::path& path) {
    PngNotes notes;
    const FileOwner file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) return notes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file.get());
        png_read_info(png, info);
        png_get_pHYs(png, info, &notes.x, &notes.y, &notes.unit);
        png_textp texts = nullptr;
        const int count = png_get_text(png, info, &texts, nullptr);
        for (int i = 0; i < count; ++i) notes.texts[texts[i].key] = texts[i].text;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return notes;
}

TEST(ErfConvertPicture, CarriesTheResolutionAndTheCameraTagsInThePng) {
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 30, 20);  // 72 dots per inch, made by make-erf
    ASSERT_EQ(ErfConvert(scratch, (scratch / "photo.erf").string()).status, 0);
    const PngNotes notes = ReadNotes(scratch / "photo.png");
    EXPECT_EQ(notes.x, 2835u);  // 72 per inch in pixels per metre
    EXPECT_EQ(notes.y, 2835u);
    EXPECT_EQ(notes.unit, PNG_RESOLUTION_METER);
    EXPECT_EQ(notes.texts, (std::map<std::string, std::string>{{"Make", "SEIKO EPSON CORP."},
                                                                 {"Model", "R-D1"},
                                                                 {"Creation Time", "2026-01-01T00:00:00"}}));
    // A file with none of those tags but Make gets no pHYs and only that text.
    WriteFile(scratch / "bare.erf", ErfBytes(4, 2));
    ASSERT_EQ(ErfConvert(scratch, (scratch / "bare.erf").string()).status, 0);
    const PngNotes bare = ReadNotes(scratch / "bare.png");
    EXPECT_EQ(bare.unit, -1);
    EXPECT_EQ(bare.texts.size(), 1u);
    EXPECT_EQ(bare.texts.count("Make"), 1u);
}

TEST(ErfConvertPicture, WritesTheThumbnailInsteadOfDecoding) {
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 400, 300);
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " --thumbnail");
    ASSERT_EQ(run.status, 0) << run.err;
    // make-erf's thumbnail: the chart at a twentieth of its size.
    const RgbPicture expected = Resized(MakeTestChart(400, 300), 20, 15);
    // Under a name of its own, which the full conversion then does not meet.
    EXPECT_EQ(run.out, (scratch / "photo.erf").string() + " -> " + (scratch / "photo.thumb.png").string() +
                           " (20 x 15)\n");
    EXPECT_EQ(ErfConvert(scratch, (scratch / "photo.erf").string()).status, 0);
    EXPECT_EQ(ReadPng(scratch / "photo.png").width, 400);
    const Picture thumbnail = ReadPng(scratch / "photo.thumb.png");
    ASSERT_EQ(thumbnail.width, 20);
    ASSERT_EQ(thumbnail.height, 15);
    for (std::size_t i = 0; i < expected.rgb.size(); i += 3) {
        ASSERT_EQ(thumbnail.pixels[i], expected.rgb[i + 2]) << "pixel " << i / 3;
        ASSERT_EQ(thumbnail.pixels[i + 1], expected.rgb[i + 1]) << "pixel " << i / 3;
        ASSERT_EQ(thumbnail.pixels[i + 2], expected.rgb[i]) << "pixel " << i / 3;
    }
    WriteFile(scratch / "bare.erf", ErfBytes(4, 2));
    const Outcome bare = ErfConvert(scratch, (scratch / "bare.erf").string() + " --thumbnail");
    EXPECT_EQ(bare.status, 1);
    EXPECT_NE(bare.err.find("no thumbnail in the file"), std::string::npos) << bare.err;
}

TEST(ErfConvertPicture, ABatchOnSeveralThreadsWritesWhatOneThreadWrites) {
    const Scratch scratch;
    std::string inputs;
    // Tall enough for several bands of rows each; a chart and a noisy picture.
    WriteChartErf(scratch / "chart.erf", 600, 1900);
    WriteFile(scratch / "noise.erf", ErfBytes(700, 1600));
    WriteChartErf(scratch / "small.erf", 7, 5);
    for (const char* name : {"chart", "noise", "small"}) inputs += (scratch / name).string() + ".erf ";
    ASSERT_EQ(ErfConvert(scratch, inputs + "-j 1 -o " + (scratch / "one").string() + "/").status, 0);
    ASSERT_EQ(ErfConvert(scratch, inputs + "-j 3 -o " + (scratch / "three").string() + "/").status, 0);
    for (const char* name : {"chart.png", "noise.png", "small.png"}) {
        SCOPED_TRACE(name);
        const std::string one = Slurp(scratch / "one" / name);
        EXPECT_FALSE(one.empty());
        EXPECT_EQ(Slurp(scratch / "three" / name), one);
        EXPECT_EQ(ReadPng(scratch / "one" / name).pixels,
                  ModulePicture(scratch / (std::string(name).substr(0, std::string(name).size() - 4) + ".erf")).pixels);
    }
}

}  // namespace
