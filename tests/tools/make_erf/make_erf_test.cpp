#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <zlib.h>

#include "develop/raw_decoder.h"
#include "develop/tone_curves.h"
#include "tests/support/delivered_rows.h"
#include "tests/support/memory_image.h"
#include "tests/support/run_command.h"
#include "tiff/erf_file.h"
#include "tools/make_erf/erf_writer.h"
#include "tools/make_erf/test_chart.h"

namespace {

TEST(MakeErf, EverySizeHasTheStripTheDecoderExpects) {
    struct Case {
        std::uint32_t width, height;
        bool little;
    };
    for (const Case c : {Case{1, 1, true}, Case{2, 2, false}, Case{5, 3, true}, Case{9, 1, false}, Case{10, 4, true},
                         Case{11, 7, false}, Case{3045, 3, true}, Case{3040, 2024, true}, Case{3040, 2024, false}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + (c.little ? " II" : " MM"));
        const Scratch scratch;
        const std::string path = (scratch / "chart.erf").string();
        std::string error;
        ASSERT_TRUE(WriteErf(path, MakeTestChart(c.width, c.height), c.little, error)) << error;
        ErfFile erf;
        ASSERT_EQ(erf.Open(path.c_str()), 0);
        std::uint32_t photometric = 0, width = 0, height = 0, stripOffset = 0, stripBytes = 0;
        erf.QueryRawImageTags(&photometric, &width, &height, &stripOffset, &stripBytes);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(photometric, 32803u);
        EXPECT_EQ(stripBytes, c.height * ((c.width + 9) / 10) * 16);
        EXPECT_EQ(stripOffset % 2, 0u);
        EXPECT_EQ(std::uintmax_t{stripOffset} + stripBytes, std::filesystem::file_size(path));
        EXPECT_EQ(erf.mainIfd.FindTag("Make")->valueText, "SEIKO EPSON CORP.");
        EXPECT_EQ(erf.mainIfd.FirstValue("NewSubfileType"), 1u);
        EXPECT_EQ(erf.rawIfd.FirstValue("BitsPerSample"), 12u);
    }
}

TEST(SampleForLevel, DevelopsToTheNearestLevelTheCurveCanGive) {
    for (const MosaicColour colour : {kMosaicRed, kMosaicGreen, kMosaicBlue}) {
        const std::uint8_t* curve = ToneCurveOf(colour);
        for (int level = 0; level < 256; ++level) {
            int nearest = 1000;
            for (int i = 0; i < 256; ++i) nearest = std::min(nearest, std::abs(curve[i] - level));
            const int developed = DevelopedLevel(colour, SampleForLevel(colour, static_cast<std::uint8_t>(level)));
            EXPECT_EQ(std::abs(developed - level), nearest) << "colour " << colour << " level " << level;
        }
    }
}

TEST(MakeErf, AFlatPictureDevelopsBackToItsColour) {
    const Scratch scratch;
    const std::string path = (scratch / "flat.erf").string();
    Picture flat{8, 6, {}};
    for (int i = 0; i < 8 * 6; ++i) flat.pixels.insert(flat.pixels.end(), {60, 120, 200});  // red 200, blue 60
    std::string error;
    ASSERT_TRUE(WriteErf(path, flat, false, error));
    const std::vector<std::uint8_t> rows = ReadRows(path.c_str()).Pixels();
    ASSERT_EQ(rows.size(), 8u * 6 * 3);
    const std::uint8_t expected[3] = {DevelopedLevel(kMosaicBlue, SampleForLevel(kMosaicBlue, 60)),
                                      DevelopedLevel(kMosaicGreen, SampleForLevel(kMosaicGreen, 120)),
                                      DevelopedLevel(kMosaicRed, SampleForLevel(kMosaicRed, 200))};
    for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i], expected[i % 3]) << "byte " << i;
    EXPECT_LE(std::abs(expected[2] - 200), 2);
}

