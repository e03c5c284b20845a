#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "develop/dib.h"
#include "develop/file_owner.h"
#include "develop/interpolation.h"
#include "develop/raw_decoder.h"
#include "develop/tone_curves.h"
#include "tests/support/erf_builder.h"
#include "tests/support/memory_limit.h"
#include "tests/support/temp_file.h"

namespace {

// The developed picture as bytes, rows top first, 3 bytes a pixel.
struct Developed {
    std::int32_t result = 0;
    std::vector<std::vector<std::uint8_t>> rows;
};

Developed DecodeStrip(const std::string& path, std::uint32_t offset, std::int32_t width, std::int32_t height) {
    const DibOwner dib(CreateDib(width, height, 24));
    EXPECT_NE(dib, nullptr);
    Developed out;
    RowBuffers rows;
    out.result = DecodeRawStrip(path.c_str(), offset, 0, dib.get(), width, height, rows);
    for (std::int32_t y = 0; y < height; ++y) {
        out.rows.emplace_back(3 * static_cast<std::size_t>(width));
        ReadDibRow(dib.get(), y, 0, width - 1, out.rows.back().data());
    }
    return out;
}

// A file holding only the packed strip, at offset 0.
Developed DecodeBytes(const std::vector<std::uint8_t>& strip, std::int32_t width, std::int32_t height) {
    const TempFile file(strip);
    return DecodeStrip(file.path(), 0, width, height);
}

bool AllZero(const Developed& picture) {
    for (const auto& row : picture.rows) {
        for (std::uint8_t byte : row) {
            if (byte != 0) return false;
        }
    }
    return true;
}

TEST(DecodeRawStrip, PutsEachSampleThroughItsColoursCurve) {
    // Row 0: 0x10F (index 16) for red, 0x0FF (index 15) for green.
    // Row 1: 0x800 (index 127) for green and for blue.
    std::vector<std::uint8_t> strip(32, 0);
    const std::uint8_t row0[3] = {0x10, 0xF0, 0xFF};
    const std::uint8_t row1[3] = {0x80, 0x08, 0x00};
    std::copy(row0, row0 + 3, strip.begin());
    std::copy(row1, row1 + 3, strip.begin() + 16);
    const Developed picture = DecodeBytes(strip, 2, 2);
    EXPECT_EQ(picture.result, 0);
    // Own bytes: red 100, green 70 / green 209, blue 248; each missing byte
    // comes from the one same-colour neighbour.
    const std::vector<std::vector<std::uint8_t>> expected = {
        {248, 70, 100, 248, 70, 100},
        {248, 209, 100, 248, 209, 100},
    };
    EXPECT_EQ(picture.rows, expected);
}

TEST(DecodeRawStrip, DecodesWholeAndPartGroupsAtCameraWidths) {
    for (const std::uint32_t width : {3040u, 3045u, 13u}) {
        SCOPED_TRACE(width);
        constexpr std::uint32_t kHeight = 2;
        std::vector<std::uint16_t> samples;
        for (std::uint32_t y = 0; y < kHeight; ++y) {
            for (std::uint32_t x = 0; x < width; ++x)
                samples.push_back(static_cast<std::uint16_t>((x * 37 + y * 1000) % 4096));
        }
        const Developed picture =
            DecodeBytes(PackSamples(samples, width, kHeight), static_cast<std::int32_t>(width), kHeight);
        // The passes never touch a pixel's own colour: it is the sample's level.
        for (std::size_t y = 0; y < kHeight; ++y) {
            for (std::size_t x = 0; x < width; ++x) {
                const auto colour = MosaicColourAt(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
                const std::size_t byte = 2 - static_cast<std::size_t>(colour);  // the DIB holds blue, green, red
                ASSERT_EQ(picture.rows[y][3 * x + byte], DevelopedLevel(colour, samples[y * width + x]))
                    << "pixel (" << x << ", " << y << ")";
            }
        }
    }
}

TEST(DecodeRawStrip, AShortStripRepeatsWhatTheBufferLastHeld) {
    // Ten samples a row: one 16-byte group. The strip ends 8 bytes into row 1,
    // so row 1 is its own first 8 bytes and row 0's last 8, and row 2 the same.
    std::vector<std::uint16_t> samples;
    for (int i = 0; i < 20; ++i) samples.push_back(static_cast<std::uint16_t>(200 * i + 100));
    const std::vector<std::uint8_t> rows = PackSamples(samples, 10, 2);
    const std::vector<std::uint8_t> shortStrip(rows.begin(), rows.begin() + 24);
    std::vector<std::uint8_t> wholeStrip(48);
    std::copy(rows.begin(), rows.begin() + 16, wholeStrip.begin());
    for (const std::ptrdiff_t row : {1, 2}) {
        std::copy(rows.begin() + 16, rows.begin() + 24, wholeStrip.begin() + 16 * row);
        std::copy(rows.begin() + 8, rows.begin() + 16, wholeStrip.begin() + 16 * row + 8);
    }
    EXPECT_EQ(DecodeBytes(shortStrip, 10, 3).rows, DecodeBytes(wholeStrip, 10, 3).rows);
    // With no bytes at all the buffer stays zeroed: every level is 0.
    EXPECT_TRUE(AllZero(DecodeBytes({}, 10, 3)));
}

// The strip a file cut short amounts to: a single row buffer, zeroed at the
// start and read into again and again, keeps the bytes of the row before
// wherever the file gave out.
std::vector<std::uint8_t> AsReadRowByRow(const std::vector<std::uint8_t>& strip, std::size_t rowBytes, std::size_t rows) {
    std::vector<std::uint8_t> buffer(rowBytes, 0);
    std::vector<std::uint8_t> out;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t from = std::min(row * rowBytes, strip.size());
        const std::size_t to = std::min(from + rowBytes, strip.size());
        std::copy(strip.begin() + static_cast<std::ptrdiff_t>(from), strip.begin() + static_cast<std::ptrdiff_t>(to),
                  buffer.begin());
        out.insert(out.end(), buffer.begin(), buffer.end());
    }
    return out;
}

TEST(DecodeRawStrip, AStripCutShortAnywhereDecodesAsIfReadRowByRow) {
    // The strip is read many rows at a time: 53 rows of 3040 samples, or one
    // row of 170,000. Cuts fall in the first row, on and just after the end of
    // a run of rows, inside a later run, and a byte before the end.
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::size_t cut;
    };
    constexpr std::size_t kRow = 4864;  // bytes of a row of 3040 samples
    const Case cases[] = {
        {3040, 120, 100},           {3040, 120, 53 * kRow},      {3040, 120, 53 * kRow + 100},
        {3040, 120, 60 * kRow + 8}, {3040, 120, 120 * kRow - 1}, {170000, 3, 272000 + 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " cut at " << c.cut);
        const std::size_t rowBytes = StripRowBytes(static_cast<std::uint32_t>(c.width));
        std::vector<std::uint8_t> strip(rowBytes * static_cast<std::size_t>(c.height));
        for (std::size_t i = 0; i < strip.size(); ++i) strip[i] = static_cast<std::uint8_t>(i * 7 + i / 4099);
        strip.resize(c.cut);
        const std::vector<std::uint8_t> equivalent = AsReadRowByRow(strip, rowBytes, static_cast<std::size_t>(c.height));
        EXPECT_EQ(DecodeBytes(strip, c.width, c.height).rows, DecodeBytes(equivalent, c.width, c.height).rows);
    }
}

