#include <gtest/gtest.h>

#include "tests/support/byte_builder.h"
#include "tests/support/temp_file.h"
#include "tiff/raw_entry.h"
#include "tiff/tag_numbers.h"
#include "tiff/tag_values.h"
#include "tiff/tiff_ifd.h"

namespace {

// A directory reading entries from a file built in the test.
class EntryReader {
public:
    EntryReader(const ByteBuilder& bytes, bool littleEndian) : file_(bytes.bytes()) {
        handle_ = CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ifd.SetHandle(handle_);
        ifd.SetByteOrder(littleEndian ? 1 : 0);
    }
    ~EntryReader() { CloseHandle(handle_); }
    TiffIfd ifd;

private:
    TempFile file_;
    HANDLE handle_;
};

constexpr std::uint32_t kDescriptionTag = 270;  // ImageDescription: filed, never described

// The 12 bytes of entry i of a directory at offset 8.
ByteView EntryAt(const ByteBuilder& file, int i) {
    return ByteView(file.bytes().data() + 10 + RawEntry::kSize * static_cast<std::size_t>(i), RawEntry::kSize);
}

struct ValueCase {
    const char* what;
    std::uint32_t type, count;
    // The value bytes as little-endian numbers of the type's width; the test
    // writes them in the file's order, inline or in a block at offset 40.
    std::vector<std::uint32_t> items;
    std::vector<std::uint32_t> values;
    const char* text;
};

int ItemWidth(std::uint32_t type) {
    switch (type) {
        case 3:
        case 8: return 2;
        case 4:
        case 5:
        case 9:
        case 10: return 4;
        default: return 1;
    }
}

ByteBuilder FileWithOneEntry(const ValueCase& c, bool little) {
    ByteBuilder items(little);
    for (std::uint32_t item : c.items) {
        const int width = ItemWidth(c.type);
        if (width == 1) items.U8(item);
        else if (width == 2) items.U16(item);
        else items.U32(item);
    }
    ByteBuilder file(little);
    file.Header(8).U16(1);
    if (IsInline(c.type, c.count)) {
        file.InlineEntry(kDescriptionTag, c.type, c.count, items.bytes());
    } else {
        file.Entry(kDescriptionTag, c.type, c.count, 40);
    }
    file.U32(0).PadTo(40).Bytes(items.bytes());
    return file;
}

TEST(ReadEntry, DecodesEveryTypeInlineAndInABlockInBothOrders) {
    const ValueCase cases[] = {
        {"BYTE inline", 1, 3, {1, 2, 255}, {1, 2, 255}, " 1 2 255"},
        {"BYTE block", 1, 5, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, " 1 2 3 4 5"},
        {"ASCII inline with NUL", 2, 4, {'a', 'b', 'c', 0}, {'a', 'b', 'c', 0, 0}, "abc"},
        {"ASCII inline without NUL", 2, 3, {'a', 'b', 'c'}, {'a', 'b', 'c', 0, 0}, "abc"},
        {"ASCII block", 2, 6, {'E', 'P', 'S', 'O', 'N', 0}, {'E', 'P', 'S', 'O', 'N', 0, 0}, "EPSON"},
        {"ASCII with an inner NUL", 2, 5, {'a', 0, 'b', 'c', 'd'}, {'a', 0, 'b', 'c', 'd', 0, 0}, "a"},
        {"ASCII count 0", 2, 0, {}, {0, 0}, ""},
        {"SHORT inline", 3, 2, {12, 65535}, {12, 65535}, " 12 65535"},
        {"SHORT block", 3, 3, {12, 12, 12}, {12, 12, 12}, " 12 12 12"},
        {"LONG inline", 4, 1, {4294967295u}, {4294967295u}, " 4294967295"},
        {"LONG block", 4, 2, {1, 70000}, {1, 70000}, " 1 70000"},
        {"RATIONAL", 5, 1, {300, 1}, {300, 1}, " 300/1"},
        {"RATIONAL pair", 5, 2, {72, 1, 1, 3}, {72, 1, 1, 3}, " 72/1 1/3"},
        {"SBYTE reads nothing", 6, 3, {1, 2, 3}, {}, ""},
        {"UNDEFINED inline", 7, 2, {0x01, 0xAB}, {0x01, 0xAB, 0}, "0x: 01 ab 00 "},
        {"UNDEFINED block", 7, 5, {0, 1, 2, 3, 0xFF}, {0, 1, 2, 3, 0xFF, 0}, "0x: 00 01 02 03 ff 00 "},
        {"SSHORT reads nothing", 8, 2, {1, 2}, {}, ""},
        {"SLONG", 9, 1, {0xFFFFFFFBu}, {0xFFFFFFFBu}, " -5"},
        {"SRATIONAL", 10, 1, {0xFFFFFFFFu, 3}, {0xFFFFFFFFu, 3}, " -1/3"},
        {"FLOAT reads nothing", 11, 1, {0x3F800000u}, {}, ""},
        {"DOUBLE reads nothing", 12, 1, {}, {}, ""},
        {"type 0", 0, 4, {}, {}, ""},
    };
    for (const bool little : {true, false}) {
        for (const ValueCase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (little ? " II" : " MM"));
            EntryReader reader(FileWithOneEntry(c, little), little);
            EXPECT_EQ(reader.ifd.ReadEntry(10), 0);
            const TiffTag* tag = reader.ifd.FindTag("ImageDescription");
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(tag->entryOffset, 10);
            EXPECT_EQ(tag->type, c.type);
            EXPECT_EQ(tag->count, c.count);
            EXPECT_EQ(tag->valueOffset, IsInline(c.type, c.count) ? 0u : 40u);
            EXPECT_EQ(tag->values, c.values);
            EXPECT_EQ(tag->valueText, c.text);
            EXPECT_FALSE(tag->description.empty());
        }
    }
}

