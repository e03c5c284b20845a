// What erf-convert writes: damage reported, the picture turned upright, the
// camera's notes carried, the thumbnail, and a batch on several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "develop/file_owner.h"
#include "tiff/erf_file.h"
#include "tiff/photo_file.h"
#include "tiff/tag_numbers.h"
#include "tools/picture/orientation.h"
#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tests/support/erf_builder.h"
#include "tools/make_erf/test_chart.h"

namespace {

namespace fs = std::filesystem;

TEST(ErfConvertDamage, WarnsOfAStripCutShortConvertsAndExitsWith3) {
    const Scratch scratch;
    std::vector<std::uint8_t> bytes = ErfBytes(25, 10);
    bytes.resize(bytes.size() - StripRowBytes(25) * 4 - 5);  // rows 5 to 9 gone, row 5 in part
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
    // The module's own message box (a line on standard error here), then the tool's line.
    EXPECT_EQ(run.err, "erf-convert: Picture too large for memory: " + (scratch / "large.erf").string() +
                           " (30000 x 30000 pixels)\n"
                           "erf-convert: " +
                           (scratch / "large.erf").string() +
                           ": the picture (30000 x 30000) is too large to decode: it needs 2700000040 bytes of memory "
                           "in one block, at most 2147483647 can be had\n");
}

TEST(Oriented, TurnsAndMirrorsAsTheOrientationTagSays) {
    // 3 x 2 pixels numbered 1..6 (in the blue byte), row by row:  1 2 3 / 4 5 6
    Picture picture{3, 2, {}};
    for (std::uint8_t n = 1; n <= 6; ++n) picture.pixels.insert(picture.pixels.end(), {n, 0, 0});
    const std::map<std::uint32_t, std::vector<std::uint8_t>> shown = {
        {1, {1, 2, 3, 4, 5, 6}},  // 3 x 2
        {2, {3, 2, 1, 6, 5, 4}}, {3, {6, 5, 4, 3, 2, 1}}, {4, {4, 5, 6, 1, 2, 3}},
        {5, {1, 4, 2, 5, 3, 6}},  // 2 x 3 from here on
        {6, {4, 1, 5, 2, 6, 3}}, {7, {6, 3, 5, 2, 4, 1}}, {8, {3, 6, 2, 5, 1, 4}},
        {0, {1, 2, 3, 4, 5, 6}}, {9, {1, 2, 3, 4, 5, 6}},
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
                                                               {"Creation Time", "Thu, 01 Jan 2026 00:00:00"},
                                                               {"Software", "make-erf"}}));
    // --strip writes none of it.
    ASSERT_EQ(
        ErfConvert(scratch, (scratch / "photo.erf").string() + " --strip -o " + (scratch / "stripped.png").string()).status,
        0);
    const PngNotes stripped = ReadNotes(scratch / "stripped.png");
    EXPECT_EQ(stripped.unit, -1);
    EXPECT_TRUE(stripped.texts.empty());
    // A file with none of those tags but Make gets no pHYs and only that text.
    WriteFile(scratch / "bare.erf", ErfBytes(4, 2));
    ASSERT_EQ(ErfConvert(scratch, (scratch / "bare.erf").string()).status, 0);
    const PngNotes bare = ReadNotes(scratch / "bare.png");
    EXPECT_EQ(bare.unit, -1);
    EXPECT_EQ(bare.texts.size(), 1u);
    EXPECT_EQ(bare.texts.count("Make"), 1u);
}

// PNG's Creation Time is the moment of the shot (Exif's DateTimeOriginal)
// where the file has it; a text beyond ASCII (a Japanese Artist, as ExifTool
// writes it in UTF-8) goes into an iTXt chunk rather than being left out.
TEST(ErfConvertPicture, CarriesTheShotsTimeAndTextsBeyondAsciiInThePng) {
    if (!Installed("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string source = (scratch / "photo.erf").string();
    WriteChartErf(source, 30, 20);  // IFD0's DateTime 2026:01:01 00:00:00
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original '-DateTimeOriginal=2025:06:07 08:09:10' -Artist=山田太郎 " + source)
                  .status,
              0);
    ASSERT_EQ(ErfConvert(scratch, source).status, 0);
    const PngNotes notes = ReadNotes(scratch / "photo.png");
    EXPECT_EQ(notes.texts.at("Creation Time"), "Sat, 07 Jun 2025 08:09:10");
    EXPECT_EQ(notes.texts.at("Author"), "山田太郎");
    EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -PNG:Author " + (scratch / "photo.png").string()).out,
              "山田太郎\n");
}

