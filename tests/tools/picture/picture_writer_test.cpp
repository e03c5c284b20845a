#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/required_formats.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_file.h"
#include "tests/tools/picture/picture_readers.h"
#include "tools/make_erf/picture_file.h"
#include "tiff/photo_file.h"
#include "tiff/tag_numbers.h"
#include "tiff/type_facts.h"
#include "tools/picture/exif/embedded_notes.h"
#include "tools/picture/exif/exif_block.h"
#include "tools/picture/picture_writer.h"
#include "tools/picture/png/deflate_stream.h"

namespace {

// 2 x 2: top row blue-ish then green-ish, bottom row red-ish then grey.
Picture SmallPicture() { return {2, 2, {200, 10, 20, 30, 210, 40, 50, 60, 220, 70, 80, 90}}; }

std::string TempName(const char* extension) {
    const TempFile file;
    return file.path() + extension;
}

bool Write(const Picture& picture, const std::string& path, std::string& error, const PictureNotes& notes = {},
           std::optional<Deflater> deflater = {}) {
    WriteRequest request;
    request.format = FormatOfName(path).value_or(PictureFormat::kPng);
    request.target = path;
    request.deflater = deflater;
    return WritePicture(picture, notes, request, error);
}

// A picture of `width` x `height`: stripes that repeat down the picture
// (seed 0; PNG filter Up) or noise (PNG filter Sub).
Picture Pattern(std::int32_t width, std::int32_t height, int seed) {
    Picture picture{width, height, {}};
    std::uint32_t state = static_cast<std::uint32_t>(seed);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::size_t x = 0; x < picture.RowBytes(); ++x) {
            state = state * 1103515245u + 12345u;
            picture.pixels.push_back(seed == 0 ? static_cast<std::uint8_t>(x * 7 / 5)
                                               : static_cast<std::uint8_t>(state >> 24));
        }
    }
    return picture;
}

TEST(WriteBmp, WritesHeadersAndPaddedRowsBottomFirst) {
    const std::string path = TempName(".bmp");
    std::string error;
    ASSERT_TRUE(Write(SmallPicture(), path, error)) << error;
    const std::string text = Slurp(path);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    std::remove(path.c_str());
    // clang-format off
    const std::vector<std::uint8_t> expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: 54 + 2 x 8 bytes, pixels at 54
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        50, 60, 220, 70, 80, 90, 0, 0,    // bottom row first, padded to 8 bytes
        200, 10, 20, 30, 210, 40, 0, 0};
    // clang-format on
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
    for (const std::string path : {"/nonexistent/picture.png", "/nonexistent/picture.bmp", "/nonexistent/picture.jpg",
                                   "/nonexistent/picture.tif"}) {
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
        if (!HaveDeflater(deflater)) {
            EXPECT_FALSE(kEveryFormatRequired) << "this build has not the compressor " << static_cast<int>(deflater);
            continue;
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (deflater == Deflater::kIsal ? " through ISA-L" : " through zlib"));
            const Picture picture = Pattern(c.width, c.height, c.seed);
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

// The largest difference between two pictures' samples; 255 when their sizes differ.
int LargestDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 255;
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) largest = std::max(largest, std::abs(a.pixels[i] - b.pixels[i]));
    return largest;
}