TEST(MakeErfProgram, ReadsAPictureAndRefusesBadInput) {
    const Scratch scratch;
    {
        std::ofstream ppm(scratch / "in.ppm", std::ios::binary);
        ppm << "P6\n# two by one\n2 1\n255\n";
        ppm.write("\xFF\x00\x00\x00\x00\xFF", 6);
        std::ofstream(scratch / "bad.ppm") << "P6\n2 1\n255\nxy";
        std::ofstream(scratch / "text.png") << "no picture";
        std::ofstream(scratch / "huge.ppm") << "P6\n16384 16384\n65535\nxy";
    }
    const std::string dir = scratch.path().string() + "/";
    EXPECT_EQ(RunProgram(scratch, MAKE_ERF, "--input " + dir + "in.ppm -o " + dir + "out.erf").status, 0);
    EXPECT_EQ(std::filesystem::file_size(scratch / "out.erf") % 2, 0u);
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        // Bad usage: the reason first, a pointer to --help, exit status 2.
        {"--width 10", 2, "no output file given: name it with -o PATH"},
        {dir + "chart.erf", 2, "unknown option or argument: " + dir + "chart.erf"},
        {"-o", 2, "--output needs a value"},
        {"-o " + dir + "x.erf --width 0", 2, "--width: '0' is not a whole number from 1 to 65535"},
        {"-o " + dir + "x.erf --height=12x", 2, "--height: '12x' is not a whole number from 1 to 65535"},
        {"-o " + dir + "x.erf --byte-order XX", 2, "--byte-order: 'XX' is not one of II, MM"},
        {"-o " + dir + "x.erf --colour red", 2, "unknown option or argument: --colour\n"},
        // Files that cannot be made: exit status 1, the file named.
        {"-o " + dir + "x.erf --width 65535 --height 65535", 1, "65535 x 65535 pixels is too large"},
        {"-o " + dir + "x.erf --input " + dir + "in.ppm --width 40000 --height 40000", 1,
         "40000 x 40000 pixels is too large"},
        {"-o " + dir + "x.erf --input " + dir + "missing.png", 1, dir + "missing.png: cannot open the file"},
        {"-o " + dir + "x.erf --input " + dir + "bad.ppm", 1, dir + "bad.ppm: the PPM picture is cut short"},
        {"-o " + dir + "x.erf --input " + dir + "huge.ppm", 1, dir + "huge.ppm: the PPM picture is cut short"},
        {"-o " + dir + "x.erf --input " + dir + "text.png", 1, dir + "text.png: not a PNG or binary PPM picture"},
        {"-o " + dir + "in.ppm --input " + dir + "in.ppm", 1, dir + "in.ppm: is the input picture " + dir + "in.ppm"},
        {"-o " + dir + "no/such/dir/x.erf --width 4 --height 4", 1,
         dir + "no/such/dir/x.erf: cannot create a file in its directory (No such file or directory)"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunProgram(scratch, MAKE_ERF, c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_EQ(outcome.err.rfind("make-erf: " + c.message, 0), 0u) << c.arguments << "\n" << outcome.err;
        EXPECT_EQ(outcome.err.find("Try 'make-erf --help'") != std::string::npos, c.status == 2) << c.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch / "x.erf"));
}

TEST(MakeErfProgram, HelpAndVersion) {
    const Scratch scratch;
    const Outcome help = RunProgram(scratch, MAKE_ERF, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("-o,--output PATH"), std::string::npos) << help.out;
    const Outcome version = RunProgram(scratch, MAKE_ERF, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("make-erf ", 0), 0u) << version.out;
}

// Names in the folder other than those given: a temporary file left behind.
std::vector<std::string> Leftovers(const Scratch& scratch, std::initializer_list<std::string> expected) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        const std::string name = entry.path().filename().string();
        if (name != "stdout" && name != "stderr" && std::find(expected.begin(), expected.end(), name) == expected.end())
            names.push_back(name);
    }
    return names;
}

TEST(MakeErfProgram, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    const Scratch scratch;
    const std::string target = (scratch / "keep.erf").string();
    std::ofstream(target) << "the old file";
    // The file size limit makes the strip's write fail half-way (EFBIG, with SIGXFSZ ignored).
    const Outcome outcome =
        RunProgram(scratch, "trap '' XFSZ; ulimit -f 64; exec " MAKE_ERF, "--width 640 --height 480 -o " + target);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "make-erf: " + target + ": write: File too large\n");
    EXPECT_EQ(Slurp(target), "the old file");
    EXPECT_EQ(Leftovers(scratch, {"keep.erf"}), std::vector<std::string>{});
}

