#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tests/support/cp932.h"
#include "tests/tiff/dictionary_texts_utf8.h"
#include "tiff/tag_dictionary.h"
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
    ifd.TagName(33432, text);
    EXPECT_EQ(text, "Copyright");
    ifd.TagName(330, text);
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
        {259, "Compression", {1}, " 1", Utf8ToCp932("非圧縮")},
        {259, "Compression", {7}, " 7", " 7"},
        {259, "Compression", {6}, " 6", Utf8ToCp932("JPEG圧縮（サムネイル）")},
        {274, "Orientation", {1}, " 1", Utf8ToCp932("０行：画像の上、０列：画像の左側")},
        {274, "Orientation", {8}, " 8", Utf8ToCp932("０行：画像の左側、０列：画像の下")},
        {274, "Orientation", {9}, " 9", " 9"},
        {530, "YCbCrSubSampling", {2, 1}, " 2 1", " 2 1"},  // its key has one value only
        {296, "ResolutionUnit", {2}, " 2", Utf8ToCp932("インチ")},
        {262, "PhotometricInterpretation", {1}, " 1", " 1"},
        {262, "PhotometricInterpretation", {2}, " 2", "RGB"},
        {284, "PlanarConfiguration", {2}, " 2", Utf8ToCp932("面順次")},
        {531, "YCbCrPositioning", {1}, " 1", Utf8ToCp932("中心配置")},
        {256, "ImageWidth", {1}, " 1", " 1"},  // not enumerated
        {259, "Compression", {}, "", ""},
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