// PNG's Creation Time takes IFD0's DateTime in RFC 1123 form, the day of
// the week worked out (leap days, centuries); a text of another form is
// carried as it is.
TEST(ErfConvertPicture, WritesTheCreationTimeInRfc1123Form) {
    const struct {
        const char* dateTime;  // 19 characters, as DateTime's 20 bytes hold them before the NUL
        const char* shown;
    } cases[] = {
        {"2024:02:29 23:59:59", "Thu, 29 Feb 2024 23:59:59"}, {"2000:03:01 00:00:00", "Wed, 01 Mar 2000 00:00:00"},
        {"1900:01:01 12:00:00", "Mon, 01 Jan 1900 12:00:00"}, {"2100:12:31 08:30:00", "Fri, 31 Dec 2100 08:30:00"},
        {"2026:13:01 00:00:00", "2026:13:01 00:00:00"},       {"2026-01-01T00:00:00", "2026-01-01T00:00:00"},
    };
    const Scratch scratch;
    const fs::path erfPath = scratch / "photo.erf";
    WriteChartErf(erfPath, 30, 20);
    std::int32_t at = 0;
    {
        ErfFile erf;
        erf.Open(erfPath.c_str());
        const TiffTag* tag = erf.mainIfd.FindTag("DateTime");
        ASSERT_NE(tag, nullptr);
        ASSERT_EQ(tag->count, 20u);
        at = static_cast<std::int32_t>(tag->valueOffset);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dateTime);
        {
            std::fstream file(erfPath, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(at);
            file.write(c.dateTime, 19);
        }
        ASSERT_EQ(ErfConvert(scratch, erfPath.string() + " --force").status, 0);
        EXPECT_EQ(ReadNotes(scratch / "photo.png").texts["Creation Time"], c.shown);
    }
}

TEST(ErfConvertPicture, WritesTheThumbnailInsteadOfDecoding) {
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 400, 300);
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " --thumbnail");
    ASSERT_EQ(run.status, 0) << run.err;
    // make-erf's thumbnail: the chart at a twentieth of its size.
    const Picture expected = Resized(MakeTestChart(400, 300), 20, 15);
    // Under a name of its own, which the full conversion then does not meet.
    EXPECT_EQ(run.out,
              (scratch / "photo.erf").string() + " -> " + (scratch / "photo.thumb.png").string() + " (20 x 15)\n");
    EXPECT_EQ(ErfConvert(scratch, (scratch / "photo.erf").string()).status, 0);
    EXPECT_EQ(ReadPng(scratch / "photo.png").width, 400);
    const Picture thumbnail = ReadPng(scratch / "photo.thumb.png");
    ASSERT_EQ(thumbnail.width, 20);
    ASSERT_EQ(thumbnail.height, 15);
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        ASSERT_EQ(thumbnail.pixels[i], expected.pixels[i]) << "pixel " << i / 3;
    }
    WriteFile(scratch / "bare.erf", ErfBytes(4, 2));
    const Outcome bare = ErfConvert(scratch, (scratch / "bare.erf").string() + " --thumbnail");
    EXPECT_EQ(bare.status, 1);
    EXPECT_NE(bare.err.find("no thumbnail in the file"), std::string::npos) << bare.err;
}

TEST(ErfConvertPicture, ABatchWritesPngsThatReadBackAsTheModulesPictures) {
    const Scratch scratch;
    std::string inputs;
    // Tall enough for several batches of rows each; a chart and a noisy picture.
    WriteChartErf(scratch / "chart.erf", 600, 1900);
    WriteFile(scratch / "noise.erf", ErfBytes(700, 1600));
    WriteChartErf(scratch / "small.erf", 7, 5);
    for (const char* name : {"chart", "noise", "small"}) inputs += (scratch / name).string() + ".erf ";
    ASSERT_EQ(ErfConvert(scratch, inputs + "-o " + (scratch / "out").string() + "/").status, 0);
    for (const char* name : {"chart", "noise", "small"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadPng(scratch / "out" / (std::string(name) + ".png")).pixels,
                  ModulePicture(scratch / (std::string(name) + ".erf")).pixels);
    }
}

