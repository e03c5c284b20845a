// Valid files at the edge of the guards on the way to their picture: large
// values beside the picture in IFD0 and in the raw directory, before and
// after the walk's entries, of every type that has values; the value budget
// filled exactly and one byte past; a picture of the camera's size. Each is
// decoded through ReadFileExec and compared with the picture worked out here
// from the format's rules alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "develop/tone_curves.h"
#include "tests/support/byte_builder.h"
#include "tests/support/delivered_rows.h"
#include "tests/support/erf_builder.h"
#include "tests/support/temp_file.h"
#include "tiff/erf_file.h"
#include "tiff/tag_numbers.h"
#include "tiff/tag_values.h"

namespace {

// The picture of a strip as the format develops it, computed plainly: each
// 12-bit sample scaled to 0..255 and put through its colour's curve, then
// each missing colour the average (rounded down) of its two nearest
// neighbours of that colour: along the row for green, and for blue on odd
// rows and red on even rows; from the rows above and below, so filled, for
// blue on even rows and red on odd rows. Where only one neighbour lies inside
// the picture it is taken alone; with none the byte stays 0. Rows top first,
// 3 bytes a pixel: blue, green, red.
std::vector<std::uint8_t> ReferencePicture(const std::vector<std::uint16_t>& samples, std::int64_t width,
                                           std::int64_t height) {
    enum { kBlue = 0, kGreen = 1, kRed = 2 };
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(3 * width * height), 0);
    const auto at = [&](std::int64_t x, std::int64_t y, int c) -> std::uint8_t& {
        return picture[static_cast<std::size_t>(3 * (y * width + x) + c)];
    };
    const auto mean = [&](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, int c) {
        const bool in0 = x0 >= 0 && x0 < width && y0 >= 0 && y0 < height;
        const bool in1 = x1 >= 0 && x1 < width && y1 >= 0 && y1 < height;
        if (in0 && in1) return static_cast<std::uint8_t>((at(x0, y0, c) + at(x1, y1, c)) / 2);
        return in0 ? at(x0, y0, c) : in1 ? at(x1, y1, c) : std::uint8_t{0};
    };
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint32_t sample = samples[static_cast<std::size_t>(y * width + x)];
            const int c = y % 2 == 0 ? (x % 2 == 0 ? kRed : kGreen) : (x % 2 == 0 ? kGreen : kBlue);
            const MosaicColour curve = c == kRed ? kMosaicRed : c == kGreen ? kMosaicGreen : kMosaicBlue;
            at(x, y, c) = ToneCurveOf(curve)[sample * 255 / 4095];
        }
    }
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            if ((x + y) % 2 == 0) at(x, y, kGreen) = mean(x - 1, y, x + 1, y, kGreen);
            if (y % 2 == 1 && x % 2 == 0) at(x, y, kBlue) = mean(x - 1, y, x + 1, y, kBlue);
            if (y % 2 == 0 && x % 2 == 1) at(x, y, kRed) = mean(x - 1, y, x + 1, y, kRed);
        }
    }
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x)
            at(x, y, y % 2 == 0 ? kBlue : kRed) = mean(x, y - 1, x, y + 1, y % 2 == 0 ? kBlue : kRed);
    }
    return picture;
}

std::vector<std::uint16_t> Samples(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> samples(std::size_t{width} * height);
    std::uint32_t seed = 7;
    for (std::uint16_t& sample : samples)
        sample = static_cast<std::uint16_t>((seed = seed * 1103515245u + 12345u) >> 20);
    return samples;
}

// An entry besides the picture's, its values in a block of 'A' bytes (a
// text ends in its NUL), and whether the directory keeps it (none: either).
struct Extra {
    std::uint32_t tag, type, count;
    std::optional<bool> kept = true;
};

// Where the extras stand in each directory's table: before the walk's
// entries (and IFD0's Make) or after them.
struct Extras {
    std::vector<Extra> mainBefore = {}, mainAfter = {}, rawBefore = {}, rawAfter = {};
};

