// The module and erf-info judge a file by the one strip check: over every
// damaged and hostile file, the module delivers a picture exactly when
// erf-info calls the file intact or cut short, and rows of no pixels exactly
// when erf-info finds no width.
#include <gtest/gtest.h>

#include "plugin/exports.h"
#include "plugin/raw_strip_of.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/support/temp_file.h"
#include "tools/erf_info/file_report.h"

namespace {

struct Delivery {
    std::uint32_t rows = 0;
    std::int32_t lastColumn = -1;  // of the last row delivered
};
Delivery* gDelivery = nullptr;

std::int32_t RUDI_CDECL CountRow(std::int32_t, std::int32_t, std::int32_t last, std::uint8_t*, std::int32_t) {
    ++gDelivery->rows;
    gDelivery->lastColumn = last;
    return 0;
}

Delivery Deliver(const TempFile& file) {
    Delivery delivery;
    gDelivery = &delivery;
    LineCallbackRecord callbacks{CountRow};
    ReadFileExec(0, file.c_str(), 0, 0, 0, &callbacks);
    gDelivery = nullptr;
    return delivery;
}

class VerdictAgreementTest : public testing::TestWithParam<HostileFile> {};

TEST_P(VerdictAgreementTest, ModuleAndErfInfoRefuseTheSameFiles) {
    const HostileFile& c = GetParam();
    const TempFile file(c.bytes);
    testing::internal::CaptureStderr();  // the header errors' message boxes
    const FileReport report = Examine(file.path(), Language::kEnglish);
    const Delivery delivery = Deliver(file);
    testing::internal::GetCapturedStderr();
    const bool picture = report.verdict == Verdict::kComplete || report.verdict == Verdict::kCutShort ||
                         report.verdict == Verdict::kNotEpsonRaw;
    const bool noColumns = report.verdict == Verdict::kNoRawSize && report.rawImage.width == 0;
    EXPECT_EQ(delivery.rows, picture || noColumns ? report.rawImage.length : 0u) << report.verdictText;
    if (delivery.rows > 0) {
        EXPECT_EQ(delivery.lastColumn, picture ? std::int32_t(report.rawImage.width) - 1 : -1);
    }
}

// A file whose size cannot be told justifies no picture, whatever it holds.
TEST_P(VerdictAgreementTest, AnUnknownFileSizeIsRefused) {
    const TempFile file(GetParam().bytes);
    ErfFile erf;
    testing::internal::CaptureStderr();
    erf.Open(file.c_str());
    testing::internal::GetCapturedStderr();
    erf.fileBytes.reset();
    const RawStripCheck check = CheckRawStrip(RawStripOf(erf));
    EXPECT_EQ(check.RowsDelivered(), 0u);
    if (check.height > 0) {
        EXPECT_EQ(check.verdict, RawStripVerdict::kSizeUnknown);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, VerdictAgreementTest, testing::ValuesIn(HostileFiles()),
                         [](const testing::TestParamInfo<HostileFile>& test) { return test.param.name; });

}  // namespace
