// The tools' own paths over every damaged and hostile file: erf-info's report
// as text and JSON, erf-convert's thumbnail and its writers, its DNG of the
// raw samples. Each ends with a
// report or a message, never an exception or a read outside the data (the
// sanitizer build watches).
#include <gtest/gtest.h>

#include "tests/hostile/hostile_cases.h"
#include "tests/support/required_formats.h"
#include "tests/support/temp_file.h"
#include "tools/erf_convert/converter.h"
#include "plugin/raw_strip_of.h"
#include "tools/erf_info/file_report.h"
#include "tools/erf_info/json_report.h"
#include "tools/erf_info/text_report.h"
#include "tools/picture/picture_writer.h"

namespace {

class ToolsOnHostileFilesTest : public testing::TestWithParam<HostileFile> {};

TEST_P(ToolsOnHostileFilesTest, ErfInfoReportsEveryFileAsTextAndJson) {
    const TempFile file(GetParam().bytes);
    testing::internal::CaptureStderr();  // the header errors' message boxes
    const FileReport report = Examine(file.path(), Language::kEnglish);
    testing::internal::GetCapturedStderr();
    if (report.verdictText.empty()) {  // named for what it is (an empty file) with no report
        EXPECT_FALSE(report.error.empty());
        return;
    }
    const std::string text = TextReport(report);
    EXPECT_EQ(text.rfind(file.path() + "\n", 0), 0u);
    EXPECT_NE(text.find("verdict: "), std::string::npos);
    const std::string json = JsonReport(report).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(json);
    EXPECT_EQ(parsed.at("verdict").at("text"), report.verdictText);
}

TEST_P(ToolsOnHostileFilesTest, ErfConvertsThumbnailPathGivesAPictureOrAMessage) {
    const TempFile file(GetParam().bytes);
    const TempFile output;
    Picture picture;
    DecodeReport report;
    std::string error;
    InputRead input;
    ASSERT_TRUE(ReadInput(file.path(), input, error)) << error;
    const bool read = ReadThumbnailPicture(file.path(), input, picture, report, error);
    if (!read) {
        EXPECT_EQ(error.rfind(file.path() + ": ", 0), 0u) << error;
        return;
    }
    ASSERT_EQ(picture.pixels.size(), picture.RowBytes() * static_cast<std::size_t>(picture.height));
    for (const PictureFormat format :
         {PictureFormat::kBmp, PictureFormat::kPng, PictureFormat::kJpeg, PictureFormat::kTiff}) {
        if (!CanWrite(format)) {
            EXPECT_FALSE(kEveryFormatRequired) << "this build cannot write " << FormatName(format);
            continue;
        }
        WriteRequest request;
        request.format = format;
        request.target = output.path();
        EXPECT_TRUE(WritePicture(picture, report.camera.notes, request, error)) << error;
    }
}

// The raw samples of a strip the check finds intact go into a DNG (its
// preview a small picture here: the module's is not asked for); any other
// file is refused, naming it.
TEST_P(ToolsOnHostileFilesTest, ErfConvertsDngPathGivesADngOrAMessage) {
    if (!CanWrite(PictureFormat::kDng)) {
        EXPECT_FALSE(kEveryFormatRequired) << "this build cannot write DNG";
        return;
    }
    const TempFile file(GetParam().bytes);
    const TempFile output;
    std::string error;
    InputRead input;
    ASSERT_TRUE(ReadInput(file.path(), input, error)) << error;
    DecodeReport report;
    report.strip = CheckRawStrip(RawStripOf(input.erf));
    report.notEpson = NotEpsonRaw(input.erf).value_or("");
    report.camera = ReadCameraNotes(input.erf);
    if (const std::string refusal = DngRefusal(file.path(), report); !refusal.empty() || input.opened != 0) {
        EXPECT_TRUE(input.opened != 0 || refusal.rfind(file.path() + ": ", 0) == 0) << refusal;
        return;
    }
    RawStripReader strip;
    ASSERT_TRUE(strip.Open(file.path(), input, error)) << error;
    WriteRequest request;
    request.format = PictureFormat::kDng;
    request.target = output.path();
    request.raw = &strip.Samples();
    const Picture preview{2, 1, {1, 2, 3, 4, 5, 6}};
    EXPECT_TRUE(WritePicture(preview, report.camera.notes, request, error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolsOnHostileFilesTest, testing::ValuesIn(HostileFiles()),
                         [](const testing::TestParamInfo<HostileFile>& test) { return test.param.name; });

}  // namespace