constexpr std::uint32_t kMakeCount = 4;  // "EPS" and its NUL, inline

// The entries every file has: IFD0's Make and SubIFDs; the raw directory's
// size, layout and strip. Their values and texts, as the budget counts them.
std::uint64_t MainFixedBytes() { return HeldBytes(kTypeAscii, kMakeCount) + HeldBytes(kTypeLong, 1); }
std::uint64_t RawFixedBytes() { return 4 * HeldBytes(kTypeLong, 1) + 3 * HeldBytes(kTypeShort, 1); }

// The most values of `type` an extra can have beside the fixed entries
// within one directory's budget.
std::uint32_t MostThatFit(std::uint32_t type, std::uint64_t fixed) {
    std::uint32_t low = 0, high = 1u << 30;
    while (low < high) {
        const std::uint32_t middle = low + (high - low + 1) / 2;
        if (HeldBytes(type, middle) + fixed <= kDirectoryValueBudget) low = middle;
        else high = middle - 1;
    }
    return low;
}

struct Built {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint16_t> samples;
};

// A little- or big-endian file of a width x height picture in one strip,
// the extras' blocks between the directories and the strip.
Built BuildFile(const Extras& extras, std::uint32_t width, std::uint32_t height, bool little) {
    Built built{{}, Samples(width, height)};
    const std::vector<std::uint8_t> strip = PackSamples(built.samples, width, height);
    const auto directoryBytes = [](std::size_t entries) { return 2 + RawEntry::kSize * entries + 4; };
    const std::size_t mainEntries = extras.mainBefore.size() + 2 + extras.mainAfter.size();
    const std::size_t rawEntries = extras.rawBefore.size() + 7 + extras.rawAfter.size();
    const std::size_t rawAt = 8 + directoryBytes(mainEntries);
    std::size_t blockAt = rawAt + directoryBytes(rawEntries);
    std::size_t stripAt = blockAt;
    for (const auto* list : {&extras.mainBefore, &extras.mainAfter, &extras.rawBefore, &extras.rawAfter}) {
        for (const Extra& extra : *list) stripAt += static_cast<std::size_t>(TypeSize(extra.type, extra.count));
    }
    ByteBuilder blocks(little);
    ByteBuilder file(little);
    const auto putExtras = [&](const std::vector<Extra>& list) {
        for (const Extra& extra : list) {
            const auto size = static_cast<std::size_t>(TypeSize(extra.type, extra.count));
            std::vector<std::uint8_t> values(size, 'A');
            if (extra.type == kTypeAscii) values.back() = 0;
            file.Entry(extra.tag, extra.type, extra.count, static_cast<std::uint32_t>(blockAt));
            blocks.Bytes(values);
            blockAt += size;
        }
    };
    const auto shortField = [&](std::uint32_t value) { return ByteBuilder(little).U16(value).U16(0).bytes(); };
    file.Header(8).U16(static_cast<std::uint32_t>(mainEntries));
    putExtras(extras.mainBefore);
    file.InlineEntry(kTagMake, kTypeAscii, kMakeCount, {'E', 'P', 'S', 0});
    file.Entry(kTagSubIFDs, kTypeLong, 1, static_cast<std::uint32_t>(rawAt));
    putExtras(extras.mainAfter);
    file.U32(0).U16(static_cast<std::uint32_t>(rawEntries));
    putExtras(extras.rawBefore);
    file.Entry(kTagImageWidth, kTypeLong, 1, width).Entry(kTagImageLength, kTypeLong, 1, height);
    file.InlineEntry(kTagBitsPerSample, kTypeShort, 1, shortField(12));
    file.InlineEntry(kTagCompression, kTypeShort, 1, shortField(1));
    file.InlineEntry(kTagPhotometricInterpretation, kTypeShort, 1, shortField(32803));
    file.Entry(kTagStripOffsets, kTypeLong, 1, static_cast<std::uint32_t>(stripAt));
    file.Entry(kTagStripByteCounts, kTypeLong, 1, static_cast<std::uint32_t>(strip.size()));
    putExtras(extras.rawAfter);
    file.U32(0).Bytes(blocks.bytes());
    EXPECT_EQ(file.size(), stripAt);
    built.bytes = file.Bytes(strip).bytes();
    return built;
}