// Each format and its options read back by its own library: TIFF exactly,
// JPEG within what its quality loses on a smooth picture (colour included:
// at 90 and above it is kept at full resolution).
TEST(WritePicture, JpegAndTiffReadBackAsWritten) {
    Picture smooth{96, 40, {}};
    for (std::int32_t y = 0; y < smooth.height; ++y) {
        for (std::int32_t x = 0; x < smooth.width; ++x) {
            smooth.pixels.push_back(static_cast<std::uint8_t>(2 * x));
            smooth.pixels.push_back(static_cast<std::uint8_t>(5 * y));
            smooth.pixels.push_back(static_cast<std::uint8_t>(200 - x - y));
        }
    }
    const Picture noise = Pattern(37, 23, 11);
    const struct {
        const char* extension;
        int quality;
        TiffCompression compression;
        const Picture& picture;
        int tolerance;
    } cases[] = {
        {".jpg", kDefaultQuality, TiffCompression::kNone, smooth, 4},
        {".JPEG", 100, TiffCompression::kNone, smooth, 3},
        {".jpg", 50, TiffCompression::kNone, smooth, 16},
        {".tif", 0, TiffCompression::kNone, noise, 0},
        {".tiff", 0, TiffCompression::kDeflate, noise, 0},
        {".TIF", 0, TiffCompression::kLzw, noise, 0},
        {".tif", 0, TiffCompression::kDeflate, smooth, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " quality " + std::to_string(c.quality) + " compression " +
                     std::to_string(static_cast<int>(c.compression)));
        const std::string path = TempName(c.extension);
        WriteRequest request;
        request.format = FormatOfName(path).value();
        request.target = path;
        request.quality = c.quality > 0 ? c.quality : kDefaultQuality;
        request.compression = c.compression;
        std::string error;
        ASSERT_TRUE(WritePicture(c.picture, {}, request, error)) << error;
        const Picture back = request.format == PictureFormat::kJpeg ? ReadJpeg(path) : ReadTiff(path);
        std::remove(path.c_str());
        EXPECT_LE(LargestDifference(back, c.picture), c.tolerance);
    }
}

// JPEG's colour at full resolution from quality 90: a one-pixel colour
// checkerboard survives it, and is averaged away below it.
TEST(WriteJpeg, KeepsColourAtFullResolutionFromQuality90) {
    Picture checks{16, 16, {}};
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 16; ++x) {
            const bool red = (x + y) % 2 == 0;
            checks.pixels.insert(checks.pixels.end(), {static_cast<std::uint8_t>(red ? 0 : 255), 0,
                                                       static_cast<std::uint8_t>(red ? 255 : 0)});
        }
    }
    for (const int quality : {89, 90}) {
        SCOPED_TRACE(quality);
        const std::string path = TempName(".jpg");
        WriteRequest request;
        request.format = PictureFormat::kJpeg;
        request.target = path;
        request.quality = quality;
        std::string error;
        ASSERT_TRUE(WritePicture(checks, {}, request, error)) << error;
        const Picture back = ReadJpeg(path);
        std::remove(path.c_str());
        if (quality >= kFullChromaQuality) {
            EXPECT_LT(LargestDifference(back, checks), 40);
        } else {
            EXPECT_GT(LargestDifference(back, checks), 80);
        }
    }
}

// The resolution in JFIF's density (unit, x, y: bytes 13 to 17 of the APP0
// segment libjpeg writes first) and in PNG's pHYs (x, y per metre, unit):
// kept where the format holds it, and where it does not, left out with a
// warning rather than rounded.
TEST(WritePicture, KeepsTheResolutionOrSaysWhyNot) {
    using Unit = PictureNotes::PixelSize::Unit;
    const struct {
        const char* extension;
        PictureNotes::PixelSize size;
        std::vector<std::uint32_t> stored;  // unit, x, y for JFIF; x, y, unit for pHYs; none when left out
        const char* warning;
    } cases[] = {
        {".jpg", {72, 72, Unit::kInch}, {1, 72, 72}, ""},
        {".jpg", {118, 120, Unit::kCentimetre}, {2, 118, 120}, ""},
        {".jpg", {65535, 1, Unit::kNone}, {0, 65535, 1}, ""},
        {".jpg",
         {72.5, 72, Unit::kInch},
         {0, 1, 1},
         "the resolution (72.5 x 72 per inch) is not a whole number of dots up to 65535, as JFIF holds it: the JFIF "
         "header carries none"},
        {".jpg",
         {65536, 1, Unit::kNone},
         {0, 1, 1},
         "the resolution (65536 x 1 (an aspect ratio)) is not a whole number of dots up to 65535, as JFIF holds it: "
         "the JFIF header carries none"},
        {".png", {72, 72, Unit::kInch}, {2835, 2835, 1}, ""},
        {".png", {72.5, 300, Unit::kCentimetre}, {7250, 30000, 1}, ""},
        {".png", {3, 2, Unit::kNone}, {3, 2, 0}, ""},
        {".png",
         {1e8, 1, Unit::kCentimetre},
         {},
         "the resolution (100000000 x 1 per centimetre) is beyond what PNG's pHYs chunk holds: the PNG carries none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension + std::to_string(c.size.x));
        const std::string path = TempName(c.extension);
        std::string warnings;
        WriteRequest request;
        request.format = FormatOfName(path).value_or(PictureFormat::kPng);
        request.target = path;
        request.warn = [&](const std::string& what) { warnings += what; };
        PictureNotes notes;
        notes.pixelSize = c.size;
        std::string error;
        ASSERT_TRUE(WritePicture(SmallPicture(), notes, request, error)) << error;
        const std::string bytes = Slurp(path);
        std::remove(path.c_str());
        EXPECT_EQ(warnings, c.warning);
        const auto byte = [&](std::size_t at) {
            return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at]));
        };
        const auto big16 = [&](std::size_t at) { return byte(at) << 8 | byte(at + 1); };
        const auto big32 = [&](std::size_t at) { return big16(at) << 16 | big16(at + 2); };
        std::vector<std::uint32_t> stored;
        if (c.extension == std::string(".jpg")) {
            ASSERT_EQ(bytes.substr(6, 5), std::string("JFIF", 5));
            stored = {byte(13), big16(14), big16(16)};
        } else if (const std::size_t at = bytes.find("pHYs"); at != std::string::npos) {
            stored = {big32(at + 4), big32(at + 8), byte(at + 12)};
        }
        EXPECT_EQ(stored, c.stored);
    }
}