TEST(MakeErfProgram, ReplacesTheOutputWholeAndWritesThroughALink) {
    const Scratch scratch;
    const std::string size = "--width 30 --height 20 ";
    ASSERT_EQ(RunProgram(scratch, MAKE_ERF, size + "-o " + (scratch / "fresh.erf").string()).status, 0);
    const std::string fresh = Slurp(scratch / "fresh.erf");
    EXPECT_EQ(std::filesystem::status(scratch / "fresh.erf").permissions(), std::filesystem::perms(0666 & ~[] {
                  const mode_t mask = umask(0);
                  umask(mask);
                  return mask;
              }()));

    std::ofstream(scratch / "old.erf") << "the old file";
    std::filesystem::create_symlink("old.erf", scratch / "link.erf");
    ASSERT_EQ(RunProgram(scratch, MAKE_ERF, size + "-o " + (scratch / "link.erf").string()).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(scratch / "link.erf"));
    EXPECT_EQ(Slurp(scratch / "old.erf"), fresh);

    // Standard output gets the same bytes: the file is made aside and copied out.
    const Outcome piped = RunProgram(scratch, MAKE_ERF, size + "-o -");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, fresh);
    EXPECT_EQ(Leftovers(scratch, {"fresh.erf", "old.erf", "link.erf"}), std::vector<std::string>{});
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// A whole PNG chunk: length, type, data and checksum.
std::string PngChunk(const std::string& type, const std::string& data) {
    std::string chunk;
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    chunk += typed;
    PutBigEndian(chunk, static_cast<std::uint32_t>(
                            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
    return chunk;
}

std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
              static_cast<uLong>(bytes.size()), 9);
    out.resize(size);
    return out;
}

// An 8-bit RGB PNG of `width` x `height` grey pixels, `extra` chunks between
// its header and its image data. With `rowsInData`, the image data holds only
// that many rows (enough for a picture refused from its header).
std::string GreyPng(std::uint32_t width, std::uint32_t height, const std::string& extra = "",
                    std::uint32_t rowsInData = UINT32_MAX) {
    std::string header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string rows;
    for (std::uint32_t y = 0; y < std::min(height, rowsInData); ++y)
        rows += std::string(1, '\0') + std::string(std::size_t{width} * 3, 'x');
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header) + extra + PngChunk("IDAT", Deflated(rows)) +
           PngChunk("IEND", "");
}

// Compressed text chunks, each inflating to `inflated` bytes: libpng keeps
// them all when asked for the text.
std::string TextBombs(const std::string& type, int count, std::size_t inflated) {
    const std::string text = Deflated(std::string(inflated, 'a'));
    // zTXt: keyword, 0, method 0, text; iTXt: keyword, 0, flag 1, method 0, language, 0, keyword, 0, text.
    const std::string data =
        type == "zTXt" ? std::string("Comment\0\0", 9) + text : std::string("Comment\0\1\0\0\0", 12) + text;
    std::string chunks;
    for (int i = 0; i < count; ++i) chunks += PngChunk(type, data);
    return chunks;
}

struct Cost {
    int status;
    double cpuSeconds;
    double peakMiB;
    std::string err;
};

// The program's exit status, its user and system time and its peak memory,
// as /usr/bin/time measures them.
Cost Measured(const Scratch& scratch, const std::string& arguments) {
    const Outcome run =
        RunProgram(scratch, "/usr/bin/time -f 'cost %U %S %M' -o " + (scratch / "cost").string() + " " MAKE_ERF,
                   arguments);
    std::istringstream cost(Slurp(scratch / "cost").substr(Slurp(scratch / "cost").rfind("cost ") + 5));
    double user = 0, system = 0, kilobytes = 0;
    cost >> user >> system >> kilobytes;
    return {run.status, user + system, kilobytes / 1024, run.err};
}