TEST(ReadEntry, EnumeratedValuesGetTheirDictionaryText) {
    ByteBuilder file(false);
    file.Header(8).U16(2).InlineEntry(kTagCompression, 3, 1, {0, 1}).InlineEntry(kTagResolutionUnit, 3, 1, {0, 9}).U32(0);
    EntryReader reader(file, false);
    reader.ifd.ReadEntry(10);
    reader.ifd.ReadEntry(22);
    EXPECT_EQ(reader.ifd.FindTag("Compression")->valueText, "\x94\xf1\x88\xb3\x8f\x6b");  // 非圧縮
    EXPECT_EQ(reader.ifd.FindTag("ResolutionUnit")->valueText, " 9");
}

TEST(ReadEntry, DropsUnknownNumbersAndKeepsTheFirstOfTwoNames) {
    ByteBuilder file;
    file.Header(8).U16(4);
    file.InlineEntry(0, 3, 1, {1, 0});
    file.InlineEntry(40965, 4, 1, {1, 0, 0, 0});
    file.InlineEntry(kTagImageWidth, 3, 1, {0xE0, 0x0B});  // 3040
    file.InlineEntry(kTagImageWidth, 4, 1, {1, 0, 0, 0});
    EntryReader reader(file, true);
    for (int i = 0; i < 4; ++i) reader.ifd.ReadEntry(10 + std::int32_t{RawEntry::kSize} * i);
    ASSERT_EQ(reader.ifd.Tags().size(), 1u);
    const TiffTag* width = reader.ifd.FindTag("ImageWidth");
    EXPECT_EQ(width->type, 3u);
    EXPECT_EQ(width->entryOffset, 34);
    EXPECT_EQ(width->values, (std::vector<std::uint32_t>{3040}));
}