// The format comes from the name's extension or from --format; JPEG and TIFF
// hold the module's picture (JPEG within its loss), standard output included
// for TIFF, which libtiff writes by seeking back.
TEST(ErfConvertPicture, WritesJpegAndTiffByNameOrFormat) {
    const Scratch scratch;
    WriteChartErf(scratch / "chart.erf", 64, 48);
    const Picture expected = ModulePicture(scratch / "chart.erf");
    const std::string input = (scratch / "chart.erf").string();
    const struct {
        std::string arguments;
        const char* written;  // the file made, or "-" for standard output
        bool jpeg;
    } cases[] = {
        {"-o " + (scratch / "a.jpeg").string(), "a.jpeg", true},
        {"--format jpeg --quality 95 -o " + (scratch / "out").string() + "/", "out/chart.jpg", true},
        {"-o " + (scratch / "a.TIFF").string() + " --compression lzw", "a.TIFF", false},
        {"--format tiff --compression deflate -o " + (scratch / "out").string() + "/", "out/chart.tif", false},
        {"--format tiff -o -", "-", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome run = ErfConvert(scratch, input + " " + c.arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        fs::path written = scratch / c.written;
        if (std::string(c.written) == "-") {
            written = scratch / "stdout.tif";
            WriteFile(written, std::vector<std::uint8_t>(run.out.begin(), run.out.end()));
        }
        const Picture back = c.jpeg ? ReadJpeg(written) : ReadTiff(written);
        ASSERT_EQ(back.pixels.size(), expected.pixels.size());
        int largest = 0;
        for (std::size_t i = 0; i < back.pixels.size(); ++i) {
            largest = std::max(largest, std::abs(back.pixels[i] - expected.pixels[i]));
        }
        EXPECT_LE(largest, c.jpeg ? 40 : 0);
    }
}

// Points IFD0's Exif and GPS directory pointers of a little-endian file at `offset`.
void PointDirectories(const std::string& path, std::uint32_t offset) {
    ErfFile erf;
    erf.Open(path.c_str());
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (const std::uint32_t number : {34665u, 34853u}) {
        const TiffTag* tag = erf.mainIfd.FindTagByNumber(number);
        ASSERT_NE(tag, nullptr) << number;
        const char bytes[] = {static_cast<char>(offset), static_cast<char>(offset >> 8),
                              static_cast<char>(offset >> 16), static_cast<char>(offset >> 24)};
        file.seekp(tag->entryOffset + 8);
        file.write(bytes, 4);
    }
}

// The photograph's metadata, edited with ExifTool, reaches each format as
// ExifTool reads it back (IFD0's texts, Exif's exposure, GPS's position),
// with Orientation 1 for pixels turned upright, and ExifTool finds nothing
// to warn about; --strip leaves all of it out.
TEST(ErfConvertPicture, CarriesThePhotographsMetadataIntoEachFormat) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string source = (scratch / "photo.erf").string();
    WriteChartErf(source, 60, 40);
    SetOrientation(source, 6);
    const std::string edit =
        "-q -overwrite_original -Artist='Ann Example' -Copyright='(c) Ann' -ExposureTime=1/125 -FNumber=5.6 -ISO=200 "
        "-GPSLatitude=35.6812 -GPSLatitudeRef=N -GPSLongitude=139.7671 -GPSLongitudeRef=E -GPSProcessingMethod=GPS ";
    ASSERT_EQ(RunProgram(scratch, "exiftool", edit + source).status, 0);
    const std::string shown = "-s -s -s -Artist -Copyright -Make -Model -ExposureTime -FNumber -ISO -GPSPosition ";
    const Outcome expected = RunProgram(scratch, "exiftool", shown + source);
    ASSERT_EQ(expected.status, 0);
    ASSERT_NE(expected.out.find("Ann Example"), std::string::npos) << expected.out;
    ASSERT_NE(expected.out.find("1/125"), std::string::npos) << expected.out;
    for (const char* name : {"photo.png", "photo.jpg", "photo.tif"}) {
        SCOPED_TRACE(name);
        const std::string output = (scratch / name).string();
        ASSERT_EQ(ErfConvert(scratch, source + " -o " + output).status, 0);
        EXPECT_EQ(RunProgram(scratch, "exiftool", shown + output).out, expected.out);
        EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -n -Orientation " + output).out, "1\n");
        EXPECT_EQ(RunProgram(scratch, "exiftool", "-validate -warning -a -s -s -s " + output).out, "OK\n");
        const std::string stripped = (scratch / (std::string("stripped-") + name)).string();
        ASSERT_EQ(ErfConvert(scratch, source + " --strip -o " + stripped).status, 0);
        EXPECT_EQ(RunProgram(scratch, "exiftool", shown + stripped).out, "");
    }
    // Directories that are not where the pointers say (past the end, at IFD0,
    // a count with no entries after it): the pictures are still written whole.
    const std::uint64_t fileBytes = fs::file_size(source);
    for (const std::uint32_t offset : {0xFFFFFFF0u, 0x7FFFFFF0u, 8u, static_cast<std::uint32_t>(fileBytes - 2)}) {
        SCOPED_TRACE(offset);
        const std::string damaged = (scratch / "damaged.erf").string();
        fs::copy_file(source, damaged, fs::copy_options::overwrite_existing);
        PointDirectories(damaged, offset);
        for (const char* name : {"damaged.png", "damaged.jpg", "damaged.tif"}) {
            const Outcome run = ErfConvert(scratch, damaged + " --force -o " + (scratch / name).string());
            EXPECT_EQ(run.status, 0) << run.err;
        }
        EXPECT_EQ(ReadTiff(scratch / "damaged.tif").pixels, ReadPng(scratch / "damaged.png").pixels);
    }
    // Kept as delivered, the pixels keep the camera's Orientation.
    const std::string kept = (scratch / "kept.jpg").string();
    ASSERT_EQ(ErfConvert(scratch, source + " --no-rotate -o " + kept).status, 0);
    EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -n -Orientation " + kept).out, "6\n");
}

// Every format keeps the camera's values as they are: rationals as written
// (not through floating point), each value's count (an 11-byte GPSDateStamp
// stays 11), and the resolution in the camera's unit (72 per inch, in JPEG's
// JFIF block too).
TEST(ErfConvertPicture, KeepsTheCamerasValuesExactlyInEachFormat) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string source = (scratch / "photo.erf").string();
    WriteChartErf(source, 60, 40);
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original -ExposureTime=1/125 -FNumber=5.6 -ExposureCompensation=-1/3 "
                         "-GPSDateStamp=2026:01:02 -GPSProcessingMethod=GPS -UserComment=odd-lengths " +
                             source)
                  .status,
              0);
    const char* const expected[] = {
        "ExposureTime = 0.008 (1/125)", "FNumber = 5.6 (28/5)", "(-1/3)", "- Tag 0x001d (11 bytes",
        "- Tag 0x9286 (19 bytes",  // UserComment: the character code's 8 bytes and 11 characters
    };
    for (const char* name : {"photo.png", "photo.jpg", "photo.tif"}) {
        SCOPED_TRACE(name);
        const std::string output = (scratch / name).string();
        ASSERT_EQ(ErfConvert(scratch, source + " -o " + output).status, 0);
        const std::string shown = RunProgram(scratch, "exiftool", "-v3 " + output).out;
        for (const char* line : expected) EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
        EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -IFD0:XResolution -IFD0:ResolutionUnit " + output).out,
                  "72\ninches\n");
    }
    EXPECT_EQ(RunProgram(scratch, "exiftool",
                         "-s -s -s -JFIF:XResolution -JFIF:ResolutionUnit " + (scratch / "photo.jpg").string())
                  .out,
              "72\ninches\n");
}