struct ValidFile {
    std::string what;
    Extras extras;
    std::uint32_t width = 64, height = 48;
    bool little = true;
    bool makeKept = true;
};

void ExpectKept(const TiffIfd& ifd, const std::vector<Extra>& extras) {
    for (const Extra& extra : extras) {
        if (extra.kept) {
            EXPECT_EQ(ifd.FindTagByNumber(extra.tag) != nullptr, *extra.kept) << "tag " << extra.tag;
        }
    }
}

// Decodes the file and compares every row with the reference; checks which
// extras each directory kept.
void ExpectDecodedWhole(const ValidFile& c) {
    SCOPED_TRACE(c.what);
    const Built built = BuildFile(c.extras, c.width, c.height, c.little);
    const TempFile file(built.bytes);
    ErfFile erf;
    ASSERT_EQ(erf.Open(file.c_str()), 0);
    EXPECT_EQ(erf.mainIfd.HasTag("Make"), c.makeKept);
    ExpectKept(erf.mainIfd, c.extras.mainBefore);
    ExpectKept(erf.mainIfd, c.extras.mainAfter);
    ExpectKept(erf.rawIfd, c.extras.rawBefore);
    ExpectKept(erf.rawIfd, c.extras.rawAfter);
    const Delivery delivery = ReadRows(file.c_str());
    ASSERT_EQ(delivery.rows.size(), c.height);
    EXPECT_TRUE(delivery.Pixels() == ReferencePicture(built.samples, c.width, c.height));
}

// The rows of the table that the old shared budget took the picture from.
TEST(ValidFiles, LargeTextsAndCurvesBesideThePicture) {
    constexpr std::uint32_t kText = 3355443;  // 3.2 MiB
    const ValidFile cases[] = {
        {"IFD0 ImageDescription of 3,355,428 bytes", {.mainBefore = {{kTagImageDescription, kTypeAscii, 3355428}}}},
        {"the same, one byte more", {.mainBefore = {{kTagImageDescription, kTypeAscii, 3355429, std::nullopt}}}},
        {"IFD0 Artist of 3.2 MiB", {.mainBefore = {{kTagArtist, kTypeAscii, kText, std::nullopt}}}},
        {"IFD0 Copyright of 3.2 MiB after SubIFDs", {.mainAfter = {{kTagCopyright, kTypeAscii, kText, std::nullopt}}}},
        {"IFD0 TransferFunction of 1,048,563 SHORTs", {.mainBefore = {{kTagTransferFunction, kTypeShort, 1048563}}}},
        {"raw ImageDescription of 3.2 MiB", {.rawBefore = {{kTagImageDescription, kTypeAscii, kText, std::nullopt}}}},
        {"both directories at once, big-endian",
         {.mainBefore = {{kTagImageDescription, kTypeAscii, 3355428}},
          .rawBefore = {{kTagImageDescription, kTypeAscii, 3355400}}},
         64,
         48,
         false},
    };
    for (const ValidFile& c : cases) ExpectDecodedWhole(c);
}

