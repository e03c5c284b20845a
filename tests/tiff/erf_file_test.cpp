#include <gtest/gtest.h>

#include <cerrno>


#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/byte_builder.h"
#include "tests/support/erf_builder.h"
#include "tests/support/ifd_builder.h"
#include "tests/support/memory_limit.h"
#include "tests/support/temp_file.h"
#include "tiff/erf_file.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"
#include "tiff/tag_values.h"

namespace {

struct RawTags {
    std::uint32_t photometric = 99, width = 99, length = 99, stripOffset = 99, stripByteCount = 99;
};

RawTags QueryAll(const ErfFile& erf) {
    RawTags tags;
    EXPECT_EQ(
        erf.QueryRawImageTags(&tags.photometric, &tags.width, &tags.length, &tags.stripOffset, &tags.stripByteCount), 0);
    return tags;
}

// Opens `path` and returns what it wrote to standard error.
std::string OpenCapturingMessages(ErfFile& erf, const char* path, std::int32_t& result) {
    testing::internal::CaptureStderr();
    result = erf.Open(path);
    return testing::internal::GetCapturedStderr();
}

// Every tag as name, values and value text, to compare whole directories.
std::string Dump(const TiffIfd& ifd) {
    std::string out;
    for (const auto& [name, tag] : ifd.Tags()) {
        out.append(name).append(" [").append(tag->description).append("]");
        for (std::uint32_t value : tag->values) out.append(" ").append(std::to_string(value));
        out.append(" '").append(tag->valueText).append("'\n");
    }
    return out;
}

bool CanOpenExclusively(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

const std::vector<std::uint8_t> kStrip = PackSamples(std::vector<std::uint16_t>(6, 0x123), 3, 2);

TEST(ErfFile, ReadsBothDirectoriesAndAnswersTheRawImageQuery) {
    const TempFile file(BuildErf({.width = 3, .height = 2, .strip = kStrip}));
    ErfFile erf;
    EXPECT_EQ(erf.Open(file.c_str()), 0);
    EXPECT_EQ(erf.fileHandle, nullptr);
    EXPECT_STREQ(erf.fileName, file.c_str());
    EXPECT_EQ(erf.mainIfd.FindTag("Make")->valueText, "EPSON");
    const RawTags tags = QueryAll(erf);
    EXPECT_EQ(tags.photometric, 32803u);
    EXPECT_EQ(tags.width, 3u);
    EXPECT_EQ(tags.length, 2u);
    EXPECT_EQ(tags.stripOffset, file.Read().size() - kStrip.size());
    EXPECT_EQ(tags.stripByteCount, kStrip.size());
    EXPECT_TRUE(CanOpenExclusively(file.path()));
}

TEST(ErfFile, LittleAndBigEndianFilesGiveTheSameTags) {
    const TempFile little(BuildErf({.littleEndian = true, .width = 3, .height = 2, .strip = kStrip}));
    const TempFile big(BuildErf({.littleEndian = false, .width = 3, .height = 2, .strip = kStrip}));
    ErfFile fromLittle;
    ErfFile fromBig;
    ASSERT_EQ(fromLittle.Open(little.c_str()), 0);
    ASSERT_EQ(fromBig.Open(big.c_str()), 0);
    EXPECT_EQ(fromBig.rawIfd.Tags().size(), 7u);
    EXPECT_EQ(Dump(fromLittle.mainIfd), Dump(fromBig.mainIfd));
    EXPECT_EQ(Dump(fromLittle.rawIfd), Dump(fromBig.rawIfd));
}

TEST(ErfFile, EachBadHeaderShowsItsMessageOnceAndLeavesNothing) {
    const struct {
        std::vector<std::uint8_t> header;
        std::int32_t result;
        const char* message;
    } cases[] = {
        {{'I', 'M', 42, 0, 8, 0, 0, 0}, -12, "TIFF endian error: "},
        {{'M', 'I', 0, 42, 0, 0, 0, 8}, -12, "TIFF endian error: "},
        {{}, -12, "TIFF endian error: "},
        {{'I', 'I', 43, 0, 8, 0, 0, 0}, -13, "TIFFID error: "},
        {{'M', 'M', 42, 0, 0, 0, 0, 8}, -13, "TIFFID error: "},  // 42 in the wrong order
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + std::to_string(c.header.size()));
        // A valid file behind the bad header, so that only the header stops the parse.
        std::vector<std::uint8_t> bytes = BuildErf({.width = 3, .height = 2, .strip = kStrip});
        if (c.header.empty()) bytes.clear();
        else std::copy(c.header.begin(), c.header.end(), bytes.begin());
        const TempFile file(bytes);
        ErfFile erf;
        std::int32_t result = 0;
        EXPECT_EQ(OpenCapturingMessages(erf, file.c_str(), result),
                  std::string(program_invocation_short_name) + ": " + c.message + file.path() + "\n");
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(erf.mainIfd.Tags().empty());
        EXPECT_TRUE(erf.rawIfd.Tags().empty());
        EXPECT_EQ(erf.fileHandle, nullptr);
        EXPECT_TRUE(CanOpenExclusively(file.path()));
    }
}

// Another reader holding the file (a decode of the same file under way, or
// one that never ended) does not keep it from being read; a writer that
// admits no one else does.
TEST(ErfFile, OpensAFileAnotherReaderHoldsButNotOneHeldExclusively) {
    const TempFile file(BuildErf({.width = 3, .height = 2, .strip = kStrip}));
    const struct {
        const char* what;
        DWORD access, share;
        std::int32_t result;
        std::uint32_t width;
    } cases[] = {
        {"a reader admitting readers", GENERIC_READ, FILE_SHARE_READ, 0, 3},
        {"a writer admitting no one", GENERIC_WRITE, 0, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE held =
            CreateFileA(file.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ErfFile erf;
        EXPECT_EQ(erf.Open(file.c_str()), c.result);
        EXPECT_EQ(QueryAll(erf).width, c.width);
        CloseHandle(held);
    }
}

TEST(ErfFile, AMissingFileGivesMinusOneAndNoMessage) {
    ErfFile erf;
    std::int32_t result = 0;
    EXPECT_EQ(OpenCapturingMessages(erf, "/nonexistent/photo.erf", result), "");
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(erf.fileName, "");
    const RawTags tags = QueryAll(erf);
    EXPECT_EQ(tags.width, 0u);
    EXPECT_EQ(tags.length, 0u);
}

TEST(ErfFile, AFileOpenElsewhereWithoutSharingCannotBeOpened) {
    const TempFile file(BuildErf({.width = 3, .height = 2, .strip = kStrip}));
    HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ErfFile erf;
    EXPECT_EQ(erf.Open(file.c_str()), -1);
    CloseHandle(holder);
    EXPECT_TRUE(erf.rawIfd.Tags().empty());
}

TEST(ErfFile, OnlyTheFirstSubIfdIsRead) {
    const TempFile file(BuildErf({.width = 3, .height = 2, .strip = kStrip, .subIfdCount = 3}));
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    EXPECT_EQ(erf.mainIfd.FindTag("SubIFDs")->values.size(), 3u);
    const RawTags tags = QueryAll(erf);
    EXPECT_EQ(tags.width, 3u);
    EXPECT_EQ(tags.length, 2u);
}

TEST(ErfFile, WithoutAUsableRawDirectoryEveryAnswerIsZero) {
    const struct {
        const char* what;
        ErfContent content;
    } cases[] = {
        {"empty raw directory", {.width = 3, .height = 2, .strip = kStrip, .emptyRawIfd = true}},
        {"no SubIFDs", {.width = 3, .height = 2, .strip = kStrip, .subIfdCount = 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFile file(BuildErf(c.content));
        ErfFile erf;
        EXPECT_EQ(erf.Open(file.c_str()), 0);
        EXPECT_FALSE(erf.mainIfd.Tags().empty());
        EXPECT_TRUE(erf.rawIfd.Tags().empty());
        const RawTags tags = QueryAll(erf);
        EXPECT_EQ(tags.photometric + tags.width + tags.length + tags.stripOffset + tags.stripByteCount, 0u);
    }
}

TEST(ErfFile, TheQueryWritesOnlyThroughTheGivenPointers) {
    const TempFile file(BuildErf({.width = 3, .height = 2, .strip = kStrip}));
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    EXPECT_EQ(erf.QueryRawImageTags(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    std::uint32_t width = 99;
    EXPECT_EQ(erf.QueryRawImageTags(nullptr, &width, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(width, 3u);
}

// The largest directory there can be, its entry table read at once: the
// entries the dictionary knows are filed with their own places in the file.
TEST(ErfFile, AFullDirectoryFilesItsKnownEntriesWithTheirOffsets) {
    constexpr std::uint32_t kEntries = 65535;
    ByteBuilder file(false);
    file.Header(8).U16(kEntries).InlineEntry(kTagImageWidth, kTypeShort, 1, {0x0B, 0xE0});
    for (std::uint32_t i = 1; i + 1 < kEntries; ++i) file.Entry(50000, kTypeLong, 1, i);
    file.Entry(kTagMake, kTypeAscii, 6, 8 + 2 + RawEntry::kSize * kEntries + 4).U32(0).Text("EPSON").U8(0);
    const TempFile erf(file.bytes());
    ErfFile parsed;
    ASSERT_EQ(parsed.Open(erf.c_str()), 0);
    EXPECT_EQ(parsed.mainIfd.TagCount(), 2);
    EXPECT_EQ(parsed.mainIfd.FindTag("ImageWidth")->entryOffset, 10);
    EXPECT_EQ(parsed.mainIfd.FirstValue("ImageWidth"), 3040u);
    const TiffTag* make = parsed.mainIfd.FindTag("Make");
    EXPECT_EQ(make->entryOffset, 10 + std::int32_t{RawEntry::kSize} * static_cast<std::int32_t>(kEntries - 1));
    EXPECT_EQ(make->valueText, "EPSON");
}

// Each directory names 600 Ki SHORTs, whose values and texts take about
// 9.4 MiB: more than the budget holds for both, less than it holds for one.
// Each directory has its own, so both are kept; a third such entry in the
// raw directory passes its budget and is dropped, while the small entry
// after it is still read.
TEST(ErfFile, EachDirectoryHasAValueBudgetOfItsOwn) {
    constexpr std::uint32_t kCount = 600u << 10;
    const std::vector<std::uint32_t> items(kCount, 7);
    ASSERT_LE(HeldBytes(kTypeShort, kCount), kDirectoryValueBudget);
    ASSERT_GT(2 * HeldBytes(kTypeShort, kCount), kDirectoryValueBudget);
    const TempFile file(BuildTwoDirectoryFile(true, {{kTagTransferFunction, kTypeShort, kCount, items}},
                                              {{kTagTransferFunction, kTypeShort, kCount, items},
                                               {kTagWhitePoint, kTypeShort, kCount, items},
                                               {kTagImageWidth, kTypeLong, 1, {640}}}));
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    EXPECT_EQ(erf.mainIfd.FindTag("TransferFunction")->values.size(), kCount);
    EXPECT_EQ(erf.rawIfd.FindTag("TransferFunction")->values.size(), kCount);
    EXPECT_FALSE(erf.rawIfd.HasTag("WhitePoint"));
    EXPECT_EQ(erf.rawIfd.FirstValue("ImageWidth"), 640u);
}

TEST(ErfFile, ALongNameIsCutToFitTheMessage) {
    const TempFile file({'X', 'X', 42, 0});
    // The same file by a name of more than 300 characters.
    std::string longName = file.path();
    std::string dots;
    for (int i = 0; i < 150; ++i) dots += "./";
    longName.insert(longName.rfind('/') + 1, dots);
    ASSERT_GT(longName.size(), 300u);
    ErfFile erf;
    std::int32_t result = 0;
    const std::string message = OpenCapturingMessages(erf, longName.c_str(), result);
    EXPECT_EQ(result, -12);
    EXPECT_EQ(message, std::string(program_invocation_short_name) +
                           ": TIFF endian error: " + longName.substr(0, ErfFile::kNameSize - 1) + "\n");
}

#if RUDI_CAN_BOUND_MEMORY
// IFD0 names one block of 128 KiB under every tag of the dictionary: the
// values and texts of the first eight fill the value budget. Opened with
// 8 MiB more address space than the process has, the reading runs out of
// memory first.
int OpenUnderMemoryLimit(const char* path) {
    LimitAddressSpaceToCurrentPlus(8u << 20);
    ErfFile erf;
    const std::int32_t result = erf.Open(path);
    const bool empty = erf.mainIfd.TagCount() == 0 && erf.rawIfd.TagCount() == 0;
    // The file was closed: it opens again without sharing.
    return result == -1 && empty && CanOpenExclusively(path) ? 7 : 8;
}

TEST(ErfFileDeathTest, DirectoriesThatNeedMoreMemoryThanThereIsLeaveBothEmpty) {
    if (UnderEmulator()) GTEST_SKIP() << "an address-space bound under qemu bounds the emulator";
    constexpr std::uint32_t kBlockBytes = 128u << 10;
    constexpr std::uint32_t kBlock = 8 + 2 + RawEntry::kSize * TagDictionary::kTagCount + 4;
    ByteBuilder file(true);
    file.Header(8).U16(TagDictionary::kTagCount);
    for (const std::uint32_t number : TagDictionary::kTagNumbers) file.Entry(number, kTypeByte, kBlockBytes, kBlock);
    file.U32(0).PadTo(kBlock + kBlockBytes);
    const TempFile erf(file.bytes());
    EXPECT_EXIT(std::_Exit(OpenUnderMemoryLimit(erf.c_str())), testing::ExitedWithCode(7), "");
}
#endif

}  // namespace
