#include "tests/hostile/hostile_cases.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "develop/dib.h"
#include "tests/support/byte_builder.h"
#include "tests/support/erf_builder.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"

namespace {

constexpr std::uint32_t kCfa = 32803;
constexpr std::uint32_t kEntries = 65535;
constexpr std::uint32_t kBlockBytes = 4096;
constexpr std::uint32_t kBlock = 8 + 2 + RawEntry::kSize * kEntries + 4;  // PhotometricInterpretation of the raw image
constexpr std::uint32_t kBuiltStrip = 164;  // where BuildErf puts the strip with one sub-directory

const std::vector<std::string> kBuiltMain = {"Make", "SubIFDs"};
const std::vector<std::string> kBuiltRaw = {
    "BitsPerSample",   "Compression", "ImageLength", "ImageWidth", "PhotometricInterpretation",
    "StripByteCounts", "StripOffsets"};

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Little-endian: the header, IFD0 at 8 declaring `declared` entries of which
// `entries` are present, then `tail` (no link: the reader never looks for it).
std::vector<std::uint8_t> Ifd0(std::uint32_t declared, const std::function<void(ByteBuilder&)>& entries,
                               const std::vector<std::uint8_t>& tail = {}) {
    ByteBuilder file(true);
    file.Header(8).U16(declared);
    entries(file);
    return file.Bytes(tail).bytes();
}

// IFD0 at 8 holds Make and a SubIFDs entry of the given type, count and
// field; a raw directory of ImageWidth 5 and ImageLength 3 follows at 38.
constexpr std::uint32_t kRawAt = 38;
std::vector<std::uint8_t> WithSubIfds(std::uint32_t type, std::uint32_t count, std::uint32_t field,
                                      std::uint32_t rawSubIfds = 0) {
    ByteBuilder file(true);
    file.Header(8).U16(2);
    file.InlineEntry(kTagMake, kTypeAscii, 4, Bytes(std::string("EPS") + '\0'));
    file.Entry(kTagSubIFDs, type, count, field).U32(0);
    file.U16(rawSubIfds != 0 ? 3 : 2).Entry(kTagImageWidth, kTypeLong, 1, 5).Entry(kTagImageLength, kTypeLong, 1, 3);
    if (rawSubIfds != 0) file.Entry(kTagSubIFDs, kTypeLong, 1, rawSubIfds);
    return file.U32(0).bytes();
}

HostileFile SubIfdsCase(std::string name, std::vector<std::uint8_t> bytes, bool rawRead) {
    HostileFile c{std::move(name), std::move(bytes), 0, {"Make", "SubIFDs"}};
    if (rawRead) {
        c.rawNames = {"ImageLength", "ImageWidth"};
        c.raw = {0, 5, 3, 0, 0};
        c.rows = 3;  // the strip offset 0 is the header: it decodes like any bytes
    }
    return c;
}

// A file made by the test files builder with the given picture.
HostileFile Built(std::string name, const ErfContent& content, std::uint32_t rows) {
    HostileFile c{std::move(name), BuildErf(content), 0, kBuiltMain, kBuiltRaw};
    c.raw = {kCfa, content.width, content.height, content.stripOffset.value_or(kBuiltStrip),
             static_cast<std::uint32_t>(content.strip.size())};
    c.rows = rows;
    return c;
}

std::vector<std::string> AllDictionaryNames() {
    std::vector<std::string> names(std::begin(TagDictionary::kTagNames), std::end(TagDictionary::kTagNames));
    std::sort(names.begin(), names.end());
    return names;
}

void ExpectNoValues(const ErfFile& erf) {
    for (const auto& [name, tag] : erf.mainIfd.Tags()) {
        EXPECT_TRUE(tag->values.empty()) << name;
        EXPECT_EQ(tag->valueText, "") << name;
        EXPECT_EQ(tag->valueOffset, 0u) << name;
    }
}

}  // namespace

