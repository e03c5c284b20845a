#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/cp932.h"
#include "tests/support/ifd_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_file.h"

namespace {

Outcome ErfInfo(const std::string& arguments) {
    const Scratch scratch;
    return RunProgram(scratch, ERF_INFO, arguments);
}

std::vector<std::uint32_t> Items(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

// IFD0 with a Shift-JIS model name, an enumerated value, a block of bytes, a
// rational and a tag the dictionary does not know; the raw-image directory.
std::vector<std::uint8_t> SampleErf(bool little) {
    const std::string model = Utf8ToCp932("R-D1 ビット") + '\0';
    return BuildTwoDirectoryFile(little,
                                 {
                                     {256, 4, 1, {160}},
                                     {259, 3, 1, {1}},
                                     {270, 7, 2, {0x01, 0xAB}},
                                     {271, 2, 6, Items(std::string("EPSON", 6))},
                                     {272, 2, static_cast<std::uint32_t>(model.size()), Items(model)},
                                     {282, 5, 1, {300, 1}},
                                     {0xC000, 3, 1, {7}},
                                 },
                                 {
                                     {256, 4, 1, {640}},
                                     {257, 4, 1, {480}},
                                     {262, 3, 1, {32803}},
                                     {273, 4, 1, {4096}},
                                     {279, 4, 1, {460800}},
                                 });
}

const char kSampleText[] =
    "byte order: %s\n"
    "IFD0: 7 entries\n"
    "  256   ImageWidth                  LONG      1      160                   画像の幅（ピクセル）\n"
    "  259   Compression                 SHORT     1      非圧縮                圧縮の種類\n"
    "  270   ImageDescription            UNDEFINED 2      0x: 01 ab 00          画像タイトル\n"
    "  271   Make                        ASCII     6      EPSON                 メーカ\n"
    "  272   Model                       ASCII     12     R-D1 ビット           モデル\n"
    "  282   XResolution                 RATIONAL  1      300/1                 画像の幅方向の解像度（ピクセル）\n"
    "  330   SubIFDs                     LONG      1      136                   Full IFDへのポインタ\n"
    "raw IFD: 5 entries\n"
    "  256   ImageWidth                  LONG      1      640                   画像の幅（ピクセル）\n"
    "  257   ImageLength                 LONG      1      480                   画像の高さ（ピクセル）\n"
    "  262   PhotometricInterpretation   SHORT     1      32803                 画素構成の種類\n"
    "  273   StripOffsets                LONG      1      4096                  イメージデータへのオフセット\n"
    "  279   StripByteCounts             LONG      1      460800                各ストリップのサイズ（バイト）\n"
    "Make: EPSON\n"
    "IFD0 image: PhotometricInterpretation 0, ImageWidth 160, ImageLength 0, StripOffsets 0, StripByteCounts 0\n"
    "raw image: PhotometricInterpretation 32803, ImageWidth 640, ImageLength 480, StripOffsets 4096, "
    "StripByteCounts 460800\n";

TEST(ErfInfo, ListsBothDirectoriesInTagOrderInEitherByteOrder) {
    for (const bool little : {true, false}) {
        TempFile file(SampleErf(little));
        char expected[4096];
        std::snprintf(expected, sizeof expected, kSampleText, little ? "II (little-endian)" : "MM (big-endian)");
        const Outcome run = ErfInfo(file.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, file.path() + "\n" + expected);
        EXPECT_EQ(run.err, "");
    }
}

TEST(ErfInfo, JsonHoldsTheSameWithTextsEscaped) {
    TempFile file(BuildTwoDirectoryFile(false,
                                        {
                                            {259, 3, 1, {1}},
                                            {271, 2, 9, Items(std::string("E\"P\\S\tON", 9))},
                                        },
                                        {{256, 4, 1, {640}}}));
    const Outcome run = ErfInfo("--json " + file.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "{\"file\":\"" + file.path() + "\",\"byteOrder\":\"MM\",\"ifd0\":["
              "{\"number\":259,\"name\":\"Compression\",\"type\":3,\"typeName\":\"SHORT\",\"count\":1,\"values\":[1],"
              "\"valueText\":\"非圧縮\",\"description\":\"圧縮の種類\"},"
              "{\"number\":271,\"name\":\"Make\",\"type\":2,\"typeName\":\"ASCII\",\"count\":9,"
              "\"values\":[69,34,80,92,83,9,79,78,0,0],\"valueText\":\"E\\\"P\\\\S\\u0009ON\",\"description\":\"メーカ\"},"
              "{\"number\":330,\"name\":\"SubIFDs\",\"type\":4,\"typeName\":\"LONG\",\"count\":1,\"values\":[59],"
              "\"valueText\":\" 59\",\"description\":\"Full IFDへのポインタ\"}],"
              "\"rawIfd\":[{\"number\":256,\"name\":\"ImageWidth\",\"type\":4,\"typeName\":\"LONG\",\"count\":1,"
              "\"values\":[640],\"valueText\":\" 640\",\"description\":\"画像の幅（ピクセル）\"}],"
              "\"make\":\"E\\\"P\\\\S\\u0009ON\","
              "\"ifd0Image\":{\"PhotometricInterpretation\":0,\"ImageWidth\":0,\"ImageLength\":0,\"StripOffsets\":0,"
              "\"StripByteCounts\":0},"
              "\"rawImage\":{\"PhotometricInterpretation\":0,\"ImageWidth\":640,\"ImageLength\":0,\"StripOffsets\":0,"
              "\"StripByteCounts\":0}}\n");
    EXPECT_EQ(run.err, "");
}

TEST(ErfInfo, NamesEveryFileItCannotReadAndFails) {
    TempFile noMark(std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    TempFile no42(std::vector<std::uint8_t>{'I', 'I', 43, 0, 8, 0, 0, 0});
    TempFile empty;
    const std::string missing = empty.path() + "-missing";
    struct Case {
        std::string file, err;
    };
    const Case cases[] = {
        {missing, "erf-info: " + missing + ": no such file\n"},
        {noMark.path(), "TIFF endian error: " + noMark.path() + "\nerf-info: " + noMark.path() +
                            ": not a TIFF file (no II or MM byte-order mark)\n"},
        {empty.path(), "TIFF endian error: " + empty.path() + "\nerf-info: " + empty.path() +
                           ": not a TIFF file (no II or MM byte-order mark)\n"},
        {no42.path(), "TIFFID error: " + no42.path() + "\nerf-info: " + no42.path() +
                          ": not a TIFF file (the header lacks the number 42)\n"},
    };
    for (const Case& c : cases) {
        for (const char* mode : {"", "--json "}) {
            SCOPED_TRACE(mode + c.file);
            const Outcome run = ErfInfo(mode + c.file);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, c.err);
        }
    }
}

TEST(ErfInfo, GoesOnPastAFileItCannotRead) {
    TempFile good(SampleErf(true));
    const Outcome run = ErfInfo("--json /nonexistent/a.erf " + good.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("{\"file\":\"" + good.path() + "\"", 0), 0u);
    EXPECT_EQ(run.err, "erf-info: /nonexistent/a.erf: no such file\n");
}

TEST(ErfInfo, RejectsAMissingFileArgumentAndUnknownOptions) {
    for (const char* arguments : {"", "--jsn x.erf", "--json"}) {
        SCOPED_TRACE(arguments);
        const Outcome run = ErfInfo(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: erf-info [--json] FILE..."), std::string::npos);
    }
}

}  // namespace