// An Exif block larger than a JPEG segment holds is said so and left out of
// the JPEG, and still goes whole into the PNG and the TIFF.
TEST(ErfConvertPicture, CarriesAnExifBlockTooLargeForJpegWholeIntoPngAndTiff) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string source = (scratch / "photo.erf").string();
    WriteChartErf(source, 30, 20);
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original -UserComment=" + std::string(70000, 'a') + " " + source)
                  .status,
              0);
    const struct {
        const char* name;
        std::size_t commentBytes;  // as ExifTool shows it, with its newline; 0 for none
        bool warned;
    } cases[] = {{"photo.png", 70001, false}, {"photo.jpg", 0, true}, {"photo.tif", 70001, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = (scratch / c.name).string();
        const Outcome run = ErfConvert(scratch, source + " -o " + output);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, c.warned ? "erf-convert: warning: " + output +
                                          ": the Exif block (70302 bytes) is larger than a JPEG segment holds (65527): "
                                          "the JPEG carries no Exif\n"
                                    : "");
        EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -UserComment " + output).out.size(), c.commentBytes);
    }
}

// Writes 32-bit little-endian `values` at `offset` of the file.
void WriteLongs(const std::string& path, std::int64_t offset, std::initializer_list<std::uint32_t> values) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    for (const std::uint32_t value : values) {
        const char bytes[] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                              static_cast<char>(value >> 24)};
        file.write(bytes, 4);
    }
}