// Entries whose values do not all lie inside the file are not filed, and
// reading them costs no more than the file's own bytes.
TEST(ReadEntry, DropsAnEntryWhoseValuesLieOutsideTheFile) {
    struct Case {
        const char* what;
        std::uint32_t type, count, field;
    };
    const Case cases[] = {
        {"block past the end", 4, 2, 1000},
        {"block cut by the end", 2, 20, 40},
        {"count near 2^31", 4, 0x7FFFFFFFu, 40},
        {"byte size wraps 32 bits", 4, 0x40000000u, 40},
        {"count of 2^31 or more", 1, 0x80000000u, 40},
        {"huge rational count", 5, 0xFFFFFFFFu, 40},
        {"offset of 2^31 or more", 4, 2, 0x80000010u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteBuilder file;
        file.Header(8).U16(1).Entry(kDescriptionTag, c.type, c.count, c.field).U32(0).PadTo(48);
        EntryReader reader(file, true);
        reader.ifd.ReadEntry(10);
        EXPECT_TRUE(reader.ifd.Tags().empty());
    }
}

TEST(ReadEntry, DropsAnEntryCutByTheEndOfTheFile) {
    ByteBuilder file;
    file.Header(8).U16(1).U16(256).U16(3).U32(1).U8(5);  // three bytes of the value field missing
    EntryReader reader(file, true);
    reader.ifd.ReadEntry(10);
    reader.ifd.ReadEntry(400);
    EXPECT_TRUE(reader.ifd.Tags().empty());
}

TEST(ReadEntry, ATypeWithoutAReaderAndAHugeCountIsFiledAtOnce) {
    ByteBuilder file;
    file.Header(8).U16(1).Entry(kDescriptionTag, 11, 0x7FFFFFFFu, 0).U32(0);
    EntryReader reader(file, true);
    reader.ifd.ReadEntry(10);
    const TiffTag* tag = reader.ifd.FindTag("ImageDescription");
    ASSERT_NE(tag, nullptr);
    EXPECT_TRUE(tag->values.empty());
    EXPECT_EQ(tag->valueOffset, 0u);
}

// Two texts whose values and texts take about 6 MiB each, then a block of
// bytes that fills the rest of a 16 MiB budget exactly. Read with one budget,
// as a directory of a file is, all three are filed; one byte more in the
// block passes the budget and only the block is dropped. Read one by one,
// each entry has a budget of its own; the directory holds none, so removing
// a tag and reading it again files it again.
TEST(ReadEntry, TheValueBudgetBelongsToTheReadNotTheDirectory) {
    std::uint32_t text = (6u << 20) / 5;
    const auto rest = [&] { return kDirectoryValueBudget - 2 * HeldBytes(kTypeAscii, text); };
    while (rest() < HeldBytes(kTypeUndefined, 0) || (rest() - HeldBytes(kTypeUndefined, 0)) % 7 != 0) ++text;
    const auto block = static_cast<std::uint32_t>((rest() - HeldBytes(kTypeUndefined, 0)) / 7);
    ASSERT_EQ(2 * HeldBytes(kTypeAscii, text) + HeldBytes(kTypeUndefined, block), kDirectoryValueBudget);
    for (const std::uint32_t extra : {0u, 1u}) {
        SCOPED_TRACE(extra);
        const std::uint32_t types[] = {kTypeAscii, kTypeAscii, kTypeUndefined};
        const std::uint32_t counts[] = {text, text, block + extra};
        const std::uint32_t tags[] = {kTagImageDescription, kTagArtist, kTagCopyright};
        ByteBuilder file(true);
        file.Header(8).U16(3);
        std::uint32_t at = 8 + 2 + 3 * RawEntry::kSize + 4;
        for (int i = 0; i < 3; ++i) {
            file.Entry(tags[i], types[i], counts[i], at);
            at += counts[i];
        }
        file.U32(0);
        for (const std::uint32_t count : counts) file.Bytes(std::vector<std::uint8_t>(count, 'A'));
        EntryReader shared(file, true);
        ValueBudget budget;
        for (int i = 0; i < 3; ++i) shared.ifd.ReadEntryFrom(EntryAt(file, i), 10 + 12 * i, budget);
        EXPECT_EQ(shared.ifd.HasTag("Copyright"), extra == 0);
        EXPECT_EQ(shared.ifd.TagCount(), extra == 0 ? 3 : 2);

        EntryReader alone(file, true);
        for (int i = 0; i < 3; ++i) alone.ifd.ReadEntry(10 + 12 * i);
        EXPECT_EQ(alone.ifd.TagCount(), 3);
        ASSERT_EQ(alone.ifd.RemoveTag("Artist"), 0);
        alone.ifd.ReadEntry(22);
        ASSERT_TRUE(alone.ifd.HasTag("Artist"));
        EXPECT_EQ(alone.ifd.FindTag("Artist")->valueText.size(), text);  // no NUL: the whole block
    }
}

TEST(DecodeEntry, TakesTheFieldsInEitherOrderAndNeedsAllTwelveBytes) {
    const std::vector<std::uint8_t> bytes = {0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x05, 0x00, 0x06};
    struct Case {
        bool little;
        std::uint32_t tagNumber, type, count, field;
    };
    for (const Case& c : {Case{false, 0x0100, 3, 2, 0x00050006u}, Case{true, 0x0001, 0x0300, 0x02000000u, 0x06000500u}}) {
        SCOPED_TRACE(c.little ? "II" : "MM");
        const std::optional<RawEntry> entry = DecodeEntry(ByteView(bytes), c.little);
        ASSERT_TRUE(entry.has_value());
        EXPECT_EQ(entry->tagNumber, c.tagNumber);
        EXPECT_EQ(entry->type, c.type);
        EXPECT_EQ(entry->count, c.count);
        EXPECT_EQ(entry->field, c.field);
        EXPECT_EQ(entry->fieldBytes.data(), bytes.data() + 8);
        EXPECT_EQ(entry->fieldBytes.size(), 4u);
    }
    EXPECT_FALSE(DecodeEntry(ByteView(bytes.data(), 11), true).has_value());
}

// A file holding `items` from offset 0, each as wide as the type's items.
ByteBuilder ItemsFile(std::uint32_t type, const std::vector<std::uint32_t>& items, bool little) {
    ByteBuilder file(little);
    for (const std::uint32_t item : items) {
        const int width = ItemWidth(type);
        if (width == 1) file.U8(item);
        else if (width == 2) file.U16(item);
        else file.U32(item);
    }
    return file.PadTo(file.size() + 8);  // more bytes than one value needs
}

TEST(ReadOneValue, ReadsOneValueAtTheStreamPositionAndAppendsIt) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::vector<std::uint32_t> items;
        std::vector<std::uint32_t> values;  // after the 7 the tag held
        const char* text;                   // after the " 7" it held
        DWORD bytesRead;
    };
    const Case cases[] = {
        {"BYTE", 1, {0xFE, 1}, {7, 0xFE}, " 7 254", 1},
        {"SHORT", 3, {0xFFFE, 1}, {7, 0xFFFE}, " 7 65534", 2},
        {"LONG", 4, {4000000000u, 1}, {7, 4000000000u}, " 7 4000000000", 4},
        {"SLONG", 9, {0xFFFFFFFBu, 1}, {7, 0xFFFFFFFBu}, " 7 -5", 4},
        {"RATIONAL", 5, {300, 1, 9}, {7, 300, 1}, " 7 300/1", 8},
        {"SRATIONAL", 10, {0xFFFFFFFFu, 3, 9}, {7, 0xFFFFFFFFu, 3}, " 7 -1/3", 8},
        {"ASCII is not a number", 2, {'a'}, {7}, " 7", 0},
        {"UNDEFINED is not a number", 7, {1}, {7}, " 7", 0},
        {"SSHORT has no reader", 8, {1}, {7}, " 7", 0},
        {"FLOAT has no reader", 11, {1}, {7}, " 7", 0},
    };
    for (const bool little : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (little ? " II" : " MM"));
            EntryReader reader(ItemsFile(c.type, c.items, little), little);
            TiffTag tag;
            tag.type = c.type;
            tag.count = 5;  // not looked at: one value is read
            tag.values = {7};
            tag.valueText = " 7";
            reader.ifd.Seek(0);
            reader.ifd.ReadOneValue(tag);
            EXPECT_EQ(tag.values, c.values);
            EXPECT_EQ(tag.valueText, c.text);
            EXPECT_EQ(reader.ifd.Tell(), c.bytesRead);
        }
    }
}