std::vector<HostileFile> HostileFiles() {
    std::vector<HostileFile> cases;

    // Shorter than the 8-byte header: the missing bytes read as 0.
    cases.push_back({"EmptyFile", {}, -12});
    cases.push_back({"OnlyTheFirstByte", Bytes("I"), -12});
    cases.push_back({"BigEndianCutInTheMagic", Bytes(std::string("MM") + '\0'), -13});
    cases.push_back({"CutAfterTheMagic", Bytes("II*"), 0});  // IFD0 offset 0 holds no entries

    cases.push_back({"Ifd0PastTheEnd", ByteBuilder(true).Header(1000).bytes(), 0});
    cases.push_back({"Ifd0AtTwoToThe31", ByteBuilder(false).Header(0x80000000u).bytes(), 0});

    // 100 entries declared, two present and a third cut short.
    cases.push_back({"EntryCountPastTheEnd",
                     Ifd0(100,
                          [](ByteBuilder& f) {
                              f.Entry(kTagImageWidth, kTypeLong, 1, 7)
                                  .Entry(kTagImageLength, kTypeLong, 1, 9)
                                  .U16(kTagMake)
                                  .U16(kTypeAscii);
                          }),
                     0,
                     {"ImageLength", "ImageWidth"}});

    // 4 x 0x40000001 and 2 x 0x80000002 wrap to 4 in 32 bits: neither is
    // taken as inline, and their blocks do not fit in the file.
    cases.push_back(
        {"CountWhoseByteSizeWraps",
         Ifd0(3,
              [](ByteBuilder& f) {
                  f.Entry(kTagImageWidth, kTypeLong, 0x40000001u, 8).Entry(kTagStripOffsets, kTypeShort, 0x80000002u, 8);
                  f.InlineEntry(kTagMake, kTypeAscii, 4, Bytes(std::string("EPS") + '\0'));
              }),
         0,
         {"Make"}});

    // More bytes than a 32-bit process can hold in a list, but not in the
    // file: the entry is dropped like any other whose values lie outside.
    cases.push_back({"CountBeyondAListOutsideTheFile",
                     Ifd0(2,
                          [](ByteBuilder& f) {
                              f.Entry(kTagImageWidth, kTypeByte, 0x32000000u, 0x00011A7Du);
                              f.InlineEntry(kTagMake, kTypeAscii, 4, Bytes(std::string("EPS") + '\0'));
                          }),
                     0,
                     {"Make"}});

    HostileFile types{
        "TypeCodesWithoutAReader",
        Ifd0(5,
             [](ByteBuilder& f) {
                 f.Entry(kTagImageWidth, 0, 1, 7)
                     .Entry(kTagImageLength, 11, 1, 0x40000000u)
                     .Entry(kTagBitsPerSample, 12, 3, 8);
                 f.Entry(kTagCompression, 13, 1, 1).Entry(kTagPhotometricInterpretation, 65535, 0xFFFFFFFFu, 0);
             }),
        0,
        {"BitsPerSample", "Compression", "ImageLength", "ImageWidth", "PhotometricInterpretation"}};
    types.checkParse = ExpectNoValues;
    cases.push_back(types);

    // One block far past the end, one that starts inside and runs out.
    cases.push_back({"ValueBlockPastTheEnd",
                     Ifd0(
                         3,
                         [](ByteBuilder& f) {
                             f.Entry(kTagMake, kTypeAscii, 10, 5000)
                                 .Entry(kTagModel, kTypeAscii, 10, 44)
                                 .Entry(kTagImageWidth, kTypeLong, 1, 7);
                         },
                         Bytes("EPSON")),
                     0,
                     {"ImageWidth"}});

    HostileFile ascii{
        "AsciiWithoutItsNulAndWithCountZero",
        Ifd0(2,
             [](ByteBuilder& f) {
                 f.InlineEntry(kTagMake, kTypeAscii, 3, Bytes("EPS")).Entry(kTagModel, kTypeAscii, 0, 0x41414141u);
             }),
        0,
        {"Make", "Model"}};
    ascii.checkParse = [](const ErfFile& erf) {
        const TiffTag* make = erf.mainIfd.FindTag("Make");
        const TiffTag* model = erf.mainIfd.FindTag("Model");
        ASSERT_TRUE(make != nullptr && model != nullptr);
        EXPECT_EQ(make->values, (std::vector<std::uint32_t>{'E', 'P', 'S', 0, 0}));
        EXPECT_EQ(make->valueText, "EPS");
        EXPECT_EQ(model->values, (std::vector<std::uint32_t>{0, 0}));
        EXPECT_EQ(model->valueText, "");
    };
    cases.push_back(ascii);

    // Every entry names the same 4 KiB block: each dictionary name is filed
    // once, with the block's values; the rest are not read. SubIFDs as BYTE
    // takes the block's first byte, 0: no raw directory.
    HostileFile same{"SameBlockUnder65535Entries",
                     Ifd0(
                         kEntries,
                         [](ByteBuilder& f) {
                             for (std::uint32_t i = 0; i < kEntries; ++i) {
                                 const std::uint32_t k = i % 72;
                                 const std::uint32_t number = k < 36 ? TagDictionary::kTagNumbers[k] : 40000 + k;
                                 f.Entry(number, kTypeByte, kBlockBytes, kBlock);
                             }
                             f.U32(0);
                         },
                         std::vector<std::uint8_t>(kBlockBytes, 0)),
                     0, AllDictionaryNames()};
    same.checkParse = [](const ErfFile& erf) {
        for (const auto& [name, tag] : erf.mainIfd.Tags()) EXPECT_EQ(tag->values.size(), kBlockBytes) << name;
    };
    cases.push_back(same);

    // SubIFDs that give no usable raw directory, or a surprising one.
    cases.push_back(SubIfdsCase("SubIfdsAtIfd0", WithSubIfds(kTypeLong, 1, 8), false));
    cases.back().rawNames = {"Make", "SubIFDs"};
    cases.push_back(SubIfdsCase("SubIfdsAtTheirOwnEntry", WithSubIfds(kTypeLong, 1, 22), false));
    cases.push_back(SubIfdsCase("RawDirectoryNamingItself", WithSubIfds(kTypeLong, 1, kRawAt, kRawAt), true));
    cases.back().rawNames = {"ImageLength", "ImageWidth", "SubIFDs"};
    cases.push_back(SubIfdsCase("SubIfdsZero", WithSubIfds(kTypeLong, 1, 0), false));
    cases.push_back(SubIfdsCase("SubIfdsPastTheEnd", WithSubIfds(kTypeLong, 1, 5000), false));
    cases.push_back(SubIfdsCase("SubIfdsAtTwoToThe31", WithSubIfds(kTypeLong, 1, 0x80000000u), false));
    cases.push_back(SubIfdsCase("SubIfdsAtTheLastOffset", WithSubIfds(kTypeLong, 1, 0xFFFFFFFFu), false));
    cases.push_back(SubIfdsCase("SubIfdsAsByte", WithSubIfds(kTypeByte, 1, kRawAt), true));
    cases.push_back(SubIfdsCase("SubIfdsAsSShort", WithSubIfds(kTypeSShort, 1, kRawAt), false));
    cases.push_back(SubIfdsCase("SubIfdsAsFloat", WithSubIfds(11, 1, kRawAt), false));

    // Pictures.
    HostileFile noWidth = Built("WidthZeroWithAHeight", {.width = 0, .height = 3}, 3);
    noWidth.checkRows = [](const std::vector<DeliveredRow>& rows) {
        for (const auto& row : rows) EXPECT_TRUE(row.pixels.empty());
    };
    cases.push_back(noWidth);
    cases.push_back(Built("WidthOfTwoToThe31", {.width = 0x80000000u, .height = 1}, 0));
    cases.push_back(Built("HeightOfTwoToThe31", {.width = 1, .height = 0x80000000u}, 0));
    cases.push_back(Built("DibOverTwoGigabytes", {.width = 100000, .height = 100000, .strip = {0x80}}, 0));
    cases.push_back(Built("TinyFileClaiming500MillionRows", {.width = 1, .height = 500000000}, 0));
    cases.push_back(Built("TinyFileClaimingRowsOfWidthZero", {.width = 0, .height = kLargestPictureSide}, 0));
    // No rows, but a width whose row buffers alone would take gigabytes.
    cases.push_back(Built("TinyFileClaimingAWideEmptyPicture", {.width = 700000000, .height = 0}, 0));
    HostileFile beyond =
        Built("StripOffsetPastTheEnd",
              {.width = 4, .height = 2, .strip = std::vector<std::uint8_t>(32, 0x77), .stripOffset = 100000}, 2);
    beyond.checkRows = [](const std::vector<DeliveredRow>& rows) {
        for (const auto& row : rows) EXPECT_EQ(row.pixels, std::vector<std::uint8_t>(12, 0));
    };
    cases.push_back(beyond);
    // One and a half rows of a four-row strip: every row is still delivered.
    cases.push_back(Built("StripCutShort", {.width = 10, .height = 4, .strip = std::vector<std::uint8_t>(24, 0x99)}, 4));
    return cases;
}