TiffTag Tag(std::uint32_t number, std::uint32_t type, std::vector<std::uint32_t> values) {
    TiffTag tag;
    tag.tagNumber = number;
    tag.type = type;
    tag.count = static_cast<std::uint32_t>(type == kTypeRational ? values.size() / 2 : values.size());
    tag.values = std::move(values);
    return tag;
}

// A DNG points only at the photo directories it writes: an Exif directory of
// nothing but ComponentsConfiguration (a compressed picture's, left out as
// for a TIFF) gets no pointer, not one to offset 0; each directory written
// reads back with its values. The raw samples are the rows given, in turn.
TEST(WriteDng, PointsOnlyAtThePhotoDirectoriesItWrites) {
    if (!CanWrite(PictureFormat::kDng)) {
        EXPECT_FALSE(kEveryFormatRequired) << "this build cannot write DNG";
        return;
    }
    const TiffTag components = Tag(kTagComponentsConfiguration, kTypeUndefined, {1, 2, 3, 0});
    const TiffTag exposure = Tag(33434, kTypeRational, {1, 125});
    const TiffTag gpsVersion = Tag(0, kTypeByte, {2, 3, 0, 0});
    const struct {
        const char* what;
        std::vector<TiffTag> exif, gps;
        bool exifWritten, gpsWritten;
    } cases[] = {
        {"none", {}, {}, false, false},
        {"only what a TIFF leaves out", {components}, {}, false, false},
        {"exposure", {components, exposure}, {}, true, false},
        {"GPS alone", {}, {gpsVersion}, false, true},
        {"both", {exposure}, {gpsVersion}, true, true},
    };
    const std::vector<std::uint8_t> rows = {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56};  // 2 x 2 samples
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RawSamples raw;
        raw.width = 2;
        raw.height = 2;
        raw.readRow = [&](std::uint32_t y, std::uint8_t* row, std::string&) {
            std::copy_n(rows.data() + std::size_t{3} * y, 3, row);
            return true;
        };
        WriteRequest request;
        request.format = PictureFormat::kDng;
        request.target = TempName(".dng");
        request.raw = &raw;
        PictureNotes notes;
        notes.photo.exif = c.exif;
        notes.photo.gps = c.gps;
        std::string error;
        ASSERT_TRUE(WritePicture(SmallPicture(), notes, request, error)) << error;
        PhotoFile dng;
        ASSERT_EQ(dng.Open(request.target.c_str()), 0);
        EXPECT_EQ(dng.mainIfd.FindTagByNumber(kTagExifIFDPointer) != nullptr, c.exifWritten);
        EXPECT_EQ(dng.mainIfd.FindTagByNumber(kTagGPSInfoIFDPointer) != nullptr, c.gpsWritten);
        EXPECT_EQ(dng.exifIfd.FindTagByNumber(kTagComponentsConfiguration), nullptr);
        const TiffTag* time = dng.exifIfd.FindTagByNumber(33434);
        EXPECT_EQ(time != nullptr && time->values == exposure.values, c.exifWritten);
        EXPECT_EQ(dng.gpsIfd.FindTagByNumber(0) != nullptr, c.gpsWritten);
        const std::string bytes = Slurp(request.target);
        std::remove(request.target.c_str());
        const std::uint32_t strip = dng.rawIfd.FirstValue("StripOffsets");
        ASSERT_LE(strip + rows.size(), bytes.size());
        EXPECT_EQ(bytes.substr(strip, rows.size()), std::string(rows.begin(), rows.end()));
    }
}