TEST(DecodeRawStrip, AStripBeyondWhatTheFileFunctionsReachHasNoBytes) {
    // A sparse file with a bright strip at 2^31: out of reach of a 32-bit
    // C library, so it must be out of reach here too.
    const TempFile file;
    constexpr std::int64_t kFar = 0x80000000LL;
    ASSERT_EQ(truncate(file.c_str(), kFar + 64), 0);
    {
        const FileOwner out(std::fopen(file.c_str(), "r+b"));
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(fseeko(out.get(), kFar, SEEK_SET), 0);
        const std::vector<std::uint8_t> bright(64, 0xFF);
        std::fwrite(bright.data(), 1, bright.size(), out.get());
    }
    for (const std::uint32_t offset : {0x80000000u, 0xFFFFFFF0u}) {
        const Developed picture = DecodeStrip(file.path(), offset, 4, 2);
        EXPECT_EQ(picture.result, 0);
        EXPECT_TRUE(AllZero(picture)) << offset;
    }
    // Just before it the bytes are read as usual.
    EXPECT_FALSE(AllZero(DecodeStrip(file.path(), 0x7FFFFFF0u, 4, 2)));
}

// The rows a decode hands over, each as the DIB held it at that moment.
class RowRecorder final : public RowSink {
public:
    explicit RowRecorder(DibImage dib) : dib_(dib) {}
    void RowFinal(std::int32_t y) override {
        order.push_back(y);
        rows.push_back(ReadRow(dib_, y));
    }
    static std::vector<std::uint8_t> ReadRow(DibImage dib, std::int32_t y) {
        std::int32_t width = 0;
        GetDibGeometry(dib, &width, nullptr, nullptr);
        std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
        ReadDibRow(dib, y, 0, width - 1, row.data());
        return row;
    }
    std::vector<std::int32_t> order;
    std::vector<std::vector<std::uint8_t>> rows;

private:
    DibImage dib_;
};