std::vector<HostileImage> HostileImages() {
    // Three entries (36 bytes), then "EPSON\0" at 36 and 72/1 at 42: 50 bytes.
    auto image = [](std::uint32_t makeAt, std::uint32_t resolutionAt) {
        return ByteBuilder()
            .Entry(kTagImageWidth, kTypeLong, 1, 640)
            .Entry(kTagMake, kTypeAscii, 6, makeAt)
            .Entry(kTagXResolution, kTypeRational, 1, resolutionAt)
            .Bytes(Bytes(std::string("EPSON") + '\0'))
            .Bytes({72, 0, 0, 0, 1, 0, 0, 0})
            .bytes();
    };
    return {
        {"Intact", image(36, 42), 3, 0, {"ImageWidth", "Make", "XResolution"}},
        {"BlockPastTheEnd", image(5000, 42), 3, -1, {"ImageWidth", "XResolution"}},
        {"BlockRunningOutOfTheImage", image(36, 46), 3, -1, {"ImageWidth", "Make"}},
        {"BlockOffsetWrapping32Bits", image(0xFFFFFFFEu, 0xFFFFFFFCu), 3, -1, {"ImageWidth"}},
        {"MoreEntriesThanTheImageHolds", image(36, 42), 6, -1, {"ImageWidth", "Make", "XResolution"}},
        {"NegativeCount", image(36, 42), -3, 0, {}},
    };
}
