#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tests/support/cp932.h"
#include "tests/tiff/dictionary_texts_utf8.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

namespace {

TEST(TagDictionary, EveryTextIsTheShiftJisOfItsReadableText) {
    ASSERT_EQ(std::size(kDictionaryTextsUtf8), static_cast<std::size_t>(TagDictionary::kTextCount));
    for (int row = 0; row < TagDictionary::kTextCount; ++row) {
        const auto& [key, utf8] = kDictionaryTextsUtf8[row];
        EXPECT_STREQ(TagDictionary::kTagTexts[row].key, key) << "row " << row + 1;
        EXPECT_EQ(std::string(TagDictionary::kTagTexts[row].text), Utf8ToCp932(utf8)) << key;
    }
}

TEST(TagDictionary, NamesThirtySixDistinctTags) {
    std::set<std::uint32_t> numbers(std::begin(TagDictionary::kTagNumbers), std::end(TagDictionary::kTagNumbers));
    EXPECT_EQ(numbers.size(), 36u);
    // Every named tag has a description under its name.
    for (const auto& name : TagDictionary::kTagNames) EXPECT_NE(TagDictionary::TextOf(name), nullptr) << name;
}

TEST(TagDictionary, NamesAndDescribesByNumberAndKey) {
    TiffIfd ifd;
    std::string text = "stale";
    ifd.TagName(kTagCopyright, text);
    EXPECT_EQ(text, "Copyright");
    ifd.TagName(kTagSubIFDs, text);
    EXPECT_EQ(text, "SubIFDs");
    ifd.TagName(40965, text);  // InteroperabilityIFDPointer has a text but no number here
    EXPECT_EQ(text, "");
    ifd.TagDescription("Make", text);
    EXPECT_EQ(text, Utf8ToCp932("メーカ"));
    ifd.TagDescription("Compression_1", text);  // value rows answer too
    EXPECT_EQ(text, Utf8ToCp932("非圧縮"));
    ifd.TagDescription("make", text);
    EXPECT_EQ(text, "");
}

struct DescribeCase {
    std::uint32_t number;
    const char* name;
    std::vector<std::uint32_t> values;
    const char* readText;
    std::string expected;  // code page 932
};

TEST(DescribeValue, ExplainsTheEnumeratedTagsOnly) {
    const DescribeCase cases[] = {
        {kTagCompression, "Compression", {1}, " 1", Utf8ToCp932("非圧縮")},
        {kTagCompression, "Compression", {7}, " 7", " 7"},
        {kTagCompression, "Compression", {6}, " 6", Utf8ToCp932("JPEG圧縮（サムネイル）")},
        {kTagOrientation, "Orientation", {1}, " 1", Utf8ToCp932("０行：画像の上、０列：画像の左側")},
        {kTagOrientation, "Orientation", {8}, " 8", Utf8ToCp932("０行：画像の左側、０列：画像の下")},
        {kTagOrientation, "Orientation", {9}, " 9", " 9"},
        {kTagYCbCrSubSampling, "YCbCrSubSampling", {2, 1}, " 2 1", " 2 1"},  // its key has one value only
        {kTagResolutionUnit, "ResolutionUnit", {2}, " 2", Utf8ToCp932("インチ")},
        {kTagPhotometricInterpretation, "PhotometricInterpretation", {1}, " 1", " 1"},
        {kTagPhotometricInterpretation, "PhotometricInterpretation", {2}, " 2", "RGB"},
        {kTagPlanarConfiguration, "PlanarConfiguration", {2}, " 2", Utf8ToCp932("面順次")},
        {kTagYCbCrPositioning, "YCbCrPositioning", {1}, " 1", Utf8ToCp932("中心配置")},
        {kTagImageWidth, "ImageWidth", {1}, " 1", " 1"},  // not enumerated
        {kTagCompression, "Compression", {}, "", ""},
    };
    TiffIfd ifd;
    for (const DescribeCase& c : cases) {
        TiffTag tag;
        tag.tagNumber = c.number;
        tag.name = c.name;
        tag.values = c.values;
        tag.valueText = c.readText;
        ifd.DescribeValue(tag);
        EXPECT_EQ(tag.valueText, c.expected) << c.name << c.readText;
    }
}

}  // namespace