// For each type with values, an extra as large as a directory's budget lets
// it be, beside the picture's entries, in each directory, before and after
// the walk's entries: kept, and the picture whole.
TEST(ValidFiles, TheLargestValuesOfEachTypeInEitherDirectoryAndPlace) {
    const std::uint32_t types[] = {kTypeByte,     kTypeAscii,     kTypeShort, kTypeLong,
                                   kTypeRational, kTypeUndefined, kTypeSLong, kTypeSRational};
    for (const std::uint32_t type : types) {
        const std::uint32_t inMain = MostThatFit(type, MainFixedBytes());
        const std::uint32_t inRaw = MostThatFit(type, RawFixedBytes());
        const std::string name = "type " + std::to_string(type);
        const ValidFile cases[] = {
            {name + " in IFD0 before SubIFDs", {.mainBefore = {{kTagArtist, type, inMain}}}},
            {name + " in IFD0 after SubIFDs", {.mainAfter = {{kTagCopyright, type, inMain}}}},
            {name + " in the raw directory before its entries", {.rawBefore = {{kTagNewSubfileType, type, inRaw}}}},
            {name + " in the raw directory after its entries", {.rawAfter = {{kTagCopyright, type, inRaw}}}},
        };
        for (const ValidFile& c : cases) ExpectDecodedWhole(c);
    }
}

// The budget exactly filled by a text and a block of bytes, and one byte
// past it (three values more in the text, two fewer in the block): the entry
// read last no longer fits and is dropped alone. In IFD0 the extras come
// after Make and SubIFDs; in the raw directory before its entries, which
// are read first all the same.
TEST(ValidFiles, TheValueBudgetExactlyFilledAndOneBytePast) {
    const auto filling = [](std::uint64_t fixed) {
        std::uint32_t text = 1u << 20;
        const auto rest = [&] { return kDirectoryValueBudget - fixed - HeldBytes(kTypeAscii, text); };
        while ((rest() - HeldBytes(kTypeUndefined, 0)) % 7 != 0) ++text;
        const auto block = static_cast<std::uint32_t>((rest() - HeldBytes(kTypeUndefined, 0)) / 7);
        EXPECT_EQ(fixed + HeldBytes(kTypeAscii, text) + HeldBytes(kTypeUndefined, block), kDirectoryValueBudget);
        EXPECT_EQ(fixed + HeldBytes(kTypeAscii, text + 3) + HeldBytes(kTypeUndefined, block - 2),
                  kDirectoryValueBudget + 1);
        return std::pair{text, block};
    };
    const auto [mainText, mainBlock] = filling(MainFixedBytes());
    const auto [rawText, rawBlock] = filling(RawFixedBytes());
    const ValidFile cases[] = {
        {"IFD0 exactly filled",
         {.mainAfter = {{kTagImageDescription, kTypeAscii, mainText}, {kTagArtist, kTypeUndefined, mainBlock}}}},
        {"IFD0 one byte past",
         {.mainAfter = {{kTagImageDescription, kTypeAscii, mainText + 3},
                        {kTagArtist, kTypeUndefined, mainBlock - 2, false}}}},
        {"raw directory exactly filled",
         {.rawBefore = {{kTagImageDescription, kTypeAscii, rawText}, {kTagArtist, kTypeUndefined, rawBlock}}}},
        {"raw directory one byte past",
         {.rawBefore = {{kTagImageDescription, kTypeAscii, rawText + 3},
                        {kTagArtist, kTypeUndefined, rawBlock - 2, false}}}},
        // Before Make, the text one byte past takes Make's room instead.
        {"IFD0 one byte past before Make",
         {.mainBefore = {{kTagImageDescription, kTypeAscii, mainText + 3}, {kTagArtist, kTypeUndefined, mainBlock - 2}}},
         64,
         48,
         true,
         false},
    };
    for (const ValidFile& c : cases) ExpectDecodedWhole(c);
}

// A picture of the camera's size, 3040 x 2024, with the largest text each
// directory's budget lets it hold.
TEST(ValidFiles, ACameraSizePictureWithLargeTexts) {
    ExpectDecodedWhole({"3040 x 2024",
                        {.mainBefore = {{kTagImageDescription, kTypeAscii, MostThatFit(kTypeAscii, MainFixedBytes())}},
                         .rawAfter = {{kTagCopyright, kTypeAscii, MostThatFit(kTypeAscii, RawFixedBytes())}}},
                        3040,
                        2024});
}

}  // namespace