// A row the samples cannot give fails the write, with its reason, and leaves no file.
TEST(WriteDng, ARowThatCannotBeHadLeavesNoFile) {
    if (!CanWrite(PictureFormat::kDng)) GTEST_SKIP() << "this build cannot write DNG";
    RawSamples raw;
    raw.width = 2;
    raw.height = 2;
    raw.readRow = [](std::uint32_t y, std::uint8_t* row, std::string& reason) {
        std::fill_n(row, 3, std::uint8_t{0});
        if (y == 1) reason = "row 1 is gone";
        return y == 0;
    };
    WriteRequest request;
    request.format = PictureFormat::kDng;
    request.target = TempName(".dng");
    request.raw = &raw;
    std::string error;
    EXPECT_FALSE(WritePicture(SmallPicture(), {}, request, error));
    EXPECT_EQ(error, request.target + ": cannot write the DNG file (row 1 is gone)");
    EXPECT_FALSE(std::filesystem::exists(request.target));
}

// The notes a picture carries, with each kind of value: IFD0's texts, an
// Exif rational, a GPS directory, a PNG text in ASCII and one in UTF-8.
PictureNotes EveryKindOfNote() {
    PictureNotes notes;
    notes.texts = {{"Make", "EPSON"}, {"Author", "\xE5\xB1\xB1\xE7\x94\xB0"}};  // 山田
    notes.photo.main = {Tag(kTagMake, kTypeAscii, {'E', 'P', 'S', 'O', 'N', 0}),
                        Tag(kTagArtist, kTypeAscii, {'Y', 'a', 0, 'x', 0})};  // kept up to the first NUL
    notes.photo.exif = {Tag(33434, kTypeRational, {1, 125}), Tag(36867, kTypeAscii, {'2', '0', '0', '6', 0})};
    notes.photo.gps = {Tag(0, kTypeByte, {2, 2, 0, 0}), Tag(1, kTypeAscii, {'N', 0})};
    notes.orientation = 1;
    return notes;
}

// The chunks of a PNG file other than the header, the resolution and the
// picture's own, each whole, in sorted order.
std::vector<std::string> NoteChunks(const std::string& png) {
    std::vector<std::string> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto byte = [&](std::size_t i) { return std::size_t{static_cast<std::uint8_t>(png[at + i])}; };
        const std::size_t whole = 12 + (byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3));
        const std::string type = png.substr(at + 4, 4);
        if (type != "IHDR" && type != "pHYs" && type != "IDAT" && type != "IEND")
            chunks.push_back(png.substr(at, whole));
        at += whole;
    }
    std::sort(chunks.begin(), chunks.end());
    return chunks;
}

// What the Windows build splices into the system encoder's PNG is, chunk for
// chunk, what libpng writes for the same notes, CRCs included.
TEST(PngNoteChunks, AreTheChunksLibpngWrites) {
    if (!CanWrite(PictureFormat::kPng)) GTEST_SKIP() << "this build cannot write PNG";
    for (const PictureNotes& notes : {PictureNotes{}, EveryKindOfNote()}) {
        const std::string path = TempName(".png");
        std::string error;
        ASSERT_TRUE(Write(SmallPicture(), path, error, notes)) << error;
        const std::string written = Slurp(path);
        std::remove(path.c_str());
        const std::vector<std::uint8_t> spliced = PngNoteChunks(notes, SmallPicture());
        const std::string ours = "\x89PNG\r\n\x1A\n" + std::string(spliced.begin(), spliced.end());
        EXPECT_EQ(NoteChunks(ours), NoteChunks(written));
        EXPECT_EQ(NoteChunks(written).size(), notes.texts.size() + (notes.photo.exif.empty() ? 0 : 1));
    }
}

