// Damaged and hostile files through the parse and the whole plug-in path:
// no crash, nothing read outside the data (the sanitizer build watches), and
// the decided result for each.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/exports.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/support/byte_builder.h"
#include "tests/support/delivered_rows.h"
#include "tests/support/erf_builder.h"
#include "tests/support/memory_image.h"
#include "tests/support/temp_file.h"
#include "tiff/tag_numbers.h"

namespace {

// Every filed entry lies inside the file, and so do its values.
void ExpectInside(const TiffIfd& ifd, std::size_t fileBytes) {
    for (const auto& [name, tag] : ifd.Tags()) {
        EXPECT_LE(std::uint64_t(tag->entryOffset) + RawEntry::kSize, fileBytes) << name;
        if (!IsInline(tag->type, tag->count)) {
            EXPECT_LE(tag->valueOffset + std::uint64_t(TypeSize(tag->type, tag->count)), fileBytes) << name;
        }
    }
}

// Rows top first, each of the whole width, as the host asks for them.
void ExpectWholeRows(const std::vector<DeliveredRow>& rows, std::uint32_t width) {
    for (std::size_t y = 0; y < rows.size(); ++y) {
        EXPECT_EQ(rows[y].y, static_cast<std::int32_t>(y));
        EXPECT_EQ(rows[y].firstColumn, 0);
        EXPECT_EQ(rows[y].lastColumn, static_cast<std::int32_t>(width) - 1);
        EXPECT_EQ(rows[y].zero, 0);
    }
}

class HostileFileTest : public testing::TestWithParam<HostileFile> {};

TEST_P(HostileFileTest, ParseToTheDecidedDirectories) {
    const HostileFile& c = GetParam();
    const TempFile file(c.bytes);
    ErfFile erf;
    testing::internal::CaptureStderr();  // the header errors' message boxes
    EXPECT_EQ(erf.Open(file.c_str()), c.openResult);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Names(erf.mainIfd), c.mainNames);
    EXPECT_EQ(Names(erf.rawIfd), c.rawNames);
    ExpectInside(erf.mainIfd, c.bytes.size());
    ExpectInside(erf.rawIfd, c.bytes.size());
    ImageTags raw{};
    erf.QueryRawImageTags(&raw[0], &raw[1], &raw[2], &raw[3], &raw[4]);
    EXPECT_EQ(raw, c.raw);
    if (c.checkParse) c.checkParse(erf);
}

TEST_P(HostileFileTest, GiveTheDecidedSizeAndRows) {
    const HostileFile& c = GetParam();
    const TempFile file(c.bytes);
    testing::internal::CaptureStderr();
    ImageSizeRecord size{};
    EXPECT_EQ(ReadFileGetSize(0, file.c_str(), &size, nullptr), 1);
    const Delivery delivery = ReadRows(file.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(delivery.result, 1);
    EXPECT_EQ(size.width, c.raw[1]);
    EXPECT_EQ(size.height, c.raw[2]);
    EXPECT_EQ(size.bitsPerPixel, 24u);
    EXPECT_EQ(delivery.rows.size(), c.rows);
    ExpectWholeRows(delivery.rows, size.width);
    if (c.checkRows) c.checkRows(delivery.rows);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileFileTest, testing::ValuesIn(HostileFiles()),
                         [](const testing::TestParamInfo<HostileFile>& test) { return test.param.name; });

// IFD0 holds an ImageWidth and a Make of 2^29 ASCII bytes (a hole of 512 MiB),
// either all in the file or cut one byte short. More than a 32-bit process can
// hold in a list, and far beyond the value budget: the Make is dropped, as
// values cut by the file's end are, and the rest of the file still reads.
TEST(HostileFile, AValueCountBeyondWhatAListCanHoldDropsOnlyThatEntry) {
    constexpr std::uint32_t kCount = 1u << 29;
    constexpr std::uint32_t kValues = 38;  // after the header, the two entries and the link
    for (const std::uint32_t shortBy : {0u, 1u}) {
        SCOPED_TRACE(shortBy);
        const TempFile file(ByteBuilder(true)
                                .Header(8)
                                .U16(2)
                                .Entry(kTagImageWidth, kTypeLong, 1, 640)
                                .Entry(kTagMake, kTypeAscii, kCount, kValues)
                                .U32(0)
                                .bytes());
        file.Resize(std::uint64_t{kValues} + kCount - shortBy);

        ErfFile erf;
        EXPECT_EQ(erf.Open(file.c_str()), 0);
        EXPECT_EQ(erf.mainIfd.FirstValue("ImageWidth"), 640u);
        EXPECT_FALSE(erf.mainIfd.HasTag("Make"));
    }
}

class HostileImageTest : public testing::TestWithParam<HostileImage> {};

TEST_P(HostileImageTest, LoadOnlyWhatLiesInsideTheImage) {
    const HostileImage& c = GetParam();
    // The image in a block of exactly its size, so the sanitizers see any read past it.
    const std::vector<std::uint8_t> image(c.image);
    TiffIfd ifd;
    EXPECT_EQ(ifd.LoadFromMemory(image.data(), c.count, image.size()), c.loadResult);
    EXPECT_EQ(Names(ifd), c.names);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileImageTest, testing::ValuesIn(HostileImages()),
                         [](const testing::TestParamInfo<HostileImage>& test) { return test.param.name; });

}  // namespace
