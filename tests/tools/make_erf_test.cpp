#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "develop/raw_decoder.h"
#include "develop/tone_curves.h"
#include "plugin/exports.h"
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

TEST(PackRawRow, PacksWhatTheDecoderUnpacks) {
    for (const std::uint32_t width : {1u, 2u, 10u, 11u, 25u}) {
        std::vector<std::uint16_t> samples(width);
        for (std::uint32_t x = 0; x < width; ++x) samples[x] = static_cast<std::uint16_t>((x * 1237 + 0xABC) % 4096);
        std::vector<std::uint8_t> row(RawRowBytes(width), 0x77);
        PackRawRow(samples.data(), width, row.data());
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* pair = row.data() + (x / 10) * 16 + (x % 10) / 2 * 3;
            EXPECT_EQ(x % 2 == 0 ? FirstSample(pair) : SecondSample(pair), samples[x]) << "width " << width << " x " << x;
        }
        for (std::size_t group = 15; group < row.size(); group += 16) EXPECT_EQ(row[group], 0) << group;
    }
    const std::uint16_t pair[2] = {0xABC, 0xDEF};
    std::uint8_t bytes[16];
    PackRawRow(pair, 2, bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 3), (std::vector<std::uint8_t>{0xAB, 0xCD, 0xEF}));
}

TEST(SampleForLevel, DevelopsToTheNearestLevelTheCurveCanGive) {
    const std::uint8_t* curves[3] = {kRedCurve, kGreenCurve, kBlueCurve};
    for (int colour = 0; colour < 3; ++colour) {
        for (int level = 0; level < 256; ++level) {
            int nearest = 1000;
            for (int i = 0; i < 256; ++i) nearest = std::min(nearest, std::abs(curves[colour][i] - level));
            const int developed = curves[colour][ScaleSample(SampleForLevel(colour, static_cast<std::uint8_t>(level)))];
            EXPECT_EQ(std::abs(developed - level), nearest) << "colour " << colour << " level " << level;
        }
    }
}

std::vector<std::uint8_t>* gRows = nullptr;
std::int32_t RUDI_CDECL KeepRow(std::int32_t, std::int32_t first, std::int32_t last, std::uint8_t* pixels, std::int32_t) {
    gRows->insert(gRows->end(), pixels, pixels + 3 * (last - first + 1));
    return 0;
}

TEST(MakeErf, AFlatPictureDevelopsBackToItsColour) {
    const Scratch scratch;
    const std::string path = (scratch / "flat.erf").string();
    RgbPicture flat{8, 6, {}};
    for (int i = 0; i < 8 * 6; ++i) flat.rgb.insert(flat.rgb.end(), {200, 120, 60});
    std::string error;
    ASSERT_TRUE(WriteErf(path, flat, false, error));
    std::vector<std::uint8_t> rows;
    gRows = &rows;
    LineCallbackRecord callbacks{&KeepRow};
    ReadFileExec(0, path.c_str(), 0, 0, 0, &callbacks);
    gRows = nullptr;
    ASSERT_EQ(rows.size(), 8u * 6 * 3);
    const std::uint8_t expected[3] = {kBlueCurve[ScaleSample(SampleForLevel(2, 60))],
                                      kGreenCurve[ScaleSample(SampleForLevel(1, 120))],
                                      kRedCurve[ScaleSample(SampleForLevel(0, 200))]};
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
    }
    const std::string dir = scratch.path().string() + "/";
    EXPECT_EQ(RunProgram(scratch, MAKE_ERF, "--input " + dir + "in.ppm -o " + dir + "out.erf").status, 0);
    EXPECT_EQ(std::filesystem::file_size(scratch / "out.erf") % 2, 0u);
    struct Case {
        std::string arguments, message;
    };
    const Case cases[] = {
        {"--width 10", "no output file given"},
        {"-o " + dir + "x.erf --width 0", "--width must be a whole number from 1 to 65535, not '0'"},
        {"-o " + dir + "x.erf --height 12x", "--height must be a whole number"},
        {"-o " + dir + "x.erf --byte-order XX", "--byte-order must be II or MM"},
        {"-o " + dir + "x.erf --colour red", "unknown option --colour"},
        {"-o", "missing value after -o"},
        {"-o " + dir + "x.erf --width 65535 --height 65535", "65535 x 65535 pixels is too large"},
        {"-o " + dir + "x.erf --input " + dir + "in.ppm --width 40000 --height 40000", "40000 x 40000 pixels is too large"},
        {"-o " + dir + "x.erf --input " + dir + "missing.png", dir + "missing.png: cannot open the file"},
        {"-o " + dir + "x.erf --input " + dir + "bad.ppm", dir + "bad.ppm: the PPM picture is cut short"},
        {"-o " + dir + "x.erf --input " + dir + "text.png", dir + "text.png: not a PNG or binary PPM picture"},
        {"-o " + dir + "no/such/dir/x.erf --width 4 --height 4", dir + "no/such/dir/x.erf: cannot create the file"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunProgram(scratch, MAKE_ERF, c.arguments);
        EXPECT_NE(outcome.status, 0) << c.arguments;
        EXPECT_NE(outcome.err.find("make-erf: " + c.message), std::string::npos) << c.arguments << "\n" << outcome.err;
    }
}

}  // namespace
