// Damaged and hostile files through the parse and the whole plug-in path:
// no crash, nothing read outside the data (the sanitizer build watches), and
// the decided result for each.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/exports.h"
#include "tests/hostile/hostile_cases.h"
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

DeliveredRows* gRows = nullptr;
std::int32_t gWidth = 0;

std::int32_t RUDI_CDECL KeepRow(std::int32_t y, std::int32_t first, std::int32_t last, std::uint8_t* pixels,
                                std::int32_t zero) {
    EXPECT_EQ(y, static_cast<std::int32_t>(gRows->size()));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, gWidth - 1);
    EXPECT_EQ(zero, 0);
    gRows->emplace_back(pixels, pixels + 3 * std::size_t(gWidth));
    return 0;
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
    DeliveredRows rows;
    gRows = &rows;
    gWidth = static_cast<std::int32_t>(size.width);
    LineCallbackRecord callbacks{KeepRow};
    EXPECT_EQ(ReadFileExec(0, file.c_str(), 0, 0, 0, &callbacks), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(size.width, c.raw[1]);
    EXPECT_EQ(size.height, c.raw[2]);
    EXPECT_EQ(size.bitsPerPixel, 24u);
    EXPECT_EQ(rows.size(), c.rows);
    if (c.checkRows) c.checkRows(rows);
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