// Makes the Exif directory's entry for `tagNumber` another: `tag` of `type`
// with one value, `value`.
void ReplaceExifEntry(const std::string& path, std::uint32_t tagNumber, std::uint32_t tag, std::uint32_t type,
                      std::uint32_t value) {
    PhotoFile photo;
    photo.Open(path.c_str());
    const TiffTag* entry = photo.exifIfd.FindTagByNumber(tagNumber);
    ASSERT_NE(entry, nullptr) << tagNumber;
    WriteLongs(path, entry->entryOffset, {tag | type << 16, 1, value});
}

// Points IFD0's pointer `tagNumber` at `offset`.
void PointIfd0Entry(const std::string& path, std::uint32_t tagNumber, std::uint32_t offset) {
    PhotoFile photo;
    photo.Open(path.c_str());
    const TiffTag* entry = photo.mainIfd.FindTagByNumber(tagNumber);
    ASSERT_NE(entry, nullptr) << tagNumber;
    WriteLongs(path, entry->entryOffset + 8, {offset});
}

// Copied metadata never points into the wrong file nor carries another
// directory's tags: an Exif directory holding a SubIFDs pointer (at IFD0) or
// IFD0's ImageWidth, or Exif and GPS pointers that name IFD0, the raw
// directory or each other, give pictures in which ExifTool finds nothing to
// warn about.
TEST(ErfConvertPicture, CopiedMetadataPointsOnlyIntoItsOwnPicture) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string source = (scratch / "photo.erf").string();
    WriteChartErf(source, 60, 40);
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original -ExposureTime=1/125 -ISO=200 -GPSLatitude=35.6812 -GPSLatitudeRef=N "
                         "-GPSProcessingMethod=GPS " +
                             source)
                  .status,
              0);
    PhotoFile photo;
    photo.Open(source.c_str());
    const std::uint32_t ifd0 = photo.mainPlace.offset;
    const std::uint32_t raw = photo.rawPlace.offset;
    const std::uint32_t exif = photo.exifPlace.offset;
    constexpr std::uint32_t kLong = 4, kShort = 3, kExposureTime = 33434, kIsoSpeedRatings = 34855;
    const struct {
        const char* what;
        std::function<void(const std::string&)> damage;
    } cases[] = {
        {"Exif holds SubIFDs naming IFD0",
         [&](const std::string& path) { ReplaceExifEntry(path, kExposureTime, kTagSubIFDs, kLong, ifd0); }},
        {"Exif holds ImageWidth",
         [&](const std::string& path) { ReplaceExifEntry(path, kIsoSpeedRatings, kTagImageWidth, kShort, 60); }},
        {"Exif names IFD0", [&](const std::string& path) { PointIfd0Entry(path, kTagExifIFDPointer, ifd0); }},
        {"Exif names the raw directory", [&](const std::string& path) { PointIfd0Entry(path, kTagExifIFDPointer, raw); }},
        {"GPS names the Exif directory",
         [&](const std::string& path) { PointIfd0Entry(path, kTagGPSInfoIFDPointer, exif); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string damaged = (scratch / "damaged.erf").string();
        fs::copy_file(source, damaged, fs::copy_options::overwrite_existing);
        c.damage(damaged);
        for (const char* name : {"damaged.png", "damaged.jpg", "damaged.tif"}) {
            SCOPED_TRACE(name);
            const std::string output = (scratch / name).string();
            ASSERT_EQ(ErfConvert(scratch, damaged + " --force -o " + output).status, 0);
            EXPECT_EQ(RunProgram(scratch, "exiftool", "-validate -warning -a -s -s -s " + output).out, "OK\n");
            EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -n -ExifIFD:ImageWidth " + output).out, "");
        }
    }
}

}  // namespace