TEST(ReadValues, ReturnsZeroAndAppendsToWhatTheTagHolds) {
    struct Case {
        const char* what;
        std::uint32_t type, count;
        std::vector<std::uint32_t> items;
        std::vector<std::uint32_t> before;
        std::vector<std::uint32_t> values;
        const char* text;  // from a tag whose text was "old"
    };
    const Case cases[] = {
        {"numbers follow the numbers held", 3, 2, {1, 2}, {7}, {7, 1, 2}, "old 1 2"},
        // The text is the list's characters from its start, not only the bytes read.
        {"ASCII text from the list's start", 2, 2, {'a', 'b'}, {'x', 'y'}, {'x', 'y', 'a', 'b', 0, 0}, "xyab"},
        {"ASCII with its own NUL", 2, 3, {'a', 'b', 0}, {'x'}, {'x', 'a', 'b', 0, 0}, "xab"},
        {"ASCII count 0", 2, 0, {}, {'x'}, {'x', 0, 0}, "x"},
        {"UNDEFINED shows the whole list", 7, 1, {0xAB}, {1}, {1, 0xAB, 0}, "0x: 01 ab 00 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EntryReader reader(ItemsFile(c.type, c.items, false), false);
        TiffTag tag;
        tag.type = c.type;
        tag.count = c.count;
        tag.values = c.before;
        tag.valueText = "old";
        reader.ifd.Seek(0);
        EXPECT_EQ(reader.ifd.ReadValues(tag), 0);
        EXPECT_EQ(tag.values, c.values);
        EXPECT_EQ(tag.valueText, c.text);
        EXPECT_EQ(reader.ifd.Tell(), static_cast<DWORD>(TypeSize(c.type, c.count)));
    }
}

// Values that do not all lie in the file are not read, and ReadValues still
// returns 0: the tag shows it, unchanged.
TEST(ReadValues, ReadsNothingOfValuesCutByTheEndOfTheFile) {
    for (const std::uint32_t count : {2u, 0x7FFFFFFFu}) {
        SCOPED_TRACE(count);
        EntryReader reader(ByteBuilder().U32(1).U16(2), true);
        TiffTag tag;
        tag.type = 4;
        tag.count = count;
        tag.values = {7};
        tag.valueText = " 7";
        reader.ifd.Seek(0);
        EXPECT_EQ(reader.ifd.ReadValues(tag), 0);
        EXPECT_EQ(tag.values, (std::vector<std::uint32_t>{7}));
        EXPECT_EQ(tag.valueText, " 7");
    }
}

}  // namespace

