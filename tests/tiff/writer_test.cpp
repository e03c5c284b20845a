#include <gtest/gtest.h>

#include <cstring>

#include "platform/limits.h"
#include "tests/support/cp932.h"
#include "tests/support/temp_file.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

namespace {

constexpr std::uint8_t kFill = 0xEE;

// A directory writing into a temporary file that starts as `size` bytes of kFill.
class Writer {
public:
    explicit Writer(bool littleEndian = true, std::size_t size = 256) : file_(std::vector<std::uint8_t>(size, kFill)) {
        handle_ = CreateFileA(file_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        ifd.SetHandle(handle_);
        ifd.SetByteOrder(littleEndian ? 1 : 0);
    }
    ~Writer() { Close(); }
    void Close() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }
    std::vector<std::uint8_t> Bytes() {
        Close();
        return file_.Read();
    }
    std::vector<std::uint8_t> Bytes(std::size_t from, std::size_t length) {
        const std::vector<std::uint8_t> all = Bytes();
        return {all.begin() + static_cast<std::ptrdiff_t>(from),
                all.begin() + static_cast<std::ptrdiff_t>(from + length)};
    }
    TiffIfd ifd;

private:
    TempFile file_;
    HANDLE handle_;
};

void SetShort(TiffIfd& ifd, std::uint32_t number, std::uint16_t value) { ifd.SetTag(number, kTypeShort, 1, &value); }

TEST(WriteIfd, WritesEntriesInTagOrderThenTheLinkThenTheBlocks) {
    Writer w;
    SetShort(w.ifd, kTagCompression, 1);
    const std::uint32_t width = 3040;
    w.ifd.SetTag(kTagImageWidth, kTypeLong, 1, &width);
    w.ifd.SetTag(kTagMake, kTypeAscii, 6, "EPSON");
    w.ifd.Seek(8);
    EXPECT_EQ(w.ifd.WriteIfd(0), 8 + 2 + 36);
    EXPECT_EQ(w.ifd.entryTablePos, 10);
    EXPECT_EQ(w.ifd.valueAreaPos, 50);
    EXPECT_EQ(w.ifd.TellRelative(), 56);  // just after the 6-byte block
    EXPECT_EQ(w.ifd.FindTag("ImageWidth")->entryOffset, 10);
    EXPECT_EQ(w.ifd.FindTag("Compression")->entryOffset, 22);
    EXPECT_EQ(w.ifd.FindTag("Make")->valueOffset, 50u);
    const std::vector<std::uint8_t> expected = {
        3,    0,  // three entries
        0x00, 1,   4,    0,    1,     0,
        0,    0,   0xE0, 0x0B, 0,     0,  // ImageWidth LONG 3040
        0x03, 1,   3,    0,    1,     0,
        0,    0,   1,    0,    kFill, kFill,  // Compression SHORT 1, rest of the field untouched
        0x0F, 1,   2,    0,    6,     0,
        0,    0,   50,   0,    0,     0,  // Make ASCII 6 at 50
        0,    0,   0,    0,               // no next directory
        'E',  'P', 'S',  'O',  'N',   0,
    };
    EXPECT_EQ(w.Bytes(8, expected.size()), expected);
}

TEST(WriteIfd, InlineUpToExactlyFourBytes) {
    struct Case {
        std::uint32_t type, count;
        std::vector<std::uint8_t> data;  // host order
        bool inlineValues;
    };
    const Case cases[] = {
        {kTypeByte, 4, {1, 2, 3, 4}, true},
        {kTypeShort, 2, {1, 0, 2, 0}, true},
        {kTypeLong, 1, {1, 0, 0, 0}, true},
        {kTypeAscii, 4, {'a', 'b', 'c', 0}, true},
        {kTypeAscii, 5, {'a', 'b', 'c', 'd', 0}, false},
        {kTypeRational, 1, {1, 0, 0, 0, 2, 0, 0, 0}, false},
        {kTypeShort, 3, {1, 0, 2, 0, 3, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " x " + std::to_string(c.count));
        Writer w;
        w.ifd.SetTag(kTagImageDescription, c.type, c.count, c.data.data());
        w.ifd.Seek(0);
        w.ifd.WriteIfd(0);
        const std::vector<std::uint8_t> bytes = w.Bytes();
        const std::vector<std::uint8_t> field(bytes.begin() + 10, bytes.begin() + 14);
        if (c.inlineValues) {
            EXPECT_EQ(field, c.data);
        } else {
            EXPECT_EQ(field, (std::vector<std::uint8_t>{18, 0, 0, 0}));
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.data() + 18, bytes.data() + 18 + c.data.size()), c.data);
        }
    }
}