TEST(DecodeRawStrip, HandsOverEveryRowOnceInOrderAsItIsAtTheEnd) {
    // The decode develops a row at a time, straight from the unpacking where
    // the strip's rows are the DIB's width: its picture must be that of
    // UnpackStrip and the three passes over the whole DIB, and a row handed
    // over must not change afterwards. Sizes around the fills' blocks, and
    // DIBs that are taller, shorter, wider or narrower than the strip.
    struct Sizes {
        std::int32_t width, height, dibWidth, dibHeight;
    };
    std::vector<Sizes> cases;
    for (const std::int32_t width : {1, 2, 3, 5, 17, 18, 54, 55, 301}) {
        for (const std::int32_t height : {1, 2, 3, 4, 7}) cases.push_back({width, height, width, height});
    }
    cases.insert(cases.end(), {{4, 3, 4, 6}, {4, 6, 4, 3}, {3, 4, 5, 4}, {60, 4, 55, 4}, {0, 3, 0, 3}, {4, 0, 4, 2}});
    std::uint32_t seed = 99;
    for (const Sizes& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " into " << c.dibWidth << " x "
                                        << c.dibHeight);
        std::vector<std::uint8_t> strip(static_cast<std::size_t>((c.width + 9) / 10 * 16 * c.height));
        for (std::uint8_t& byte : strip) byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
        const TempFile file(strip);
        const DibOwner dibOwner(CreateDib(c.dibWidth, c.dibHeight, 24));
        const DibOwner passesOwner(CreateDib(c.dibWidth, c.dibHeight, 24));
        DibImage dib = dibOwner.get();
        DibImage passes = passesOwner.get();
        RowRecorder recorder(dib);
        RowBuffers rows;
        ASSERT_EQ(DecodeRawStrip(file.c_str(), 0, 0, dib, c.width, c.height, rows, &recorder), 0);
        ASSERT_EQ(UnpackStrip(file.c_str(), 0, passes, c.width, c.height), 0);
        InterpolateBlue(passes);
        InterpolateRed(passes);
        InterpolateGreen(passes);
        ASSERT_EQ(recorder.order.size(), static_cast<std::size_t>(c.dibHeight));
        for (std::int32_t y = 0; y < c.dibHeight; ++y) {
            const auto index = static_cast<std::size_t>(y);
            EXPECT_EQ(recorder.order[index], y);
            EXPECT_EQ(recorder.rows[index], RowRecorder::ReadRow(dib, y)) << "row " << y;
            EXPECT_EQ(RowRecorder::ReadRow(dib, y), RowRecorder::ReadRow(passes, y)) << "row " << y;
        }
    }
}

TEST(DecodeRawStrip, AFileThatCannotBeOpenedHandsOverNoRow) {
    const DibOwner dib(CreateDib(4, 2, 24));
    RowRecorder recorder(dib.get());
    RowBuffers rows;
    EXPECT_EQ(DecodeRawStrip("/nonexistent/photo.erf", 0, 0, dib.get(), 4, 2, rows, &recorder), -1);
    EXPECT_TRUE(recorder.order.empty());
}

TEST(DecodeRawStrip, AFileThatCannotBeOpenedLeavesThePictureBlack) {
    const Developed picture = DecodeStrip("/nonexistent/photo.erf", 0, 4, 2);
    EXPECT_EQ(picture.result, -1);
    EXPECT_TRUE(AllZero(picture));
}

#if RUDI_CAN_BOUND_MEMORY
// Limits the process to 256 MB more address space than it has, then decodes
// a row of a billion pixels, which cannot be held.
int DecodeUnderMemoryLimit(const char* path) {
    DibImage dib = CreateDib(4, 2, 24);
    RowBuffers rows;
    LimitAddressSpaceToCurrentPlus(256u << 20);
    return DecodeRawStrip(path, 0, 0, dib, 1000000000, 1, rows) == -1 ? 7 : 8;
}

TEST(DecodeRawStripDeathTest, GivesUpBeforeOpeningTheFileWhenItsBufferCannotBeHad) {
    if (UnderEmulator()) GTEST_SKIP() << "an address-space bound under qemu bounds the emulator";
    // The file is there, so -1 can only mean the memory was refused.
    const TempFile file(std::vector<std::uint8_t>(64, 0x80));
    EXPECT_EXIT(std::_Exit(DecodeUnderMemoryLimit(file.c_str())), testing::ExitedWithCode(7), "");
}
#endif

}  // namespace
