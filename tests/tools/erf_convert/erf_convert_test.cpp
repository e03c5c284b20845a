// erf-convert run as a user runs it, on files built here.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tests/support/erf_builder.h"

namespace {

namespace fs = std::filesystem;

// A conversion opens its input four times, whatever it writes: the module's
// three (the size query, the decode's parse and its reading of the strip)
// and once for all the converter needs itself (size check, verdict, maker,
// metadata, orientation). A thumbnail, read without the module, takes two:
// the directories, then the strips.
TEST(ErfConvert, OpensItsInputOnceBesideTheModule) {
    if (!Installed("strace")) GTEST_SKIP() << "strace is not installed";
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 64, 48);
    const std::string input = (scratch / "photo.erf").string();
    const struct {
        const char* options;
        int opens;
    } cases[] = {{"photo.png", 4}, {"photo.jpg", 4}, {"photo.bmp", 4}, {"photo.tif", 4}, {"thumb.png --thumbnail", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const Outcome run =
            RunProgram(scratch, RUDI_STRACE,
                       "-f -e trace=open,openat -o " + (scratch / "trace").string() + " " ERF_CONVERT " " + input +
                           " --force -o " + (scratch / c.options).string());
        ASSERT_EQ(run.status, 0) << run.err;
        std::ifstream trace(scratch / "trace");
        int opens = 0;
        for (std::string line; std::getline(trace, line);) opens += line.find("\"" + input + "\"") != std::string::npos;
        EXPECT_EQ(opens, c.opens);
    }
}

TEST(ErfConvert, WritesThePictureTheModuleDeliversAsPng) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(13, 7));
    const Outcome run =
        ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "photo.png").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const Picture png = ReadPng(scratch / "photo.png");
    EXPECT_EQ(png.pixels, ModulePicture(scratch / "photo.erf").pixels);
    EXPECT_EQ(png.width, 13);
    EXPECT_EQ(png.height, 7);
}

TEST(ErfConvert, WritesABmpBottomRowFirst) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(5, 3));
    const Outcome run =
        ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "photo.bmp").string());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bmp = Slurp(scratch / "photo.bmp");
    ASSERT_EQ(bmp.size(), 54u + 3 * 16);  // rows of 15 bytes padded to 16
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const std::vector<std::uint8_t> rows = ModulePicture(scratch / "photo.erf").pixels;
    for (std::size_t y = 0; y < 3; ++y) {
        const std::string stored = bmp.substr(54 + 16 * (2 - y), 15);
        EXPECT_EQ(std::vector<std::uint8_t>(stored.begin(), stored.end()),
                  std::vector<std::uint8_t>(rows.data() + 15 * y, rows.data() + 15 * (y + 1)))
            << "row " << y;
    }
}

TEST(ErfConvert, ConvertsSeveralFilesIntoADirectory) {
    const Scratch scratch;
    WriteFile(scratch / "a.erf", ErfBytes(4, 4));
    WriteFile(scratch / "b.erf", ErfBytes(6, 2));
    const Outcome run = ErfConvert(scratch, (scratch / "a.erf").string() + " " + (scratch / "b.erf").string() +
                                                " --format bmp -o " + (scratch / "out").string() + "/");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(scratch / "out" / "a.bmp"));
    EXPECT_TRUE(fs::exists(scratch / "out" / "b.bmp"));
}

TEST(ErfConvert, NamesEachFileItCannotConvertAndGoesOn) {
    const Scratch scratch;
    WriteFile(scratch / "good.erf", ErfBytes(4, 2));
    WriteFile(scratch / "text.erf", {'h', 'e', 'l', 'l', 'o', '\n'});
    WriteFile(scratch / "huge.erf", BuildErf({.width = 100000, .height = 100000, .strip = {1, 2, 3}}));
    WriteFile(scratch / "empty.erf", BuildErf({.width = 4, .height = 2, .emptyRawIfd = true}));
    const std::string missing = (scratch / "missing.erf").string();
    const std::string text = (scratch / "text.erf").string();
    const Outcome run =
        ErfConvert(scratch, missing + " " + text + " " + (scratch / "good.erf").string() + " " +
                                (scratch / "huge.erf").string() + " " + (scratch / "empty.erf").string() + " -o " +
                                (scratch / "out").string() + "/");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fs::exists(scratch / "out" / "good.png"));
    EXPECT_EQ(run.err,
              "erf-convert: " + missing +
                  ": no such file\n"
                  // the module's own message, once, then ours
                  "erf-convert: TIFF endian error: " +
                  text +
                  "\n"
                  "erf-convert: " +
                  text +
                  ": not an EPSON RAW file: not a TIFF file (no II or MM byte-order mark)\n"
                  "erf-convert: " +
                  (scratch / "huge.erf").string() +
                  ": the picture (100000 x 100000) is larger than the file can hold: 167 bytes hold at most 1336 "
                  "pixels, so the file is cut short or damaged; nothing was decoded\n"
                  "erf-convert: " +
                  (scratch / "empty.erf").string() +
                  ": not an EPSON RAW file: a TIFF file without a raw-image directory\n");
}

TEST(ErfConvert, NamesAModuleItCannotLoad) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    const Outcome noModule = ErfConvert(scratch, "--module /nonexistent/R_UDI.so " + (scratch / "photo.erf").string());
    EXPECT_EQ(noModule.status, 1);
    EXPECT_NE(noModule.err.find("cannot load the module"), std::string::npos) << noModule.err;
}

TEST(ErfConvert, WritesBesideTheInputWithoutAnOutputName) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(scratch / "photo.png"));
    EXPECT_NE(run.out.find("photo.png (4 x 2)"), std::string::npos) << run.out;
}

}  // namespace