TEST(WriteIfd, PacksOddBlocksBackToBackFromTheDataStart) {
    for (const std::int32_t dataStart : {100, 0, -5}) {
        SCOPED_TRACE(dataStart);
        Writer w(true, 128);
        w.ifd.SetTag(kTagImageDescription, kTypeAscii, 5, "abcd");
        const std::uint32_t rational[2] = {300, 1};
        w.ifd.SetTag(kTagXResolution, kTypeRational, 1, rational);
        w.ifd.Seek(0);
        w.ifd.WriteIfd(dataStart);
        const std::uint32_t first = dataStart > 0 ? 100 : 2 + 24 + 4;
        EXPECT_EQ(w.ifd.FindTag("ImageDescription")->valueOffset, first);
        EXPECT_EQ(w.ifd.FindTag("XResolution")->valueOffset, first + 5);
        EXPECT_EQ(w.ifd.TellRelative(), static_cast<std::int32_t>(first + 13));
        EXPECT_EQ(w.Bytes(first, 13), (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 0, 44, 1, 0, 0, 1, 0, 0, 0}));
    }
}

TEST(WriteIfd, WritesNumbersInTheStreamOrder) {
    Writer w(false);
    const std::uint32_t value = 0x01020304;
    w.ifd.SetTag(kTagImageWidth, kTypeLong, 1, &value);
    SetShort(w.ifd, kTagCompression, 0x0102);
    w.ifd.Seek(0);
    w.ifd.WriteIfd(0);
    EXPECT_EQ(w.Bytes(0, 26), (std::vector<std::uint8_t>{0, 2,                                    //
                                                         1, 0, 0, 4, 0, 0, 0, 1, 1, 2, 3,     4,  //
                                                         1, 3, 0, 3, 0, 0, 0, 1, 1, 2, kFill, kFill}));
}

TEST(WriteIfd, TypesWithoutValuesLeaveTheFieldAlone) {
    Writer w;
    w.ifd.SetTag(kTagImageDescription, 8, 3, nullptr);  // SSHORT
    w.ifd.Seek(0);
    w.ifd.WriteIfd(0);
    EXPECT_EQ(w.ifd.TellRelative(), 18);
    EXPECT_EQ(w.Bytes(0, 14), (std::vector<std::uint8_t>{1, 0, 0x0E, 1, 8, 0, 3, 0, 0, 0, kFill, kFill, kFill, kFill}));
}

TEST(WriteIfd, AnEmptyDirectoryWritesNothing) {
    Writer w;
    w.ifd.entryTablePos = 7;
    w.ifd.Seek(4);
    EXPECT_EQ(w.ifd.WriteIfd(0), 0);
    EXPECT_EQ(w.ifd.entryTablePos, 7);
    EXPECT_EQ(w.Bytes(), std::vector<std::uint8_t>(256, kFill));
}

