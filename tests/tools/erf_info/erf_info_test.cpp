#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/byte_builder.h"
#include "tests/support/cp932.h"
#include "tests/support/erf_builder.h"
#include "tests/support/ifd_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_file.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"
#include "tools/erf_info/english_texts.h"

namespace {

using nlohmann::json;

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
                                     {kTagImageWidth, 4, 1, {160}},
                                     {kTagCompression, 3, 1, {1}},
                                     {kTagImageDescription, 7, 2, {0x01, 0xAB}},
                                     {kTagMake, 2, 6, Items(std::string("EPSON", 6))},
                                     {kTagModel, 2, static_cast<std::uint32_t>(model.size()), Items(model)},
                                     {kTagXResolution, 5, 1, {300, 1}},
                                     {0xC000, 3, 1, {7}},
                                 },
                                 {
                                     {kTagImageWidth, 4, 1, {640}},
                                     {kTagImageLength, 4, 1, {480}},
                                     {kTagPhotometricInterpretation, 3, 1, {32803}},
                                     {kTagStripOffsets, 4, 1, {4096}},
                                     {kTagStripByteCounts, 4, 1, {460800}},
                                 });
}

const char kSampleText[] =
    "byte order: %s\n"
    "IFD0: 7 entries\n"
    "  256   ImageWidth                LONG      1     160                 画像の幅（ピクセル）\n"
    "  259   Compression               SHORT     1     非圧縮              圧縮の種類\n"
    "  270   ImageDescription          UNDEFINED 2     0x: 01 ab 00        画像タイトル\n"
    "  271   Make                      ASCII     6     EPSON               メーカ\n"
    "  272   Model                     ASCII     12    R-D1 ビット         モデル\n"
    "  282   XResolution               RATIONAL  1     300/1               画像の幅方向の解像度（ピクセ…\n"
    "  330   SubIFDs                   LONG      1     136                 Full IFDへのポインタ\n"
    "raw IFD: 5 entries\n"
    "  256   ImageWidth                LONG      1     640                 画像の幅（ピクセル）\n"
    "  257   ImageLength               LONG      1     480                 画像の高さ（ピクセル）\n"
    "  262   PhotometricInterpretation SHORT     1     Color Filter Array  画素構成の種類\n"
    "  273   StripOffsets              LONG      1     4096                イメージデータへのオフセット\n"
    "  279   StripByteCounts           LONG      1     460800              各ストリップのサイズ（バイト）\n"
    "Make: EPSON\n"
    "IFD0 image: 160 x 0, photometric 0, strip of 0 bytes at 0\n"
    "raw image:  640 x 480, photometric 32803, strip of 460800 bytes at 4096\n"
    "verdict: not usable: 640 x 480 pixels is more than a file of %ju bytes can hold\n";

TEST(ErfInfo, ListsBothDirectoriesInTagOrderInEitherByteOrder) {
    for (const bool little : {true, false}) {
        TempFile file(SampleErf(little));
        char expected[4096];
        std::snprintf(expected, sizeof expected, kSampleText, little ? "II (little-endian)" : "MM (big-endian)",
                      std::filesystem::file_size(file.path()));
        const Outcome run = ErfInfo("--lang ja " + file.path());
        EXPECT_EQ(run.status, 1);  // the strip lies past the end of the file
        EXPECT_EQ(run.out, file.path() + "\n" + expected);
        EXPECT_EQ(run.err, "");
    }
}

