// erf-convert's DNG, read back by the raw readers photographers use: dcraw,
// LibRaw, ExifTool, and the editors darktable and RawTherapee.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/erf_builder.h"
#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tools/erf_convert/converter.h"
#include "tools/picture/picture_writer.h"

namespace {

namespace fs = std::filesystem;

// The samples of a 16-bit PGM (as dcraw -D -4 and unprocessed_raw write it),
// row by row; empty when it is not one.
std::vector<std::uint16_t> PgmSamples(const std::string& bytes, std::uint32_t& width, std::uint32_t& height) {
    std::istringstream in(bytes);
    std::string magic;
    unsigned largest = 0;
    in >> magic >> width >> height >> largest;
    in.get();
    std::vector<std::uint16_t> samples;
    if (magic != "P5" || largest != 65535) return samples;
    for (int high = in.get(), low = in.get(); in; high = in.get(), low = in.get()) {
        samples.push_back(static_cast<std::uint16_t>(high << 8 | low));
    }
    return samples;
}

// The raw samples dcraw reads from `path`, unscaled.
std::vector<std::uint16_t> DcrawSamples(const Scratch& scratch, const std::string& path, std::uint32_t& width,
                                        std::uint32_t& height) {
    return PgmSamples(RunProgram(scratch, "dcraw", "-D -4 -c " + path).out, width, height);
}

// A file of known samples: i * 797 mod 4096 in reading order.
std::vector<std::uint16_t> KnownSamples(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> samples;
    for (std::uint32_t i = 0; i < width * height; ++i) samples.push_back(static_cast<std::uint16_t>(i * 797 % 4096));
    return samples;
}

void WriteKnownErf(const fs::path& path, std::uint32_t width, std::uint32_t height, bool littleEndian) {
    WriteFile(path, BuildErf({.littleEndian = littleEndian,
                              .width = width,
                              .height = height,
                              .strip = PackSamples(KnownSamples(width, height), width, height)}));
}

// Every sample of the DNG is the file's: at an odd size and one of whole
// groups, in both byte orders, as dcraw and LibRaw read them; and ExifTool
// finds nothing to warn of where rows end on whole bytes. (dcraw's own
// EPSON RAW reader takes a row as 1.6 bytes a sample, right only for widths
// of whole groups of ten: the odd file is checked against its samples.)
TEST(ErfConvertDng, HoldsEverySampleOfTheFile) {
    if (!Installed("dcraw")) GTEST_SKIP() << "dcraw is not installed";
    const Scratch scratch;
    const struct {
        std::uint32_t width, height;
        bool littleEndian;
    } cases[] = {{37, 29, true}, {37, 29, false}, {40, 29, false}, {40, 30, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + (c.littleEndian ? " II" : " MM"));
        const std::string erf = (scratch / "known.erf").string();
        const std::string dng = (scratch / "known.dng").string();
        WriteKnownErf(erf, c.width, c.height, c.littleEndian);
        const Outcome run = ErfConvert(scratch, erf + " --force -o " + dng);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        std::uint32_t width = 0, height = 0;
        EXPECT_EQ(DcrawSamples(scratch, dng, width, height), KnownSamples(c.width, c.height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        if (Installed("unprocessed_raw")) {
            ASSERT_EQ(RunProgram(scratch, "unprocessed_raw", dng).status, 0);
            EXPECT_EQ(PgmSamples(Slurp(dng + ".pgm"), width, height), KnownSamples(c.width, c.height));
            fs::remove(dng + ".pgm");
        }
        if (c.width % 10 == 0) {
            std::uint32_t erfWidth = 0, erfHeight = 0;
            EXPECT_EQ(DcrawSamples(scratch, erf, erfWidth, erfHeight), KnownSamples(c.width, c.height));
        }
        if (c.width % 2 == 0 && Installed("exiftool")) {
            EXPECT_EQ(RunProgram(scratch, "exiftool", "-validate -warning -a -s -s -s " + dng).out, "OK\n");
        }
    }
}

// At the camera's size, the test chart: dcraw reads the same samples from
// both files, and the DNG is no larger than the EPSON RAW file.
TEST(ErfConvertDng, KeepsTheCamerasSizeAndSamples) {
    if (!Installed("dcraw")) GTEST_SKIP() << "dcraw is not installed";
    const Scratch scratch;
    const std::string erf = (scratch / "chart.erf").string();
    const std::string dng = (scratch / "chart.dng").string();
    WriteChartErf(erf, 3040, 2024);
    const Outcome run = ErfConvert(scratch, erf + " -o " + dng);
    ASSERT_EQ(run.status, 0) << run.err;
    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint16_t> fromDng = DcrawSamples(scratch, dng, width, height);
    EXPECT_EQ(width, 3040u);
    EXPECT_EQ(height, 2024u);
    std::uint32_t erfWidth = 0, erfHeight = 0;
    EXPECT_TRUE(fromDng == DcrawSamples(scratch, erf, erfWidth, erfHeight));
    EXPECT_LE(fs::file_size(dng), fs::file_size(erf) * 102 / 100);
    if (Installed("exiftool")) {
        EXPECT_EQ(RunProgram(scratch, "exiftool", "-validate -warning -a -s -s -s " + dng).out, "OK\n");
    }
}

// What a raw converter needs of the camera, and the preview: the module's
// own picture, as a JPEG of its size (the chart's sharp colour edges cost a
// JPEG with colour at half resolution about 9 levels on average).
TEST(ErfConvertDng, SaysWhatTheRawIsAndShowsTheModulesPicture) {
    if (!Installed("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string erf = (scratch / "chart.erf").string();
    const std::string dng = (scratch / "chart.dng").string();
    WriteChartErf(erf, 640, 480);
    ASSERT_EQ(ErfConvert(scratch, erf + " -o " + dng).status, 0);
    EXPECT_EQ(RunProgram(scratch, "exiftool",
                         "-s -s -s -DNGVersion -UniqueCameraModel -ColorMatrix1 -CalibrationIlluminant1 "
                         "-SubIFD:PhotometricInterpretation -SubIFD:BitsPerSample -CFAPattern2 -BlackLevel "
                         "-WhiteLevel -AsShotNeutral " +
                             dng)
                  .out,
              "1.4.0.0\nSEIKO EPSON CORP. R-D1\n0.6827 -0.1878 -0.0732 -0.8429 1.6012 0.2564 -0.0704 0.0592 "
              "0.7145\nD65\nColor Filter Array\n12\n0 1 1 2\n0\n4095\n");
    const Outcome preview = RunProgram(scratch, "exiftool", "-b -PreviewImage " + dng);
    ASSERT_EQ(preview.status, 0);
    WriteFile(scratch / "preview.jpg", std::vector<std::uint8_t>(preview.out.begin(), preview.out.end()));
    const Picture shown = ReadJpeg(scratch / "preview.jpg");
    const Picture module = ModulePicture(erf);
    ASSERT_EQ(shown.width, module.width);
    ASSERT_EQ(shown.height, module.height);
    double difference = 0;
    for (std::size_t i = 0; i < module.pixels.size(); ++i) difference += std::abs(shown.pixels[i] - module.pixels[i]);
    EXPECT_LT(difference / static_cast<double>(module.pixels.size()), 12.0);
}

// The photograph's metadata reaches the DNG as ExifTool reads it back, and
// Orientation stays the camera's: the samples are not turned.
TEST(ErfConvertDng, CarriesThePhotographsMetadata) {
    if (!Installed("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const std::string erf = (scratch / "photo.erf").string();
    WriteChartErf(erf, 60, 40);
    SetOrientation(erf, 6);
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original -Artist='Ann Example' -Copyright='(c) Ann' -ExposureTime=1/125 "
                         "-FNumber=5.6 -ISO=200 -ExposureCompensation=-1/3 -DateTimeOriginal='2025:06:07 08:09:10' "
                         "-GPSLatitude=35.6812 -GPSLatitudeRef=N -GPSLongitude=139.7671 -GPSLongitudeRef=E " +
                             erf)
                  .status,
              0);
    const std::string shown =
        "-s -s -s -Artist -Copyright -Make -Model -ExposureTime -FNumber -ISO -ExposureCompensation "
        "-DateTimeOriginal -GPSPosition -Orientation ";
    const Outcome expected = RunProgram(scratch, "exiftool", shown + erf);
    ASSERT_NE(expected.out.find("1/125"), std::string::npos) << expected.out;
    ASSERT_NE(expected.out.find("Rotate 90 CW"), std::string::npos) << expected.out;
    const std::string dng = (scratch / "photo.dng").string();
    ASSERT_EQ(ErfConvert(scratch, erf + " -o " + dng).status, 0);
    EXPECT_EQ(RunProgram(scratch, "exiftool", shown + dng).out, expected.out);
    // The values as numbers, not only as shown.
    EXPECT_EQ(RunProgram(scratch, "exiftool", "-s -s -s -ExposureTime -FNumber -ExposureCompensation -n " + dng).out,
              RunProgram(scratch, "exiftool", "-s -s -s -ExposureTime -FNumber -ExposureCompensation -n " + erf).out);
    EXPECT_EQ(RunProgram(scratch, "exiftool", "-validate -warning -a -s -s -s " + dng).out, "OK\n");
}

// A DNG holds only the camera's samples: a strip cut short, or samples in
// another packing, give none, said so with status 1; the batch goes on.
TEST(ErfConvertDng, RefusesSamplesThatAreNotTheCameras) {
    const Scratch scratch;
    const std::string good = (scratch / "good.erf").string();
    const std::string cut = (scratch / "cut.erf").string();
    WriteKnownErf(good, 20, 10, true);
    std::vector<std::uint8_t> bytes =
        BuildErf({.width = 20, .height = 10, .strip = PackSamples(KnownSamples(20, 10), 20, 10)});
    bytes.resize(bytes.size() - 3 * StripRowBytes(20) - 5);
    WriteFile(cut, bytes);
    const Outcome run = ErfConvert(scratch, cut + " " + good + " --format dng -o " + (scratch / "out").string() + "/");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "erf-convert: " + cut +
                           ": the raw data ends at row 6 of 10: a DNG holds only the camera's own samples, so none "
                           "was written\n");
    EXPECT_FALSE(fs::exists(scratch / "out" / "cut.dng"));
    EXPECT_TRUE(fs::exists(scratch / "out" / "good.dng"));
    // --thumbnail has no raw samples to give.
    EXPECT_EQ(ErfConvert(scratch, good + " --thumbnail -o " + (scratch / "thumb.dng").string()).status, 2);
}

// The strip is read again for the DNG: a strip that is not intact is not
// opened, and one cut between the first read and the DNG's rows fails the
// write with its reason, leaving no file; read whole, the file's samples.
TEST(ErfConvertDng, ReadsTheStripAgainOnlyWhileItIsWhole) {
    const Scratch scratch;
    const fs::path erf = scratch / "photo.erf";
    const std::string target = (scratch / "photo.dng").string();
    const std::vector<std::uint8_t> bytes =
        BuildErf({.width = 40, .height = 30, .strip = PackSamples(KnownSamples(40, 30), 40, 30)});
    // Of the raw's size, as the module's picture is; dcraw takes no raw
    // picture under 22 pixels a side.
    const Picture preview{40, 30, std::vector<std::uint8_t>(40 * 30 * 3, 128)};
    const struct {
        const char* what;
        std::size_t cutBefore, cutAfter;  // bytes cut from the end before the first read, and after it
        const char* openError;            // empty when the strip opens
        const char* writeError;           // empty when the DNG is written
    } cases[] = {
        {"whole", 0, 0, "", ""},
        {"cut before", StripRowBytes(40), 0, ": cannot read the raw data again", ""},
        {"cut after", 0, 3 * StripRowBytes(40), "",
         ": cannot write the DNG file (the raw data of row 27 cannot be read again)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(erf, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(c.cutBefore)));
        std::string error;
        InputRead file;
        ASSERT_TRUE(ReadInput(erf.string(), file, error)) << error;
        fs::resize_file(erf, bytes.size() - c.cutBefore - c.cutAfter);
        RawStripReader strip;
        ASSERT_EQ(strip.Open(erf.string(), file, error), *c.openError == '\0') << error;
        if (*c.openError != '\0') {
            EXPECT_EQ(error, erf.string() + c.openError);
            continue;
        }
        WriteRequest request;
        request.format = PictureFormat::kDng;
        request.target = target;
        request.raw = &strip.Samples();
        EXPECT_EQ(WritePicture(preview, {}, request, error), *c.writeError == '\0') << error;
        if (*c.writeError != '\0') {
            EXPECT_EQ(error, target + c.writeError);
            EXPECT_FALSE(fs::exists(target));
            continue;
        }
        std::uint32_t width = 0, height = 0;
        if (Installed("dcraw")) {
            EXPECT_EQ(DcrawSamples(scratch, target, width, height), KnownSamples(40, 30));
        }
        fs::remove(target);
    }
}

// The editors photographers develop raw files in open the DNG and develop
// it without an error.
TEST(ErfConvertDng, DevelopsInDarktableAndRawTherapee) {
    if (!Installed("darktable-cli") || !Installed("rawtherapee-cli")) {
        GTEST_SKIP() << "darktable-cli or rawtherapee-cli is not installed (tools/install-deps.sh editors)";
    }
    const Scratch scratch;
    const std::string erf = (scratch / "chart.erf").string();
    const std::string dng = (scratch / "chart.dng").string();
    WriteChartErf(erf, 304, 202);
    ASSERT_EQ(ErfConvert(scratch, erf + " -o " + dng).status, 0);
    const std::string darktable = (scratch / "darktable.png").string();
    const Outcome dt = RunProgram(scratch, "HOME=" + scratch.path().string() + " darktable-cli",
                                  dng + " " + darktable + " --core --configdir " + (scratch / "dt").string());
    EXPECT_EQ(dt.status, 0) << dt.out << dt.err;
    EXPECT_TRUE(fs::exists(darktable)) << dt.out << dt.err;
    const Outcome rt = RunProgram(scratch, "HOME=" + scratch.path().string() + " rawtherapee-cli",
                                  "-o " + (scratch / "rt.png").string() + " -n -Y -c " + dng);
    EXPECT_EQ(rt.status, 0) << rt.out << rt.err;
    EXPECT_TRUE(fs::exists(scratch / "rt.png")) << rt.out << rt.err;
}

}  // namespace