TEST(WriteValues, WritesZeroForItemsTheListDoesNotHold) {
    Writer w;
    TiffTag tag;
    tag.type = kTypeShort;
    tag.count = 3;
    tag.values = {7};
    EXPECT_EQ(w.ifd.WriteValues(tag), 6);
    tag.type = kTypeRational;
    tag.count = 1;
    tag.values = {5};
    EXPECT_EQ(w.ifd.WriteValues(tag), 8);
    EXPECT_EQ(w.Bytes(0, 14), (std::vector<std::uint8_t>{7, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
}

// Positions and byte counts are signed 32-bit: a directory or a block that
// would reach past 2^31 - 1 is refused before a byte is written.
TEST(WriteIfd, RefusesWhatReachesPastTheSignedRange) {
    Writer w;
    TiffTag huge;
    huge.tagNumber = kTagStripOffsets;
    huge.type = kTypeLong;
    huge.count = 1u << 29;
    huge.values = {1};
    EXPECT_EQ(w.ifd.WriteValues(huge), -1);
    w.ifd.PutTagCopy(huge);
    w.ifd.Seek(8);
    EXPECT_EQ(w.ifd.WriteIfd(0), -1);

    huge.count = 2;  // now a block of 8 bytes that would end just past the range
    w.ifd.PutTagCopy(huge);
    EXPECT_EQ(w.ifd.WriteIfd(static_cast<std::int32_t>(kLargestFileOffset) - 6), -1);
    EXPECT_EQ(w.Bytes(), std::vector<std::uint8_t>(256, kFill));
}

TEST(RewriteEntry, PatchesAWrittenEntryInPlace) {
    Writer w;
    const std::uint32_t rational[2] = {72, 1};
    w.ifd.SetTag(kTagXResolution, kTypeRational, 1, rational);
    SetShort(w.ifd, kTagCompression, 1);
    w.ifd.Seek(0);
    w.ifd.WriteIfd(0);
    const std::uint32_t changed[2] = {300, 2};
    w.ifd.SetTag(kTagXResolution, kTypeRational, 1, changed);  // keeps its entry offset, loses its block
    EXPECT_EQ(w.ifd.RewriteEntry("XResolution"), -1);
    w.ifd.FindTag("XResolution")->valueOffset = 30;
    SetShort(w.ifd, kTagCompression, 6);
    EXPECT_EQ(w.ifd.RewriteEntry("XResolution"), 0);
    EXPECT_EQ(w.ifd.RewriteEntry("Compression"), 0);
    EXPECT_EQ(w.ifd.RewriteEntry("Make"), -1);
    const std::vector<std::uint8_t> bytes = w.Bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 10, bytes.begin() + 12), (std::vector<std::uint8_t>{6, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 30, bytes.begin() + 38),
              (std::vector<std::uint8_t>{44, 1, 0, 0, 2, 0, 0, 0}));
}

TEST(RewriteTag, RefusesAnEntryWithoutAReachablePlaceInTheFile) {
    struct Case {
        const char* what;
        std::int32_t entryOffset;
        std::uint32_t count, valueOffset;  // a count of 4 SHORTs needs a block
    };
    const Case cases[] = {
        {"never placed", 0, 1, 0},
        {"needs a block and has none", 20, 4, 0},
        {"entry before the file's start", -8, 1, 0},
        {"block beyond the stream's reach", 20, 4, 0x80000000u},
        {"values of 2^31 bytes, more than can be written", 20, 0x40000000u, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Writer w;
        w.ifd.Seek(100);  // where a write after a refused seek would land
        TiffTag tag;
        tag.tagNumber = kTagImageWidth;
        tag.type = kTypeShort;
        tag.count = c.count;
        tag.values = {9, 9, 9, 9};
        tag.entryOffset = c.entryOffset;
        tag.valueOffset = c.valueOffset;
        EXPECT_EQ(w.ifd.RewriteTag(tag), -1);
        EXPECT_EQ(w.Bytes(), std::vector<std::uint8_t>(256, kFill));
    }
}

TEST(Editing, SetValuesKeepsThePlainTextAndSetTagDescribesIt) {
    TiffIfd ifd;
    SetShort(ifd, kTagCompression, 7);
    const std::uint16_t one = 1;
    EXPECT_EQ(ifd.SetValues("Compression", 1, &one), 0);
    EXPECT_EQ(ifd.FindTag("Compression")->valueText, " 1");
    EXPECT_EQ(ifd.SetValues("Orientation", 1, &one), -1);
    SetShort(ifd, kTagCompression, 1);
    EXPECT_EQ(ifd.FindTag("Compression")->valueText, Utf8ToCp932("非圧縮"));
    EXPECT_EQ(ifd.FindTag("Compression")->description, Utf8ToCp932("圧縮の種類"));
}

TEST(Editing, PutTagCopyKeepsTheTypeAndTextOfAnExistingEntry) {
    TiffIfd ifd;
    SetShort(ifd, kTagImageWidth, 100);
    TiffTag source;
    source.tagNumber = kTagImageWidth;
    source.type = kTypeLong;
    source.count = 1;
    source.values = {3040};
    source.valueText = " 3040";
    source.entryOffset = 99;
    EXPECT_EQ(ifd.PutTagCopy(source), 0);
    const TiffTag* width = ifd.FindTag("ImageWidth");
    EXPECT_EQ(width->type, static_cast<std::uint32_t>(kTypeShort));
    EXPECT_EQ(width->values, (std::vector<std::uint32_t>{3040}));
    EXPECT_EQ(width->valueText, " 100");
    EXPECT_EQ(width->entryOffset, 0);
    source.tagNumber = kTagImageLength;  // a new entry takes the source's type and place, no text
    ifd.PutTagCopy(source);
    EXPECT_EQ(ifd.FindTag("ImageLength")->type, static_cast<std::uint32_t>(kTypeLong));
    EXPECT_EQ(ifd.FindTag("ImageLength")->entryOffset, 99);
    EXPECT_EQ(ifd.FindTag("ImageLength")->valueText, "");
}

TEST(Editing, UnknownNumbersShareTheEmptyName) {
    TiffIfd ifd;
    SetShort(ifd, 40000, 1);
    SetShort(ifd, 40001, 2);
    ASSERT_EQ(ifd.Tags().size(), 1u);
    EXPECT_EQ(ifd.FindTag("")->tagNumber, 40000u);
    EXPECT_EQ(ifd.RemoveTag(""), 0);
    EXPECT_EQ(ifd.RemoveTag(""), -1);
    EXPECT_EQ(ifd.RemoveTag("Make"), -1);
}

TEST(ReadValuesFromMemory, DecodesInHostOrderAndReturnsTheBytes) {
    TiffTag ascii;
    ascii.type = kTypeAscii;
    ascii.count = 2;
    ascii.values = {1, 2, 3};
    ascii.valueText = "old";
    EXPECT_EQ(TiffIfd::ReadValuesFromMemory("ab", ascii), 2);
    EXPECT_EQ(ascii.values, (std::vector<std::uint32_t>{97, 98, 0, 0}));
    EXPECT_EQ(ascii.valueText, "ab");
    TiffTag undefined;
    undefined.type = kTypeUndefined;
    undefined.count = 2;
    const std::uint8_t bytes[] = {0x01, 0xFF};
    EXPECT_EQ(TiffIfd::ReadValuesFromMemory(bytes, undefined), 2);
    EXPECT_EQ(undefined.values, (std::vector<std::uint32_t>{1, 255, 0}));
    EXPECT_EQ(undefined.valueText, "0x: 01 ff 00 ");
    TiffTag rational;
    rational.type = kTypeSRational;
    rational.count = 1;
    const std::int32_t pair[2] = {-3, 4};
    EXPECT_EQ(TiffIfd::ReadValuesFromMemory(pair, rational), 8);
    EXPECT_EQ(rational.valueText, " -3/4");
}

TEST(WriteIfd, WhatIsWrittenReadsBackInBothOrders) {
    for (const bool little : {true, false}) {
        Writer w(little);
        const std::uint32_t offsets[2] = {1000, 2000};
        w.ifd.SetTag(kTagStripOffsets, kTypeLong, 2, offsets);
        w.ifd.SetTag(kTagMake, kTypeAscii, 18, "SEIKO EPSON CORP.");
        SetShort(w.ifd, kTagOrientation, 1);
        w.ifd.Seek(8);
        w.ifd.WriteIfd(0);
        TiffIfd back;
        const std::vector<std::uint8_t> bytes = w.Bytes();
        TempFile copy(bytes);
        HANDLE h = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        back.SetHandle(h);
        back.SetByteOrder(little ? 1 : 0);
        for (int i = 0; i < 3; ++i) back.ReadEntry(10 + std::int32_t{RawEntry::kSize} * i);
        CloseHandle(h);
        ASSERT_EQ(back.Tags().size(), 3u);
        for (const auto& [name, tag] : back.Tags()) {
            const TiffTag* written = w.ifd.FindTag(name.c_str());
            EXPECT_EQ(tag->values, written->values) << name;
            EXPECT_EQ(tag->valueText, written->valueText) << name;
            EXPECT_EQ(tag->entryOffset, written->entryOffset) << name;
        }
    }
}

}  // namespace
