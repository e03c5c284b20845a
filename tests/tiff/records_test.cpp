#include <gtest/gtest.h>

#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

namespace {

class TestIfd : public TiffIfd {
public:
    TiffTag* Add(std::uint32_t number, const char* name, std::vector<std::uint32_t> values) {
        auto tag = std::make_unique<TiffTag>();
        tag->tagNumber = number;
        tag->name = name;
        tag->values = std::move(values);
        TiffTag* raw = tag.get();
        return File(std::move(tag)) ? raw : nullptr;
    }
};

TEST(TypeSize, FollowsTheUnitSizesOfTheTypes) {
    struct Case {
        std::uint32_t type, count;
        std::int64_t size;
    };
    for (const Case c : {Case{1, 4, 4}, Case{2, 5, 5}, Case{3, 2, 4}, Case{4, 2, 8}, Case{5, 1, 8}, Case{6, 9, 0},
                         Case{7, 3, 3}, Case{8, 2, 0}, Case{9, 1, 4}, Case{10, 2, 16}, Case{11, 1, 0}, Case{12, 1, 0},
                         Case{0, 5, 0}, Case{65535, 5, 0}}) {
        EXPECT_EQ(TypeSize(c.type, c.count), c.size) << c.type << " x " << c.count;
    }
}

TEST(TypeSize, AHugeCountDoesNotWrapIntoAnInlineSize) {
    EXPECT_EQ(TypeSize(4, 0x40000000u), std::int64_t{1} << 32);
    EXPECT_FALSE(IsInline(4, 0x40000000u));
    EXPECT_EQ(TypeSize(5, 0xFFFFFFFFu), std::int64_t{8} * 0xFFFFFFFFu);
    EXPECT_TRUE(IsInline(3, 2));
    EXPECT_FALSE(IsInline(2, 5));
}

TEST(TiffIfd, FindsTagsByNameAndNumber) {
    TestIfd ifd;
    ifd.Add(kTagImageLength, "ImageLength", {2024});
    ifd.Add(kTagImageWidth, "ImageWidth", {3040});
    ifd.Add(kTagCompression, "Compression", {});
    EXPECT_EQ(ifd.FindTag("ImageWidth")->tagNumber, 256u);
    EXPECT_EQ(ifd.FindTag("imagewidth"), nullptr);
    EXPECT_EQ(ifd.FindTagByNumber(kTagImageWidth), ifd.FindTag("ImageWidth"));
    EXPECT_EQ(ifd.FindTagByNumber(300), nullptr);
    EXPECT_EQ(ifd.FirstValue("ImageWidth"), 3040u);
    EXPECT_EQ(ifd.FirstValue("Compression"), 0u);  // no values
    EXPECT_EQ(ifd.FirstValue("Make"), 0u);         // absent
}

TEST(TiffIfd, ASecondTagUnderAFiledNameIsNotFiled) {
    TestIfd ifd;
    ASSERT_NE(ifd.Add(kTagImageWidth, "ImageWidth", {1}), nullptr);
    EXPECT_EQ(ifd.Add(kTagImageWidth, "ImageWidth", {2}), nullptr);
    EXPECT_EQ(ifd.Tags().size(), 1u);
    EXPECT_EQ(ifd.FirstValue("ImageWidth"), 1u);
}

TEST(TiffIfd, NamesAreOrderedByTheirUnsignedBytes) {
    TestIfd ifd;
    for (const char* name : {"Model", "\xE9t\xE9", "JPEGInterchangeFormatLength", "Make", "JPEGInterchangeFormat", ""}) {
        ifd.Add(1, name, {});
    }
    std::vector<std::string> order;
    for (const auto& [name, tag] : ifd.Tags()) order.push_back(name);
    EXPECT_EQ(order, (std::vector<std::string>{"", "JPEGInterchangeFormat", "JPEGInterchangeFormatLength", "Make",
                                               "Model", "\xE9t\xE9"}));
    ifd.Clear();
    EXPECT_TRUE(ifd.Tags().empty());
}

}  // namespace
