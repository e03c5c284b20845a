// erf-convert run as a user runs it, on files built here.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/erf_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_file.h"

namespace {

namespace fs = std::filesystem;

Outcome ErfConvert(const Scratch& scratch, const std::string& arguments) {
    return RunProgram(scratch, ERF_CONVERT, arguments);
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ErfBytes(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> samples;
    for (std::uint32_t i = 0; i < width * height; ++i) samples.push_back(static_cast<std::uint16_t>(i * 797 % 4096));
    return BuildErf({.width = width, .height = height, .strip = PackSamples(samples, width, height)});
}

// The module's own rows for the file, in-process, top row first.
std::vector<std::uint8_t>* gRows = nullptr;
std::int32_t RUDI_CDECL KeepRow(std::int32_t, std::int32_t first, std::int32_t last, std::uint8_t* pixels, std::int32_t) {
    gRows->insert(gRows->end(), pixels, pixels + 3 * (last - first + 1));
    return 0;
}
std::vector<std::uint8_t> ModuleRows(const fs::path& path) {
    std::vector<std::uint8_t> rows;
    gRows = &rows;
    LineCallbackRecord callbacks{&KeepRow};
    ReadFileExec(0, path.c_str(), 0, 0, 0, &callbacks);
    gRows = nullptr;
    return rows;
}

std::vector<std::uint8_t> ReadPng(const fs::path& path, std::uint32_t& width, std::uint32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
    image.format = PNG_FORMAT_BGR;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) return {};
    width = image.width;
    height = image.height;
    return pixels;
}

TEST(ErfConvert, WritesThePictureTheModuleDeliversAsPng) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(13, 7));
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "photo.png").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    EXPECT_EQ(ReadPng(scratch / "photo.png", width, height), ModuleRows(scratch / "photo.erf"));
    EXPECT_EQ(width, 13u);
    EXPECT_EQ(height, 7u);
}

TEST(ErfConvert, WritesABmpBottomRowFirst) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(5, 3));
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "photo.bmp").string());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bmp = Slurp(scratch / "photo.bmp");
    ASSERT_EQ(bmp.size(), 54u + 3 * 16);  // rows of 15 bytes padded to 16
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const std::vector<std::uint8_t> rows = ModuleRows(scratch / "photo.erf");
    for (int y = 0; y < 3; ++y) {
        const std::string stored = bmp.substr(54 + 16 * (2 - y), 15);
        EXPECT_EQ(std::vector<std::uint8_t>(stored.begin(), stored.end()),
                  std::vector<std::uint8_t>(rows.begin() + 15 * y, rows.begin() + 15 * (y + 1)))
            << "row " << y;
    }
}

TEST(ErfConvert, ConvertsSeveralFilesIntoADirectory) {
    const Scratch scratch;
    WriteFile(scratch / "a.erf", ErfBytes(4, 4));
    WriteFile(scratch / "b.erf", ErfBytes(6, 2));
    const Outcome run = ErfConvert(scratch, (scratch / "a.erf").string() + " " + (scratch / "b.erf").string() +
                                            " --format bmp -o " + (scratch / "out").string());
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
    const Outcome run = ErfConvert(scratch, missing + " " + text + " " + (scratch / "good.erf").string() + " " +
                                            (scratch / "huge.erf").string() + " " + (scratch / "empty.erf").string() +
                                            " -o " + (scratch / "out").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fs::exists(scratch / "out" / "good.png"));
    EXPECT_EQ(run.err,
              "erf-convert: " + missing + ": cannot read the file (No such file or directory)\n"
              // the module's own message, once, then ours
              "TIFF endian error: " + text + "\n"
              "erf-convert: " + text + ": no picture in the file (not an EPSON RAW file, or its raw image has no size)\n"
              "erf-convert: " + (scratch / "huge.erf").string() +
                  ": the module delivered 0 of the picture's 100000 rows (100000 x 100000 may be too large to decode)\n"
              "erf-convert: " + (scratch / "empty.erf").string() +
                  ": no picture in the file (not an EPSON RAW file, or its raw image has no size)\n");
}

TEST(ErfConvert, RefusesUnknownPictureTypesAndArguments) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    const std::string input = (scratch / "photo.erf").string();
    EXPECT_EQ(ErfConvert(scratch, input + " -o " + (scratch / "photo.jpg").string()).status, 2);
    EXPECT_EQ(ErfConvert(scratch, input + " --format gif").status, 2);
    EXPECT_EQ(ErfConvert(scratch, "--bogus " + input).status, 2);
    EXPECT_EQ(ErfConvert(scratch, "").status, 2);
    const Outcome noModule = ErfConvert(scratch, "--module /nonexistent/R_UDI.so " + input);
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