// A TIFF with the notes added reads back as the tools' TIFF writer gives
// it: the same texts, Orientation, Exif and GPS entries, and the same pixels.
TEST(AddTiffNotes, GivesWhatTheTiffWriterGives) {
    if (!CanWrite(PictureFormat::kTiff)) GTEST_SKIP() << "this build cannot write TIFF";
    const PictureNotes notes = EveryKindOfNote();
    std::string error;
    const std::string bare = TempName(".tif");
    const std::string full = TempName(".tif");
    ASSERT_TRUE(Write(SmallPicture(), bare, error)) << error;
    ASSERT_TRUE(Write(SmallPicture(), full, error, notes)) << error;
    std::string bytes = Slurp(bare);
    const std::vector<std::uint8_t> file(bytes.begin(), bytes.end());
    TiffNoteAddition addition;
    ASSERT_TRUE(AddTiffNotes(ByteView(file), notes, addition, error)) << error;
    bytes.append(addition.appended.begin(), addition.appended.end());
    for (std::size_t i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(addition.firstDirectory >> (8 * i));
    {
        std::FILE* out = std::fopen(bare.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    EXPECT_EQ(ReadTiff(bare).pixels, SmallPicture().pixels);
    // The tags' values as the tools' own library reads them.
    PhotoFile added;
    ASSERT_EQ(added.Open(bare.c_str()), 0);
    EXPECT_EQ(TiffText(*added.mainIfd.FindTagByNumber(kTagArtist)), "Ya");
    EXPECT_EQ(added.mainIfd.FirstValue("Orientation"), 1u);
    ASSERT_NE(added.exifIfd.FindTagByNumber(33434), nullptr);
    EXPECT_EQ(added.exifIfd.FindTagByNumber(33434)->values, (std::vector<std::uint32_t>{1, 125}));
    EXPECT_EQ(added.gpsIfd.TagCount(), 2);
    // Tag for tag the same as the writer's, as ExifTool reads both.
    if (Installed("exiftool")) {
        const Scratch scratch;
        const std::string tags = "-a -G1 -s -IFD0:all -ExifIFD:all -GPS:all -x IFD0:StripOffsets ";
        const Outcome fromAdded = RunProgram(scratch, "exiftool", tags + bare);
        EXPECT_NE(fromAdded.out.find("ExposureTime                    : 1/125"), std::string::npos) << fromAdded.out;
        EXPECT_EQ(fromAdded.out, RunProgram(scratch, "exiftool", tags + full).out);
    }
    std::remove(bare.c_str());
    std::remove(full.c_str());
}

// What is not a little-endian TIFF with its first directory inside it, or
// has an entry that could not be copied whole, gets nothing added, and says why.
TEST(AddTiffNotes, RefusesWhatItCannotRead) {
    const std::vector<std::uint8_t> bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    const std::vector<std::uint8_t> pastTheEnd = {'I', 'I', 42, 0, 200, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> cutEntries = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 1, 1, 3, 0};
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // One entry: an Exif pointer of type IFD (13), whose value the library does not hold.
    const std::vector<std::uint8_t> ifdType = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x69, 0x87, 13,
                                               0,   1,   0,  0, 0, 0, 0, 0, 0, 0, 0,    0,    0};
    const struct {
        const char* what;
        const std::vector<std::uint8_t>& file;
        const char* reason;
    } cases[] = {
        {"big-endian", bigEndian, "the encoder's TIFF is not little-endian"},
        {"a PNG", png, "the encoder's TIFF is not little-endian"},
        {"directory past the end", pastTheEnd, "the encoder's TIFF directory cannot be read"},
        {"entries cut", cutEntries, "the encoder's TIFF directory cannot be read"},
        {"an IFD-typed entry", ifdType,
         "the encoder's TIFF has an entry of a type this program cannot copy (tag 34665)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiffNoteAddition addition;
        std::string reason;
        EXPECT_FALSE(AddTiffNotes(ByteView(c.file), EveryKindOfNote(), addition, reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_TRUE(addition.appended.empty());
    }
}

TEST(WritePng, TheFastestCompressorIsIsaLWhereTheBuildHasIt) {
    EXPECT_TRUE(HaveDeflater(Deflater::kZlib));
    EXPECT_EQ(FastestDeflater(), HaveDeflater(Deflater::kIsal) ? Deflater::kIsal : Deflater::kZlib);
}

}  // namespace