// A picture's text chunks are never inflated and a picture too large is
// refused from its header: each input costs little beyond its pixels.
TEST(MakeErfProgram, CompressionBombsCostNeitherTimeNorMemory) {
    const Scratch scratch;
    const struct {
        std::string name;
        std::string bytes;
        int status;
        std::string message;  // after "make-erf: NAME: "
    } cases[] = {
        {"ztxt-1200.png", GreyPng(40, 30, TextBombs("zTXt", 1200, 7900000)), 0, ""},
        {"itxt-1200.png", GreyPng(40, 30, TextBombs("iTXt", 1200, 7900000)), 0, ""},
        {"ztxt-100.png", GreyPng(40, 30, TextBombs("zTXt", 100, 7900000)), 0, ""},
        {"wide.png", GreyPng(1048576, 256, "", 1), 1,
         "the picture's 1048576 x 256 pixels are larger than 65535 pixels a side"},
        {"tall.png", GreyPng(1, 65536, "", 1), 1, "the picture's 1 x 65536 pixels are larger than 65535 pixels a side"},
        // The good pictures nearest the limit.
        {"widest.png", GreyPng(65535, 2), 0, ""},
        {"tallest.png", GreyPng(2, 65535), 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(scratch / c.name, std::ios::binary) << c.bytes;
        const Cost cost =
            Measured(scratch, "--input " + (scratch / c.name).string() + " -o " + (scratch / "out.erf").string());
        EXPECT_EQ(cost.status, c.status) << cost.err;
        if (c.status != 0) {
            EXPECT_EQ(cost.err, "make-erf: " + (scratch / c.name).string() + ": " + c.message + "\n");
        }
        EXPECT_LT(cost.cpuSeconds, 2.0);
        std::printf("%s: %.2f s, %.0f MiB\n", c.name.c_str(), cost.cpuSeconds, cost.peakMiB);
        EXPECT_LT(cost.peakMiB, 256.0);
        std::filesystem::remove(scratch / c.name);
    }
    // A size given resizes the picture: then its sides may pass 65535.
    std::ofstream(scratch / "wide.png", std::ios::binary) << GreyPng(70000, 1);
    EXPECT_EQ(RunProgram(scratch, MAKE_ERF,
                         "--input " + (scratch / "wide.png").string() + " --width 70 --height 1 -o " +
                             (scratch / "out.erf").string())
                  .status,
              0);
}

TEST(MakeErfProgram, RefusesPpmSamplesAboveTheMaximumValue) {
    const Scratch scratch;
    const struct {
        std::string header;
        std::string samples;
        std::string message;  // empty: read
    } cases[] = {
        {"P6\n1 1\n1\n", std::string("\1\0\1", 3), ""},
        {"P6\n1 1\n1\n", std::string("\xFF\xFF\xFF", 3),
         "the PPM picture has a sample of 255 above its maximum value 1 (pixel 0)"},
        {"P6\n2 1\n254\n", std::string("\xFE\xFE\xFE\xFE\xFE\xFF", 6),
         "the PPM picture has a sample of 255 above its maximum value 254 (pixel 1)"},
        {"P6\n1 1\n1000\n", std::string("\x03\xE8\x03\xE8\x03\xE8", 6), ""},
        {"P6\n1 1\n1000\n", std::string("\x03\xE8\x03\xE9\x00\x00", 6),
         "the PPM picture has a sample of 1001 above its maximum value 1000 (pixel 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header + c.message);
        std::ofstream(scratch / "in.ppm", std::ios::binary) << c.header << c.samples;
        const Outcome run =
            RunProgram(scratch, MAKE_ERF,
                       "--input " + (scratch / "in.ppm").string() + " -o " + (scratch / "out.erf").string());
        EXPECT_EQ(run.status, c.message.empty() ? 0 : 1) << run.err;
        if (!c.message.empty()) {
            EXPECT_EQ(run.err, "make-erf: " + (scratch / "in.ppm").string() + ": " + c.message + "\n");
        }
    }
}

// A target that cannot be written is named before the picture is read; a
// terminal as standard output is bad usage, as for erf-convert; --force is
// taken as erf-convert takes it, and the input picture is still never replaced.
TEST(MakeErfProgram, TargetsAreCheckedFirstAndForceIsTaken) {
    const Scratch scratch;
    std::ofstream(scratch / "in.ppm", std::ios::binary) << "P6\n1 1\n255\n" << std::string("\1\2\3", 3);
    // strace shows the picture is never opened.
    const Outcome unwritable =
        RunProgram(scratch, RUDI_STRACE " -f -e trace=openat -o " + (scratch / "calls").string() + " " MAKE_ERF,
                   "--input " + (scratch / "in.ppm").string() + " -o " + (scratch / "no/x.erf").string());
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "make-erf: " + (scratch / "no/x.erf").string() +
                                  ": cannot create a file in its directory (No such file or directory)\n");
    EXPECT_EQ(Slurp(scratch / "calls").find("in.ppm"), std::string::npos);

    const Outcome terminal = RunProgram(scratch, "script -qec '" MAKE_ERF " --width 2 --height 2 -o -' /dev/null", "");
    EXPECT_EQ(terminal.status, 2);
    EXPECT_NE(terminal.out.find("make-erf: standard output is a terminal"), std::string::npos) << terminal.out;

    std::ofstream(scratch / "old.erf") << "old";
    EXPECT_EQ(RunProgram(scratch, MAKE_ERF, "--width 2 --height 2 --force -o " + (scratch / "old.erf").string()).status,
              0);
    EXPECT_NE(Slurp(scratch / "old.erf"), "old");
    const Outcome input =
        RunProgram(scratch, MAKE_ERF,
                   "--force --input " + (scratch / "in.ppm").string() + " -o " + (scratch / "in.ppm").string());
    EXPECT_EQ(input.status, 1);
    EXPECT_EQ(Slurp(scratch / "in.ppm"), "P6\n1 1\n255\n\1\2\3");
}

// dcraw, an independent reader, unpacks the strip of a make-erf file to the
// very samples make-erf packed, in both byte orders. dcraw takes the camera's
// widths (multiples of 10) for EPSON files; others it guesses differently.
TEST(MakeErfProgram, DcrawReadsEverySampleAsPacked) {
    if (std::system("command -v dcraw >/dev/null 2>&1") != 0) GTEST_SKIP() << "dcraw is not installed";
    const Scratch scratch;
    struct Size {
        std::uint32_t width, height;
    };
    for (const Size size : {Size{640, 480}, Size{2000, 1000}, Size{3040, 2024}}) {
        const Picture chart = MakeTestChart(size.width, size.height);
        std::vector<std::uint16_t> expected;
        expected.reserve(std::size_t{size.width} * size.height);
        for (std::uint32_t y = 0; y < size.height; ++y) {
            for (std::uint32_t x = 0; x < size.width; ++x) {
                const int colour = y % 2 == 0 ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);  // RGGB
                expected.push_back(SampleForLevel(static_cast<MosaicColour>(colour), chart.At(x, y)[2 - colour]));  // BGR
            }
        }
        for (const char* order : {"II", "MM"}) {
            SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height) + " " + order);
            const std::string file = (scratch / "dcraw.erf").string();
            ASSERT_EQ(RunProgram(scratch, MAKE_ERF,
                                 "--width " + std::to_string(size.width) + " --height " + std::to_string(size.height) +
                                     " --byte-order " + order + " -o " + file)
                          .status,
                      0);
            // Document mode, 16 bits, unscaled: a PGM of the raw samples, big-endian.
            const Outcome dcraw = RunProgram(scratch, "dcraw", "-D -4 -c " + file);
            ASSERT_EQ(dcraw.status, 0) << dcraw.err;
            const std::string header =
                "P5\n" + std::to_string(size.width) + " " + std::to_string(size.height) + "\n65535\n";
            ASSERT_EQ(dcraw.out.substr(0, header.size()), header);
            ASSERT_EQ(dcraw.out.size(), header.size() + 2 * expected.size());
            std::size_t differing = 0;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const auto* sample = reinterpret_cast<const unsigned char*>(dcraw.out.data() + header.size() + 2 * i);
                differing += (sample[0] << 8 | sample[1]) != expected[i];
            }
            EXPECT_EQ(differing, 0u);
        }
    }
}