// A file made by make-erf, cut to `bytes` (all of it when 0).
class MadeFile {
public:
    MadeFile(const Scratch& scratch, const std::string& name, std::uintmax_t bytes = 0, int height = 480)
        : path_((scratch / name).string()) {
        EXPECT_EQ(
            RunProgram(scratch, MAKE_ERF, "--width 640 --height " + std::to_string(height) + " -o " + path_).status, 0);
        if (bytes != 0) std::filesystem::resize_file(path_, bytes);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::uint8_t> PlainTiff() {
    ByteBuilder tiff(true);
    tiff.Header(8).U16(2).Entry(kTagImageWidth, 4, 1, 16).Entry(kTagImageLength, 4, 1, 16).U32(0);
    return tiff.bytes();
}

TEST(ErfInfo, EndsEachFileWithItsVerdictAndFailsUnlessEveryFileIsIntact) {
    const Scratch scratch;
    const MadeFile intact(scratch, "intact.erf");
    const std::uintmax_t size = std::filesystem::file_size(intact.path());
    const MadeFile half(scratch, "half.erf", size / 2);
    const MadeFile stub(scratch, "stub.erf", 1000);
    // 640 samples take 1024 bytes a row, the strip last in the file. Two
    // rows, so that the file is large enough for its picture without one.
    const std::uintmax_t strip = size - 480 * 1024;
    const MadeFile twoRows(scratch, "tworows.erf", 0, 2);
    const MadeFile noRow(scratch, "norow.erf", std::filesystem::file_size(twoRows.path()) - 1025, 2);
    TempFile plain(PlainTiff());
    TempFile noSize(
        BuildTwoDirectoryFile(true, {{kTagImageWidth, 4, 1, {8}}}, {{kTagPhotometricInterpretation, 3, 1, {32803}}}));
    TempFile noMark(std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    TempFile no42(std::vector<std::uint8_t>{'I', 'I', 43, 0, 8, 0, 0, 0});
    struct Case {
        std::string file, verdict, state;
    };
    const Case cases[] = {
        {intact.path(), "EPSON RAW, complete", "complete"},
        {half.path(),
         "EPSON RAW, strip cut short at row " + std::to_string((size / 2 - strip) / 1024) +
             " of 480 (the rows below repeat row " + std::to_string((size / 2 - strip) / 1024) + ")",
         "cutShort"},
        {noRow.path(), "EPSON RAW, strip cut short: none of its 2 rows is in the file", "cutShort"},
        {stub.path(), "not usable: 640 x 480 pixels is more than a file of 1000 bytes can hold", "largerThanFile"},
        {plain.path(), "not an EPSON RAW file: a TIFF file without a raw-image directory", "plainTiff"},
        {noSize.path(), "not an EPSON RAW file: the raw-image directory gives no width or height", "noRawSize"},
        {noMark.path(), "not an EPSON RAW file: not a TIFF file (no II or MM byte-order mark)", "notTiff"},
        {no42.path(), "not an EPSON RAW file: not a TIFF file (the header lacks the number 42)", "notTiff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Outcome text = ErfInfo(c.file);
        EXPECT_EQ(text.status, c.state == "complete" ? 0 : 1);
        EXPECT_EQ(text.out.rfind(c.file + "\n", 0), 0u);
        const std::string last = "verdict: " + c.verdict + "\n";
        ASSERT_GE(text.out.size(), last.size());
        EXPECT_EQ(text.out.substr(text.out.size() - last.size()), last);

        const Outcome document = ErfInfo("--json " + c.file);
        EXPECT_EQ(document.status, text.status);
        const json verdict = json::parse(document.out).at(0).at("verdict");
        EXPECT_EQ(verdict.at("text"), c.verdict);
        EXPECT_EQ(verdict.at("state"), c.state);
        EXPECT_EQ(verdict.at("usable"), c.state == "complete");
    }
    // The intact file alone passes; one damaged file among them fails the run.
    EXPECT_EQ(ErfInfo(intact.path() + " " + intact.path()).status, 0);
    const Outcome both = ErfInfo(intact.path() + " " + half.path());
    EXPECT_EQ(both.status, 1);
    EXPECT_NE(both.out.find("verdict: EPSON RAW, complete\n\n" + half.path() + "\n"), std::string::npos);
}

// Terminal columns as a terminal counts them: the CJK ideographs, kana and
// full-width forms take two, everything else here one.
std::size_t TerminalColumns(const std::string& utf8) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        const bool wide = (code >= 0x3000 && code <= 0x9FFF) || (code >= 0xFF00 && code <= 0xFF60);
        columns += wide ? 2 : 1;
        i += length;
    }
    return columns;
}

// A text of 3.2 MiB in IFD0, before SubIFDs, as large as the directory's
// value budget lets it be beside SubIFDs: the raw-image directory is read
// all the same, and the file is a complete EPSON RAW file.
TEST(ErfInfo, ALargeTextBesideThePictureLeavesTheFileComplete) {
    std::vector<std::uint32_t> text(3355428, 'A');
    text.back() = 0;
    const std::vector<std::uint8_t> strip = PackSamples(std::vector<std::uint16_t>(64 * 48, 2048), 64, 48);
    const auto build = [&](std::uint32_t stripAt) {
        return BuildTwoDirectoryFile(true, {{kTagImageDescription, 2, static_cast<std::uint32_t>(text.size()), text}},
                                     {{kTagImageWidth, 4, 1, {64}},
                                      {kTagImageLength, 4, 1, {48}},
                                      {kTagPhotometricInterpretation, 3, 1, {32803}},
                                      {kTagStripOffsets, 4, 1, {stripAt}},
                                      {kTagStripByteCounts, 4, 1, {static_cast<std::uint32_t>(strip.size())}}});
    };
    std::vector<std::uint8_t> bytes = build(static_cast<std::uint32_t>(build(0).size()));
    bytes.insert(bytes.end(), strip.begin(), strip.end());
    const TempFile file(bytes);
    const Outcome outcome = ErfInfo(file.path());
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.out.find("raw image:  64 x 48, photometric 32803"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("verdict: EPSON RAW, complete"), std::string::npos);
}

TEST(ErfInfo, EveryLineFitsAHundredColumnsWithLongTextsCut) {
    const std::string model = Utf8ToCp932(std::string(60, 'M') + "漢字かなカナ漢字かなカナ漢字かなカナ") + '\0';
    const std::string description(300, 'D');
    TempFile file(BuildTwoDirectoryFile(
        true,
        {
            {kTagBitsPerSample, 3, 3, {8, 8, 8}},
            {kTagImageDescription, 2, static_cast<std::uint32_t>(description.size() + 1), Items(description + '\0')},
            {kTagModel, 2, static_cast<std::uint32_t>(model.size()), Items(model)},
            {kTagOrientation, 3, 1, {6}},  // an enumerated text of 32 columns
            {kTagYResolution, 5, 1, {4000000000u, 3}},
            {kTagCopyright, 2, 2000000000u, {}},  // a count of ten digits whose block is not in the file
        },
        {{kTagImageWidth, 4, 1, {640}}}));
    const Outcome run = ErfInfo("--lang ja " + file.path());
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);  // the file's name, whole
    while (std::getline(lines, line)) EXPECT_LE(TerminalColumns(line), 100u) << line;
    EXPECT_NE(run.out.find("  270   ImageDescription          ASCII     301   DDDDDDDDDD"), std::string::npos);
    EXPECT_NE(run.out.find("DDD…  画像タイトル\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("4000000000/3        画像の高さ方向の解像度（ピク…\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("MMM…  モデル\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(
                  "  274   Orientation               SHORT     1     ０行：画像の右側、０列：画像の上  画素の並び\n"),
              std::string::npos)
        << run.out;
}

TEST(ErfInfo, JsonIsOneArrayWithTheFileTextsAsUtf8) {
    const std::string model = Utf8ToCp932("R-D1 ビット") + '\0';
    const std::string artist = "Jürgen\t\"Ö\"";  // UTF-8 in an ASCII field stays UTF-8
    TempFile file(
        BuildTwoDirectoryFile(false,
                              {
                                  {kTagCompression, 3, 1, {1}},
                                  {kTagMake, 2, 9, Items(std::string("EPSON\0\0\0", 9))},
                                  {kTagModel, 2, static_cast<std::uint32_t>(model.size()), Items(model)},
                                  {kTagArtist, 2, static_cast<std::uint32_t>(artist.size() + 1), Items(artist + '\0')},
                              },
                              {{kTagImageWidth, 4, 1, {640}}}));
    const std::string missing = "/nonexistent/a.erf";
    const Outcome run = ErfInfo("--json --lang ja " + missing + " " + file.path() + " " + missing);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "erf-info: " + missing + ": no such file\nerf-info: " + missing + ": no such file\n");
    const json documents = json::parse(run.out);
    ASSERT_TRUE(documents.is_array());
    ASSERT_EQ(documents.size(), 3u);
    EXPECT_EQ(documents[0], (json{{"file", missing}, {"error", "no such file"}}));
    EXPECT_EQ(documents[2], documents[0]);

    const json& read = documents[1];
    EXPECT_EQ(read.at("file"), file.path());
    EXPECT_EQ(read.at("byteOrder"), "MM");
    EXPECT_EQ(read.at("make"), "EPSON");
    EXPECT_FALSE(read.contains("error"));
    const json& ifd0 = read.at("ifd0");
    ASSERT_EQ(ifd0.size(), 5u);
    EXPECT_EQ(ifd0[0], (json{{"number", 259},
                             {"name", "Compression"},
                             {"type", 3},
                             {"typeName", "SHORT"},
                             {"count", 1},
                             {"values", {1}},
                             {"valueText", "非圧縮"},
                             {"description", "圧縮の種類"}}));
    // Exactly `count` items, the text without the library's leading blank.
    EXPECT_EQ(ifd0[1].at("values"), (json{69, 80, 83, 79, 78, 0, 0, 0, 0}));
    EXPECT_EQ(ifd0[2].at("valueText"), "R-D1 ビット");
    EXPECT_EQ(ifd0[2].at("values").size(), model.size());
    EXPECT_EQ(ifd0[3].at("valueText"), artist);
    EXPECT_EQ(ifd0[4].at("valueText"), std::to_string(ifd0[4].at("values").at(0).get<int>()));
    EXPECT_EQ(read.at("rawIfd")[0].at("valueText"), "640");
    EXPECT_EQ(read.at("rawImage"), (json{{"PhotometricInterpretation", 0},
                                         {"ImageWidth", 640},
                                         {"ImageLength", 0},
                                         {"StripOffsets", 0},
                                         {"StripByteCounts", 0}}));
    EXPECT_EQ(read.at("verdict").at("state"), "noRawSize");
}

// Verdicts that say what was found: a file that ends inside a directory, and
// one another camera made; --brief gives one line a file.
TEST(ErfInfo, NamesDirectoriesCutShortAndOtherCamerasOneLineAFile) {
    const Scratch scratch;
    const MadeFile whole(scratch, "whole.erf");
    const MadeFile cut(scratch, "cut.erf", 100);
    const std::uint32_t rawIfd = [&] {
        const json document = json::parse(ErfInfo("--json " + whole.path()).out);
        for (const auto& entry : document.at(0).at("ifd0")) {
            if (entry.at("name") == "SubIFDs") return entry.at("values").at(0).get<std::uint32_t>();
        }
        return 0u;
    }();
    ASSERT_NE(rawIfd, 0u);
    const MadeFile rawCut(scratch, "rawcut.erf", rawIfd + 20);
    const MadeFile countCut(scratch, "countcut.erf", rawIfd + 1);  // not even the entry count
    const std::string make = "Canon";
    TempFile canon(BuildTwoDirectoryFile(true, {{271, 2, 6, Items(make + '\0')}},
                                         {{256, 4, 1, {3516}}, {257, 4, 1, {2328}}, {262, 3, 1, {32803}}}));
    const std::string raw = std::to_string(rawIfd);
    const std::string expected =
        whole.path() + ": EPSON RAW, complete\n" + cut.path() +
        ": cut short inside IFD0: it ends at byte 254, the file has 100 bytes\n" + rawCut.path() +
        ": cut short inside the raw-image directory: it ends at byte " + std::to_string(rawIfd + 2 + 10 * 12 + 4) +
        ", the file has " + std::to_string(rawIfd + 20) + " bytes\n" + countCut.path() +
        ": cut short inside the raw-image directory: it starts at byte " + raw + ", the file has " +
        std::to_string(rawIfd + 1) + " bytes\n" + canon.path() + ": made by Canon, not an EPSON RAW file\n" +
        scratch.path().string() + ": is a folder\n";
    const Outcome brief = ErfInfo("--brief " + whole.path() + " " + cut.path() + " " + rawCut.path() + " " +
                                  countCut.path() + " " + canon.path() + " " + scratch.path().string());
    EXPECT_EQ(brief.status, 1);
    EXPECT_EQ(brief.out, expected);
    EXPECT_EQ(brief.err, "");
    const json states = json::parse(ErfInfo("--json " + cut.path() + " " + canon.path()).out);
    EXPECT_EQ(states[0].at("verdict").at("state"), "directoryCutShort");
    EXPECT_EQ(states[1].at("verdict").at("state"), "otherCamera");
    // erf-convert says the same of the other camera's file.
    const Outcome convert = RunProgram(scratch, ERF_CONVERT, canon.path() + " -o " + (scratch / "x.bmp").string());
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(convert.err, "erf-convert: " + canon.path() + ": made by Canon, not an EPSON RAW file\n");
}

// A rational in JSON: numerator and denominator, and the decimal beside them.
TEST(ErfInfo, JsonGivesEachRationalWholeWithItsDecimal) {
    TempFile file(BuildTwoDirectoryFile(
        true, {{282, 5, 1, {7, 2}}, {283, 10, 2, {0xFFFFFFFD, 4, 1, 3}}, {318, 5, 1, {72, 0}}}, {{256, 4, 1, {640}}}));
    const json ifd0 = json::parse(ErfInfo("--json " + file.path()).out).at(0).at("ifd0");
    EXPECT_EQ(ifd0[0].at("values"), json::parse("[[7, 2]]"));
    EXPECT_EQ(ifd0[0].at("decimals"), json::parse("[3.5]"));
    EXPECT_EQ(ifd0[0].at("valueText"), "7/2");
    EXPECT_EQ(ifd0[1].at("values"), json::parse("[[-3, 4], [1, 3]]"));
    EXPECT_EQ(ifd0[1].at("decimals")[0], -0.75);
    EXPECT_EQ(ifd0[2].at("values"), json::parse("[[72, 0]]"));
    EXPECT_EQ(ifd0[2].at("decimals"), json::parse("[null]"));
}

// Descriptions and named values in English unless the locale is Japanese, or
// as --lang says; the raw image's compression and photometric named as
// ExifTool names them in both.
TEST(ErfInfo, SpeaksEnglishOrJapanese) {
    TempFile file(BuildTwoDirectoryFile(true, {{259, 3, 1, {1}}}, {{259, 3, 1, {32769}}, {262, 3, 1, {32803}}}));
    const struct {
        std::string environment, arguments, compression, raw;
    } cases[] = {
        {"LC_ALL=C LANG=ja_JP.UTF-8", "", "SHORT     1     uncompressed        compression scheme",
         "Packed RAW          compression scheme"},
        {"LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8", "", "SHORT     1     非圧縮              圧縮の種類",
         "Packed RAW          圧縮の種類"},
        {"LC_ALL=ja_JP.UTF-8", "--lang en", "uncompressed", "Packed RAW"},
        {"LC_ALL=en_GB.UTF-8", "--lang JA", "非圧縮", "Packed RAW"},
        {"LC_ALL=C", "", "uncompressed", "Color Filter Array  pixel composition"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment + " " + c.arguments);
        const Scratch scratch;
        const Outcome run = RunProgram(scratch, "env " + c.environment + " " ERF_INFO, c.arguments + " " + file.path());
        EXPECT_NE(run.out.find(c.compression), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(c.raw), std::string::npos) << run.out;
    }
}

// Every text the module's dictionary holds has erf-info's English.
TEST(ErfInfo, EveryDictionaryTextHasEnglish) {
    for (const auto& row : TagDictionary::kTagTexts) {
        EXPECT_NE(EnglishText(row.key), nullptr) << row.key;
    }
}

TEST(ErfInfo, NamesAFileItCannotOpenAndGoesOn) {
    TempFile good(SampleErf(true));
    const Outcome run = ErfInfo("/nonexistent/a.erf " + good.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind(good.path() + "\nbyte order", 0), 0u);
    EXPECT_EQ(run.err, "erf-info: /nonexistent/a.erf: no such file\n");
}

TEST(ErfInfo, CommandLine) {
    struct Case {
        std::string arguments;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {"", 2, "", "erf-info: no FILE given\nTry 'erf-info --help' for more information.\n"},
        {"--json", 2, "", "erf-info: no FILE given\nTry 'erf-info --help' for more information.\n"},
        {"--jsn x.erf", 2, "", "erf-info: unknown option or argument: --jsn\n"},
        {"--help", 0, "Shows the byte order", ""},
        {"--version", 0, "erf-info ", ""},
        {"-- --json", 1, "", "erf-info: --json: no such file\n"},  // after --, a file's name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome run = ErfInfo(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    }
}

// Each tool's help fits the terminal (80 columns when not on one), broken
// between words only: every width gives the same words.
TEST(ToolHelp, FitsTheTerminalsWidthBetweenWords) {
    const Scratch scratch;
    const auto words = [](const std::string& text) {
        std::istringstream in(text);
        std::vector<std::string> list;
        for (std::string word; in >> word;) list.push_back(word);
        return list;
    };
    const std::vector<std::string> inEightyColumns = words(RunProgram(scratch, ERF_CONVERT " --help", "| cat").out);
    for (const std::string tool : {ERF_CONVERT, ERF_INFO, MAKE_ERF}) {
        for (const std::size_t columns : {std::size_t{0}, std::size_t{60}, std::size_t{110}}) {
            SCOPED_TRACE(tool + " " + std::to_string(columns));
            // script(1) gives the program a terminal of the width stty sets.
            const Outcome run = columns == 0 ? RunProgram(scratch, tool, "--help")
                                             : RunProgram(scratch,
                                                          "script -qec 'stty cols " + std::to_string(columns) + "; " +
                                                              tool + " --help' /dev/null | tr -d '\\r'",
                                                          "");
            EXPECT_EQ(run.status, 0);
            std::istringstream lines(run.out);
            std::size_t widest = 0;
            for (std::string line; std::getline(lines, line);) widest = std::max(widest, line.size());
            EXPECT_LE(widest, columns == 0 ? 80u : columns) << run.out;
            EXPECT_GT(widest, 40u);
            if (tool == ERF_CONVERT) {
                EXPECT_EQ(words(run.out), inEightyColumns);
            }
        }
    }
}

}  // namespace

namespace {

// The Exif and GPS directories IFD0 points to are listed with their entries,
// named, in text and JSON; a file without them lists neither.
TEST(ErfInfo, ListsTheExifAndGpsDirectoriesEntries) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
    const Scratch scratch;
    const MadeFile plain(scratch, "plain.erf", 0, 8);
    const MadeFile made(scratch, "photo.erf", 0, 8);
    ASSERT_EQ(RunProgram(scratch, "exiftool",
                         "-q -overwrite_original -ExposureTime=1/125 -GPSLatitudeRef=N " + made.path())
                  .status,
              0);
    const std::string text = ErfInfo(made.path()).out;
    EXPECT_NE(text.find("\nExif IFD: "), std::string::npos) << text;
    EXPECT_NE(text.find("  33434 ExposureTime              RATIONAL  1     1/125"), std::string::npos) << text;
    EXPECT_NE(text.find("\nGPS IFD: "), std::string::npos) << text;
    EXPECT_NE(text.find("  1     GPSLatitudeRef            ASCII     2     N"), std::string::npos) << text;
    const json document = json::parse(ErfInfo("--json " + made.path()).out)[0];
    const json& exposure = document.at("exifIfd");
    const auto found = std::find_if(exposure.begin(), exposure.end(),
                                    [](const json& entry) { return entry.at("name") == "ExposureTime"; });
    ASSERT_NE(found, exposure.end()) << exposure.dump();
    EXPECT_EQ(found->at("values"), json::parse("[[1, 125]]"));
    EXPECT_EQ(document.at("gpsIfd").at(0).at("name"), "GPSVersionID");
    const std::string plainText = ErfInfo(plain.path()).out;
    EXPECT_EQ(plainText.find("Exif IFD"), std::string::npos) << plainText;
    EXPECT_FALSE(json::parse(ErfInfo("--json " + plain.path()).out)[0].contains("exifIfd"));
}

}  // namespace