// The plain decode the readers wrap: bytes in either order, and a view too
// short for the values leaves the tag as it was.
TEST(DecodeValues, DecodesFromTheViewInItsByteOrder) {
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    struct Case {
        const char* what;
        std::uint32_t type, count;
        bool littleEndian;
        std::size_t viewBytes;
        bool decoded;
        std::vector<std::uint32_t> values;
        const char* text;
    };
    const Case cases[] = {
        {"shorts, little-endian", kTypeShort, 2, true, 8, true, {0x0201, 0x0403}, " 513 1027"},
        {"shorts, big-endian", kTypeShort, 2, false, 8, true, {0x0102, 0x0304}, " 258 772"},
        {"a rational, big-endian", kTypeRational, 1, false, 8, true, {0x01020304, 0x05060708}, " 16909060/84281096"},
        {"one byte too few", kTypeLong, 2, true, 7, false, {9}, "old"},
        {"no bytes for one value", kTypeByte, 1, true, 0, false, {9}, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TiffTag tag;
        tag.type = c.type;
        tag.count = c.count;
        tag.values = {9};
        tag.valueText = "old";
        EXPECT_EQ(DecodeValues(ByteView(bytes.data(), c.viewBytes), c.littleEndian, tag), c.decoded);
        // A decode appends to the values already there; a refusal leaves them as they were.
        std::vector<std::uint32_t> values{9u};
        if (c.decoded) values.insert(values.end(), c.values.begin(), c.values.end());
        EXPECT_EQ(tag.values, c.decoded ? values : c.values);
        EXPECT_EQ(tag.valueText, c.decoded ? std::string("old") + c.text : std::string(c.text));
    }
}
