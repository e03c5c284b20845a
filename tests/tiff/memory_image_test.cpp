#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "tests/support/byte_builder.h"
#include "tests/support/ifd_builder.h"
#include "tests/support/memory_image.h"
#include "tests/support/temp_file.h"
#include "tiff/byte_order.h"
#include "tiff/erf_file.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_ifd.h"

namespace {

using ::testing::ElementsAre;

// A directory whose entries the test files directly, named by the dictionary.
class TestIfd : public TiffIfd {
public:
    TestIfd& Put(std::uint32_t number, std::uint32_t type, std::uint32_t count, std::vector<std::uint32_t> values) {
        auto tag = std::make_unique<TiffTag>();
        tag->tagNumber = number;
        TagName(number, tag->name);
        tag->type = type;
        tag->count = count;
        tag->values = std::move(values);
        File(std::move(tag));
        return *this;
    }
};

std::vector<std::uint32_t> Ascii(const std::string& text) {
    std::vector<std::uint32_t> items(text.begin(), text.end());
    items.insert(items.end(), {0, 0});
    return items;
}

std::uint32_t At16(const std::vector<std::uint8_t>& b, std::size_t i) { return LoadOrdered16(&b[i], true); }
std::uint32_t At32(const std::vector<std::uint8_t>& b, std::size_t i) { return LoadOrdered32(&b[i], true); }

// ForEachTag passes a 32-bit user value: the visitors record into this list.
std::vector<std::uint32_t> gVisited;
std::int32_t Record(TiffTag* tag, std::uint32_t goOn) {
    gVisited.push_back(tag->tagNumber);
    return static_cast<std::int32_t>(goOn);
}

TEST(StoreToMemory, StoresInNameOrderWhileForEachTagVisitsInTagOrder) {
    TestIfd ifd;
    ifd.Put(kTagCompression, 3, 1, {1}).Put(kTagImageWidth, 4, 1, {640}).Put(kTagMake, 2, 6, Ascii("EPSON"));
    const auto image = Image(ifd);
    EXPECT_THAT((std::vector<std::uint32_t>{At16(image, 0), At16(image, 12), At16(image, 24)}),
                ElementsAre(kTagCompression, kTagImageWidth, kTagMake));

    gVisited.clear();
    EXPECT_EQ(ifd.ForEachTag(Record, 1), 1);
    EXPECT_THAT(gVisited, ElementsAre(kTagImageWidth, kTagCompression, kTagMake));

    gVisited.clear();
    EXPECT_EQ(ifd.ForEachTag(Record, 0), 1);
    EXPECT_THAT(gVisited, ElementsAre(kTagImageWidth));

    gVisited.clear();
    TestIfd empty;
    EXPECT_EQ(empty.ForEachTag(Record, 1), 1);
    EXPECT_TRUE(gVisited.empty());
}

TEST(ForEachTag, TheVisitorMayChangeTheEntryItIsGiven) {
    TestIfd ifd;
    ifd.Put(kTagImageWidth, 4, 1, {640});
    ifd.ForEachTag(
        [](TiffTag* tag, std::uint32_t value) -> std::int32_t {
            tag->values[0] = value;
            return 1;
        },
        800);
    EXPECT_EQ(ifd.FirstValue("ImageWidth"), 800u);
}

TEST(StoreToMemory, PutsInlineValuesInTheEntryAndBlocksBackToBack) {
    TestIfd ifd;
    ifd.Put(kTagImageWidth, 4, 1, {3040}).Put(kTagMake, 2, 6, Ascii("EPSON")).Put(kTagXResolution, 5, 1, {300, 1});
    std::int32_t entryBytes = 0, dataBytes = 0;
    EXPECT_EQ(ifd.MemoryImageSize(&entryBytes, &dataBytes), 3);
    EXPECT_EQ(entryBytes, 36);
    EXPECT_EQ(dataBytes, 14);
    EXPECT_EQ(ifd.MemoryImageSize(nullptr, nullptr), 3);

    const auto image = Image(ifd);
    ASSERT_EQ(image.size(), 50u);
    // ImageWidth, Make, XResolution: their names' order.
    EXPECT_THAT((std::vector<std::uint32_t>{At16(image, 0), At16(image, 2), At32(image, 4), At32(image, 8)}),
                ElementsAre(kTagImageWidth, 4, 1, 3040));
    EXPECT_THAT((std::vector<std::uint32_t>{At16(image, 12), At16(image, 14), At32(image, 16), At32(image, 20)}),
                ElementsAre(kTagMake, 2, 6, 36));
    EXPECT_THAT((std::vector<std::uint32_t>{At16(image, 24), At16(image, 26), At32(image, 28), At32(image, 32)}),
                ElementsAre(kTagXResolution, 5, 1, 42));
    EXPECT_EQ(std::memcmp(&image[36], "EPSON", 6), 0);  // the NUL included, the list's extra 0 not
    EXPECT_EQ(At32(image, 42), 300u);
    EXPECT_EQ(At32(image, 46), 1u);
    // Storing moves nothing in the container.
    EXPECT_EQ(ifd.FindTag("Make")->valueOffset, 0u);
}

TEST(StoreToMemory, AnEmptyDirectoryNeedsNoRoom) {
    TestIfd ifd;
    std::int32_t entryBytes = -1, dataBytes = -1;
    EXPECT_EQ(ifd.MemoryImageSize(&entryBytes, &dataBytes), 0);
    EXPECT_EQ(entryBytes, 0);
    EXPECT_EQ(dataBytes, 0);
    EXPECT_EQ(ifd.StoreToMemory(nullptr, nullptr), 0);
}

// Entries taken over with PutTagCopy keep their counts however short their
// value lists: sizes past 2^31 - 1 are refused before anything is stored.
struct HugeDirectory {
    std::string name;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;  // tag number and LONG count
    std::int32_t result;                                           // of MemoryImageSize
};

class MemoryImageLimitTest : public testing::TestWithParam<HugeDirectory> {};

TEST_P(MemoryImageLimitTest, SizesBeyondTheSignedRangeAreRefusedAndNothingIsStored) {
    TiffIfd ifd;
    for (const auto& [number, count] : GetParam().entries) {
        TiffTag source;
        source.tagNumber = number;
        source.type = kTypeLong;
        source.count = count;
        source.values = {1, 2};
        ifd.PutTagCopy(source);
    }
    std::int32_t entryBytes = -7, dataBytes = -7;
    EXPECT_EQ(ifd.MemoryImageSize(&entryBytes, &dataBytes), GetParam().result);
    if (GetParam().result >= 0) return;
    EXPECT_EQ(entryBytes, 0);
    EXPECT_EQ(dataBytes, 0);
    std::vector<std::uint8_t> image(64, 0xEE);
    EXPECT_EQ(ifd.StoreToMemory(image.data(), image.data() + 24), -1);
    EXPECT_EQ(image, std::vector<std::uint8_t>(64, 0xEE));
    for (const auto& [name, tag] : ifd.Tags()) {
        if (TypeSize(tag->type, tag->count) <= INT32_MAX) continue;  // a block of its own must fit too
        EXPECT_EQ(ifd.StoreEntryToMemory(image.data(), image.data(), image.data() + 24, *tag), -1);
        EXPECT_EQ(TiffIfd::StoreValuesToMemory(image.data(), *tag), -1);
    }
    EXPECT_EQ(image, std::vector<std::uint8_t>(64, 0xEE));
}

constexpr std::uint32_t kLargestFit = (0x7FFFFFFF - 24) / 4;  // two entries and 4 x count bytes just fit

INSTANTIATE_TEST_SUITE_P(
    Directories, MemoryImageLimitTest,
    testing::Values(
        HugeDirectory{"TwoBlocksWhoseSumWraps32Bits", {{kTagStripOffsets, 1u << 29}, {kTagStripByteCounts, 1u << 29}}, -1},
        HugeDirectory{"OneBlockOfTwoToThe31", {{kTagStripOffsets, 1u << 29}}, -1},
        HugeDirectory{"EntriesAndBlocksJustFit", {{kTagStripOffsets, kLargestFit}, {kTagStripByteCounts, 1}}, 2},
        HugeDirectory{"OneByteTooMany", {{kTagStripOffsets, kLargestFit}, {kTagStripByteCounts, 2}}, -1}),
    [](const testing::TestParamInfo<HugeDirectory>& test) { return test.param.name; });

TEST(StoreEntryToMemory, InlineValuesTakeOnlyTheirOwnBytesOfTheField) {
    struct Case {
        const char* what;
        std::uint32_t type, count;
        std::vector<std::uint32_t> values;
        std::vector<std::uint8_t> field;  // 0xEE: left as the memory held it
    };
    const Case cases[] = {
        {"one SHORT", 3, 1, {0x0102}, {0x02, 0x01, 0xEE, 0xEE}},
        {"one BYTE", 1, 1, {7}, {7, 0xEE, 0xEE, 0xEE}},
        {"three BYTEs", 1, 3, {1, 2, 3}, {1, 2, 3, 0xEE}},
        {"two SHORTs", 3, 2, {1, 0xFFFF}, {1, 0, 0xFF, 0xFF}},
        {"one LONG", 4, 1, {0x01020304}, {4, 3, 2, 1}},
        {"ASCII of 2 with its NUL", 2, 2, {'a', 0, 0}, {'a', 0, 0xEE, 0xEE}},
        {"UNDEFINED", 7, 2, {0xAB, 0xCD, 0}, {0xAB, 0xCD, 0xEE, 0xEE}},
        {"SBYTE has no value bytes", 6, 3, {}, {0xEE, 0xEE, 0xEE, 0xEE}},
        {"FLOAT has no value bytes", 11, 1, {}, {0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffTag tag;
        tag.tagNumber = 0x1234;
        tag.type = c.type;
        tag.count = c.count;
        tag.values = c.values;
        std::vector<std::uint8_t> memory(16, 0xEE);
        TiffIfd ifd;
        EXPECT_EQ(ifd.StoreEntryToMemory(memory.data(), memory.data(), memory.data() + 12, tag), 0);
        EXPECT_EQ(At16(memory, 0), 0x1234u);
        EXPECT_EQ(At16(memory, 2), c.type);
        EXPECT_EQ(At32(memory, 4), c.count);
        EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + 8, memory.begin() + 12), c.field);
        EXPECT_EQ(memory[12], 0xEE);  // no block
    }
}

TEST(StoreValuesToMemory, StoresTheItemsTheTypeCallsFor) {
    struct Case {
        std::uint32_t type, count;
        std::vector<std::uint32_t> values;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {1, 2, {0x1FF, 2}, {0xFF, 2}},
        {3, 2, {0x10203, 4}, {3, 2, 4, 0}},
        {4, 1, {0x01020304}, {4, 3, 2, 1}},
        {9, 1, {0xFFFFFFFB}, {0xFB, 0xFF, 0xFF, 0xFF}},
        {5, 1, {300, 1}, {0x2C, 1, 0, 0, 1, 0, 0, 0}},
        {10, 1, {0xFFFFFFFF, 2}, {0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}},
        {2, 3, {'a', 'b', 'c', 0, 0}, {'a', 'b', 'c'}},
        {8, 2, {}, {}},
        // Items a tag lacks are stored as 0: its block still takes its full size.
        {4, 2, {9}, {9, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " count " << c.count);
        TiffTag tag;
        tag.type = c.type;
        tag.count = c.count;
        tag.values = c.values;
        std::vector<std::uint8_t> memory(c.bytes.size() + 1, 0xEE);
        EXPECT_EQ(TiffIfd::StoreValuesToMemory(memory.data(), tag), static_cast<std::int32_t>(c.bytes.size()));
        EXPECT_EQ(std::vector<std::uint8_t>(memory.begin(), memory.end() - 1), c.bytes);
        EXPECT_EQ(memory.back(), 0xEE);
    }
}

TEST(LoadFromMemory, GivesEntryOffsetsByIndexAndTakesTheValueFieldAsOffset) {
    const auto image = ByteBuilder()
                           .Entry(kTagCompression, 3, 1, 5)    // inline SHORT 5: field 05 00 00 00
                           .Entry(kTagImageWidth, 4, 2, 36)    // two LONGs in a block at 36
                           .Entry(kTagMake, 2, 4, 0x00434241)  // "ABC" inline
                           .Bytes({0x40, 1, 0, 0, 7, 0, 0, 0})
                           .bytes();
    TiffIfd ifd;
    EXPECT_EQ(ifd.LoadFromMemory(image.data(), 3), 0);
    ASSERT_EQ(ifd.TagCount(), 3);
    const TiffTag* compression = ifd.FindTag("Compression");
    EXPECT_EQ(compression->entryOffset, 10);
    EXPECT_EQ(compression->valueOffset, 5u);
    EXPECT_THAT(compression->values, ElementsAre(5));
    EXPECT_EQ(compression->valueText, " 5");  // no dictionary text for Compression_5
    const TiffTag* width = ifd.FindTag("ImageWidth");
    EXPECT_EQ(width->entryOffset, 22);
    EXPECT_EQ(width->valueOffset, 36u);
    EXPECT_THAT(width->values, ElementsAre(320, 7));
    EXPECT_EQ(width->valueText, " 320 7");
    EXPECT_FALSE(width->description.empty());
    const TiffTag* make = ifd.FindTag("Make");
    EXPECT_EQ(make->entryOffset, 34);
    EXPECT_EQ(make->valueOffset, 0x00434241u);
    EXPECT_EQ(make->valueText, "ABC");
}

// The value budget guards reading a file; an image is bounded by its own
// size. An image whose second entry names 1 Mi + 1 LONGs, all in the image
// (one value more than a directory read from a file may hold), loads whole.
TEST(LoadFromMemory, AnImageLoadsWholeWhateverTheValueBudgetOfAFile) {
    constexpr std::uint32_t kCount = (1u << 20) + 1;
    ASSERT_GT(HeldBytes(kTypeLong, kCount), kDirectoryValueBudget);
    ByteBuilder image(true);
    image.Entry(kTagImageWidth, kTypeLong, 1, 640).Entry(kTagStripOffsets, kTypeLong, kCount, 24);
    image.PadTo(24 + std::size_t{4} * kCount);
    TiffIfd ifd;
    EXPECT_EQ(ifd.LoadFromMemory(image.bytes().data(), 2, image.size()), 0);
    EXPECT_EQ(Names(ifd), (std::vector<std::string>{"ImageWidth", "StripOffsets"}));
    EXPECT_EQ(ifd.FindTag("StripOffsets")->values.size(), kCount);
}

// Two texts of 2 MB each, whose values and texts take more than a file's
// directory may hold together: stored and loaded back, both are there, and
// so they are again after one was removed and set anew.
TEST(LoadFromMemory, GivesBackLargeValuesAsStored) {
    const std::string text(2000000, 'x');
    TiffIfd ifd;
    ifd.SetTag(kTagImageDescription, kTypeAscii, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    ifd.SetTag(kTagArtist, kTypeAscii, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    ASSERT_GT(2 * HeldBytes(kTypeAscii, static_cast<std::uint32_t>(text.size() + 1)), kDirectoryValueBudget);
    ExpectRoundTrip(ifd);
    ASSERT_EQ(ifd.RemoveTag("Artist"), 0);
    ifd.SetTag(kTagCopyright, kTypeAscii, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    ExpectRoundTrip(ifd);
}

TEST(LoadFromMemory, RunsTheDictionaryOverLoadedValues) {
    const auto image = ByteBuilder().Entry(kTagCompression, 3, 1, 1).bytes();
    TiffIfd ifd;
    ifd.LoadFromMemory(image.data(), 1);
    EXPECT_STREQ(ifd.FindTag("Compression")->valueText.c_str(), TagDictionary::TextOf("Compression_1"));
}

TEST(LoadFromMemory, DropsUnknownTagsAndKeepsTheFirstOfANameWithoutReadingTheRest) {
    const auto image = ByteBuilder()
                           .Entry(0, 3, 1, 1)
                           .Entry(0xC000, 4, 1, 1)
                           .Entry(kTagImageWidth, 4, 1, 640)
                           .Entry(kTagImageWidth, 4, 0x40000000, 0xFFFFFFF0)  // never read: the name is filed
                           .bytes();
    TiffIfd ifd;
    ifd.LoadFromMemory(image.data(), 4);
    EXPECT_EQ(ifd.TagCount(), 1);
    EXPECT_EQ(ifd.FirstValue("ImageWidth"), 640u);
    EXPECT_EQ(ifd.FindTag("ImageWidth")->entryOffset, 34);
}

TEST(LoadFromMemory, AZeroOrNegativeCountEmptiesTheDirectory) {
    const auto image = ByteBuilder().Entry(kTagImageWidth, 4, 1, 640).bytes();
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        TiffIfd ifd;
        ifd.LoadFromMemory(image.data(), 1);
        ASSERT_EQ(ifd.TagCount(), 1);
        EXPECT_EQ(ifd.LoadFromMemory(image.data(), count), 0);
        EXPECT_EQ(ifd.TagCount(), 0);
        ifd.LoadFromMemory(image.data(), 1);
        EXPECT_EQ(ifd.LoadFromMemory(image.data(), count, image.size()), 0);
        EXPECT_EQ(ifd.TagCount(), 0);
    }
}

TEST(LoadEntryFromMemory, CountsBlockOffsetsFromTheImageNotFromTheEntry) {
    const auto image = ByteBuilder().Entry(0, 0, 0, 0).Bytes({'N', 'I', 'K', 'O', 'N', 0}).bytes();
    const auto entry = ByteBuilder().Entry(kTagMake, 2, 6, 12).bytes();
    TiffIfd ifd;
    EXPECT_EQ(ifd.LoadEntryFromMemory(image.data(), entry.data(), 1234), 0);
    EXPECT_EQ(ifd.FindTag("Make")->valueText, "NIKON");
    EXPECT_EQ(ifd.FindTag("Make")->entryOffset, 1234);
}

// A damaged image lies at the front of a larger buffer whose further bytes
// would make each refused entry load, had the loader looked past the end.
struct DamagedCase {
    const char* what;
    std::vector<std::uint8_t> buffer;
    std::size_t imageBytes;
    std::int32_t count;
    std::vector<std::string> filed;
};

std::vector<DamagedCase> DamagedCases() {
    const auto twoEntries = ByteBuilder().Entry(kTagImageWidth, 4, 1, 640).Entry(kTagImageLength, 4, 1, 480).bytes();
    const auto withBlock =
        ByteBuilder().Entry(kTagImageWidth, 4, 1, 640).Entry(kTagMake, 2, 6, 24).Bytes({'E', 'P', 'S', 'O', 'N', 0}).bytes();
    return {
        {"a count past the entries", twoEntries, 12, 2, {"ImageWidth"}},
        {"a count far past the image", twoEntries, 24, INT32_MAX, {"ImageLength", "ImageWidth"}},
        {"an entry cut by the end", twoEntries, 23, 2, {"ImageWidth"}},
        {"a block running past the end", withBlock, 29, 2, {"ImageWidth"}},
        {"a block starting past the end",
         ByteBuilder().Entry(kTagMake, 2, 6, 40).Bytes(std::vector<std::uint8_t>(40, 'x')).bytes(),
         30,
         1,
         {}},
        {"an offset that wraps 32 bits",
         ByteBuilder().Entry(kTagImageWidth, 4, 1, 640).Entry(kTagMake, 2, 32, 0xFFFFFFF0).bytes(),
         24,
         2,
         {"ImageWidth"}},
        {"a count of values that cannot fit",
         ByteBuilder().Entry(kTagStripOffsets, 4, 0x40000000, 12).Bytes(std::vector<std::uint8_t>(64, 1)).bytes(),
         76,
         1,
         {}},
        {"an image too small for one entry", twoEntries, 11, 1, {}},
        {"no image at all", twoEntries, 0, 2, {}},
    };
}

TEST(BoundedLoadFromMemory, RefusesWhatLiesOutsideTheImage) {
    for (const DamagedCase& c : DamagedCases()) {
        SCOPED_TRACE(c.what);
        TiffIfd ifd;
        EXPECT_EQ(ifd.LoadFromMemory(c.buffer.data(), c.count, c.imageBytes), -1);
        EXPECT_EQ(Names(ifd), c.filed);
        // The image alone in a block of its own size, for the sanitizers.
        const std::vector<std::uint8_t> exact(c.buffer.begin(),
                                              c.buffer.begin() + static_cast<std::ptrdiff_t>(c.imageBytes));
        TiffIfd alone;
        EXPECT_EQ(alone.LoadFromMemory(exact.data(), c.count, exact.size()), -1);
        EXPECT_EQ(Contents(alone), Contents(ifd));
    }
}

TEST(BoundedLoadFromMemory, LoadsAnIntactImageAsTheUnboundedForm) {
    TestIfd source;
    source.Put(kTagImageWidth, 4, 1, {3040})
        .Put(kTagMake, 2, 6, Ascii("EPSON"))
        .Put(kTagXResolution, 5, 1, {300, 1})
        .Put(kTagBitsPerSample, 3, 3, {12, 12, 12})
        .Put(0xC000, 4, 1, {1});  // filed under the empty name: stored, not loaded
    std::int32_t count = 0;
    const auto image = Image(source, &count);
    TiffIfd unbounded, bounded;
    EXPECT_EQ(unbounded.LoadFromMemory(image.data(), count), 0);
    EXPECT_EQ(bounded.LoadFromMemory(image.data(), count, image.size()), 0);
    EXPECT_EQ(Contents(bounded), Contents(unbounded));
    EXPECT_EQ(bounded.TagCount(), 4);
    // The last block ends exactly at the image's end.
    EXPECT_EQ(bounded.FindTag("XResolution")->valueOffset + 8, image.size());
}

TEST(HasTag, ComparesNamesExactly) {
    TestIfd ifd;
    ifd.Put(kTagMake, 2, 6, Ascii("EPSON"));
    EXPECT_TRUE(ifd.HasTag("Make"));
    EXPECT_FALSE(ifd.HasTag("make"));
    EXPECT_FALSE(ifd.HasTag("Mak"));
    EXPECT_FALSE(ifd.HasTag("Model"));
    EXPECT_EQ(ifd.TagCount(), 1);
}

TEST(GetMake, CutsToTheBufferAndAlwaysTerminates) {
    const auto image =
        ByteBuilder().Entry(kTagMake, 2, 11, 12).Bytes({'S', 'E', 'I', 'K', 'O', ' ', 'E', 'P', 'S', 'N', 0}).bytes();
    TiffIfd ifd;
    ifd.LoadFromMemory(image.data(), 1, image.size());

    char small[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(ifd.GetMake(small, 4), 10);
    EXPECT_EQ(std::string(small, 6), std::string("SEI\0##", 6));

    char big[14];
    std::memset(big, '#', sizeof big);
    EXPECT_EQ(ifd.GetMake(big, 13), 10);
    EXPECT_EQ(std::string(big, 14), std::string("SEIKO EPSN\0\0\0#", 14));  // padded with NULs as strncpy does

    char exact[11];
    EXPECT_EQ(ifd.GetMake(exact, 10), 10);
    EXPECT_STREQ(exact, "SEIKO EPS");

    char untouched[2] = {'#', '#'};
    EXPECT_EQ(ifd.GetMake(untouched, 0), 10);
    EXPECT_EQ(ifd.GetMake(untouched, -5), 10);
    EXPECT_EQ(ifd.GetMake(nullptr, 0), 10);
    EXPECT_EQ(ifd.GetMake(untouched, 1), 10);
    EXPECT_EQ(std::string(untouched, 2), std::string("\0#", 2));
}

TEST(GetMake, WithoutAMakeLeavesTheBufferAlone) {
    TiffIfd ifd;
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(ifd.GetMake(buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), "####");
}

// IFD0 with entries of every kind of value, and a raw-image directory.
std::vector<std::uint8_t> ErfBytes(bool little) {
    return BuildTwoDirectoryFile(little,
                                 {
                                     {kTagNewSubfileType, 4, 1, {1}},
                                     {kTagImageWidth, 4, 1, {160}},
                                     {kTagImageLength, 3, 1, {120}},
                                     {kTagBitsPerSample, 3, 3, {12, 12, 12}},
                                     {kTagCompression, 3, 1, {1}},
                                     {kTagPhotometricInterpretation, 3, 1, {2}},
                                     {kTagImageDescription, 7, 5, {1, 0xAB, 0, 0x7F, 0xFF}},
                                     {kTagMake, 2, 6, {'E', 'P', 'S', 'O', 'N', 0}},
                                     {kTagModel, 2, 4, {'R', '-', 'D', 0}},
                                     {kTagStripOffsets, 4, 1, {4096}},
                                     {kTagStripByteCounts, 4, 1, {8192}},
                                     {kTagXResolution, 5, 1, {300, 1}},
                                     {kTagYResolution, 10, 1, {0xFFFFFFFF, 3}},
                                     {kTagSoftware, 11, 2, {}},
                                     {kTagDateTime, 9, 1, {0xFFFFFFFB}},
                                     {kTagArtist, 1, 6, {1, 2, 3, 4, 5, 255}},
                                 },
                                 {
                                     {kTagImageWidth, 4, 1, {640}},
                                     {kTagImageLength, 4, 1, {480}},
                                     {kTagPhotometricInterpretation, 3, 1, {32803}},
                                     {kTagStripOffsets, 4, 2, {1000, 2000}},
                                     {kTagStripByteCounts, 4, 2, {768, 768}},
                                 });
}

TEST(MemoryImage, RoundTripsDirectoriesReadFromFilesInBothByteOrders) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        TempFile file(ErfBytes(little));
        ErfFile erf;
        ASSERT_EQ(erf.Open(file.c_str()), 0);
        ASSERT_EQ(erf.mainIfd.TagCount(), 17);
        ASSERT_EQ(erf.rawIfd.TagCount(), 5);
        ExpectRoundTrip(erf.mainIfd);
        ExpectRoundTrip(erf.rawIfd);
    }
}

TEST(MemoryImage, RoundTripsDirectoriesBuiltWithSetTag) {
    const std::uint32_t width = 3040;
    const std::uint16_t bits[3] = {12, 12, 12};
    const std::uint32_t resolution[2] = {300, 1};
    const std::int32_t offset[2] = {-5, 7};
    const std::uint8_t bytes[5] = {0, 1, 0x7F, 0x80, 0xFF};
    TiffIfd ifd;
    ifd.SetTag(kTagImageWidth, kTypeLong, 1, &width);
    ifd.SetTag(kTagBitsPerSample, kTypeShort, 3, bits);
    ifd.SetTag(kTagCompression, kTypeShort, 1, bits);  // 12: a number the dictionary does not explain
    ifd.SetTag(kTagPhotometricInterpretation, kTypeShort, 1, "\x02\x00");
    ifd.SetTag(kTagMake, kTypeAscii, 6, "EPSON");
    ifd.SetTag(kTagModel, kTypeAscii, 3, "R-D");  // no NUL of its own
    ifd.SetTag(kTagXResolution, kTypeRational, 1, resolution);
    ifd.SetTag(kTagYResolution, kTypeSRational, 1, offset);
    ifd.SetTag(kTagDateTime, kTypeSLong, 2, offset);
    ifd.SetTag(kTagImageDescription, kTypeUndefined, 5, bytes);
    ifd.SetTag(kTagArtist, kTypeByte, 5, bytes);
    ifd.SetTag(kTagSoftware, kTypeSShort, 4, bytes);
    ifd.SetTag(kTagTransferFunction, 12, 1, bytes);  // DOUBLE: no reader, no bytes
    ifd.SetTag(0xC000, kTypeLong, 1, &width);        // the empty name: stored, not loaded
    ASSERT_EQ(ifd.TagCount(), 14);

    std::int32_t count = 0;
    const auto image = Image(ifd, &count);
    EXPECT_EQ(count, 14);
    TiffIfd loaded;
    EXPECT_EQ(loaded.LoadFromMemory(image.data(), count, image.size()), 0);
    auto expected = Contents(ifd);
    expected.erase(expected.begin());  // the entry under the empty name
    EXPECT_EQ(Contents(loaded), expected);
}

TEST(QueryMainImageTags, ReadsTheMainDirectoryIntoTheResultsAsked) {
    TempFile file(ErfBytes(false));
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    std::uint32_t width = 0;
    EXPECT_EQ(erf.QueryMainImageTags(nullptr, &width, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(width, 160u);  // the raw directory says 640
    std::uint32_t photometric = 0, length = 0, offset = 0, byteCount = 0;
    EXPECT_EQ(erf.QueryMainImageTags(&photometric, &width, &length, &offset, &byteCount), 0);
    EXPECT_THAT((std::vector<std::uint32_t>{photometric, width, length, offset, byteCount}),
                ElementsAre(2, 160, 120, 4096, 8192));

    erf.mainIfd.Clear();
    EXPECT_EQ(erf.QueryMainImageTags(&photometric, &width, &length, &offset, &byteCount), 0);
    EXPECT_THAT((std::vector<std::uint32_t>{photometric, width, length, offset, byteCount}), ElementsAre(0, 0, 0, 0, 0));
}

// A directory of a whole file held in memory loads with its entries' places
// in the file; one whose count, entries or values reach past the file's end
// is refused, and so is one that lies at the far end of 32-bit offsets.
TEST(LoadFromFileImage, LoadsTheDirectoryInPlaceOrRefusesWhatLiesOutside) {
    const std::vector<std::uint8_t> file = BuildTwoDirectoryFile(
        true, {{kTagImageWidth, kTypeLong, 1, {640}}, {kTagMake, kTypeAscii, 6, {'E', 'P', 'S', 'O', 'N', 0}}},
        {{kTagImageLength, kTypeLong, 1, {480}}});
    TiffIfd whole;
    ASSERT_EQ(whole.LoadFromFileImage(file.data(), file.size(), 8), 0);
    EXPECT_EQ(Names(whole), (std::vector<std::string>{"ImageWidth", "Make", "SubIFDs"}));
    EXPECT_EQ(whole.FindTag("ImageWidth")->entryOffset, 10);
    EXPECT_EQ(whole.FindTag("Make")->entryOffset, 22);
    EXPECT_EQ(whole.FindTag("Make")->valueText, "EPSON");
    const std::uint32_t makeBlock = whole.FindTag("Make")->valueOffset;
    const struct {
        const char* what;
        std::size_t bytes;
        std::uint32_t at;
    } cases[] = {
        {"the count's second byte past the end", file.size(), static_cast<std::uint32_t>(file.size() - 1)},
        {"at the far end of 32-bit offsets", file.size(), 0xFFFFFFF0u},
        {"the second entry cut", 8 + 2 + 12 + 11, 8},
        {"the make's text cut", makeBlock + 5u, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiffIfd ifd;
        EXPECT_EQ(ifd.LoadFromFileImage(file.data(), c.bytes, c.at), -1);
        EXPECT_EQ(ifd.FindTag("Make"), nullptr);
    }
}

}  // namespace