// ExifTool reads the raw directory as the camera's ("Packed RAW"), with no
// warning about the strip's size. The directory writer places value blocks
// one after the other, so ExifTool's validation still notes odd offsets.
TEST(MakeErfProgram, ExifToolReadsTheRawDirectoryWithoutAWarning) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    for (const char* order : {"II", "MM"}) {
        SCOPED_TRACE(order);
        const std::string file = (scratch / "exif.erf").string();
        ASSERT_EQ(RunProgram(scratch, MAKE_ERF,
                             std::string("--width 640 --height 480 --byte-order ") + order + " -o " + file)
                      .status,
                  0);
        const Outcome read = RunProgram(scratch, "exiftool", "-a -s -SubIFD:Compression -warning " + file);
        EXPECT_EQ(read.out, "Compression                     : Packed RAW\n");
        const Outcome validated = RunProgram(scratch, "exiftool", "-a -s3 -validate -warning " + file);
        std::istringstream lines(validated.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("[minor]") == std::string::npos) continue;
            EXPECT_NE(line.find("[minor] Odd offset for IFD0 tag"), std::string::npos) << line;
        }
    }
}

TEST(MakeErf, ItsDirectoriesRoundTripThroughAMemoryImage) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        const Scratch scratch;
        const std::string path = (scratch / "chart.erf").string();
        std::string error;
        ASSERT_TRUE(WriteErf(path, MakeTestChart(37, 11), little, error)) << error;
        ErfFile erf;
        ASSERT_EQ(erf.Open(path.c_str()), 0);
        ASSERT_GT(erf.mainIfd.TagCount(), 0);
        ASSERT_GT(erf.rawIfd.TagCount(), 0);
        ExpectRoundTrip(erf.mainIfd);
        ExpectRoundTrip(erf.rawIfd);
    }
}

}  // namespace
