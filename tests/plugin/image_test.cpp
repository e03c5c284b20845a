#include <gtest/gtest.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/delivered_rows.h"
#include "tests/support/erf_builder.h"
#include "tests/support/temp_file.h"

namespace {

constexpr std::uint8_t kPattern = 0xA5;

// ReadFileGetSize with its records inside patterned memory, to show which bytes it writes.
struct SizeQuery {
    explicit SizeQuery(const char* path, bool withBlock = true) {
        std::memset(size, kPattern, sizeof size);
        std::memset(block, kPattern, sizeof block);
        result = ReadFileGetSize(7, path, reinterpret_cast<ImageSizeRecord*>(size), withBlock ? block : nullptr);
    }
    std::uint32_t Word(int offset) const {
        std::uint32_t value;
        std::memcpy(&value, size + offset, 4);
        return value;
    }
    std::int32_t result;
    alignas(8) std::uint8_t size[sizeof(ImageSizeRecord) + 16];
    std::uint8_t block[kBlock40Bytes + 16];
};

// With arguments the module does not use that are not zero, as a host may pass.
std::vector<DeliveredRow> Exec(const char* path) {
    const Delivery delivery = ReadRows(path, 1, 2, 3, 4);
    EXPECT_EQ(delivery.result, 1);
    return delivery.rows;
}

std::vector<std::uint8_t> ErfOf(std::uint32_t width, std::uint32_t height, const std::vector<std::uint16_t>& samples,
                                bool littleEndian = true) {
    return BuildErf(
        {.littleEndian = littleEndian, .width = width, .height = height, .strip = PackSamples(samples, width, height)});
}

TEST(ReadFileGetSize, WritesWidthHeightAndBitsAndClearsTheBlock) {
    const TempFile file(ErfOf(5, 3, std::vector<std::uint16_t>(15, 0)));
    const SizeQuery query(file.c_str());
    EXPECT_EQ(query.result, 1);
    EXPECT_EQ(query.Word(16), 5u);
    EXPECT_EQ(query.Word(20), 3u);
    EXPECT_EQ(query.Word(24), 24u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(query.size[i], kPattern) << i;
    for (std::size_t i = 28; i < sizeof query.size; ++i) EXPECT_EQ(query.size[i], kPattern) << i;
    for (std::size_t i = 0; i < sizeof query.block; ++i) EXPECT_EQ(query.block[i], i < 40 ? 0 : kPattern) << i;
}

TEST(ReadFileGetSize, WithoutABlockWritesOnlyTheThreeWords) {
    const TempFile file(ErfOf(5, 3, std::vector<std::uint16_t>(15, 0)));
    const SizeQuery query(file.c_str(), false);
    EXPECT_EQ(query.Word(16), 5u);
    for (std::size_t i = 0; i < sizeof query.block; ++i) EXPECT_EQ(query.block[i], kPattern) << i;
}

TEST(ReadFileGetSize, ReportsZeroByZeroForFilesWithoutAPicture) {
    const TempFile badHeader(std::vector<std::uint8_t>{'I', 'M', 42, 0, 8, 0, 0, 0});
    const TempFile noSubIfds(BuildErf({.width = 5, .height = 3, .subIfdCount = 0}));
    const struct {
        const char* path;
        std::string message;
    } cases[] = {
        {"/nonexistent/photo.erf", ""},
        {badHeader.c_str(),
         std::string(program_invocation_short_name) + ": TIFF endian error: " + badHeader.path() + "\n"},
        {noSubIfds.c_str(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testing::internal::CaptureStderr();
        const SizeQuery query(c.path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(query.result, 1);
        EXPECT_EQ(query.Word(16), 0u);
        EXPECT_EQ(query.Word(20), 0u);
        EXPECT_EQ(query.Word(24), 24u);
    }
}

TEST(ReadFileExec, DeliversEveryRowTopFirstWithTheHostsArguments) {
    // Rows 0 and 1 dark (sample 0), rows 2 and 3 white (4095): the picture
    // is dark at the top, white at the bottom, blended where they meet.
    std::vector<std::uint16_t> samples(16, 0);
    std::fill(samples.begin() + 8, samples.end(), 4095);
    const TempFile file(ErfOf(4, 4, samples));
    const std::vector<DeliveredRow> calls = Exec(file.c_str());
    auto row = [](std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        return std::vector<std::uint8_t>{b, g, r, b, g, r, b, g, r, b, g, r};
    };
    // Blue of row 2 and red of row 1 are averages of 0 and 255.
    const std::vector<std::vector<std::uint8_t>> expected = {row(0, 0, 0), row(0, 0, 127), row(127, 255, 255),
                                                             row(255, 255, 255)};
    ASSERT_EQ(calls.size(), 4u);
    for (std::size_t y = 0; y < 4; ++y) {
        EXPECT_EQ(calls[y].y, static_cast<std::int32_t>(y));
        EXPECT_EQ(calls[y].firstColumn, 0);
        EXPECT_EQ(calls[y].lastColumn, 3);
        EXPECT_EQ(calls[y].zero, 0);
        EXPECT_EQ(calls[y].pixels, expected[y]) << y;
    }
}

TEST(ReadFileExec, LittleAndBigEndianFilesGiveTheSamePicture) {
    std::vector<std::uint16_t> samples;
    for (int i = 0; i < 7 * 5; ++i) samples.push_back(static_cast<std::uint16_t>(i * 1237 % 4096));
    const TempFile little(ErfOf(7, 5, samples, true));
    const TempFile big(ErfOf(7, 5, samples, false));
    const std::vector<DeliveredRow> fromLittle = Exec(little.c_str());
    const std::vector<DeliveredRow> fromBig = Exec(big.c_str());
    ASSERT_EQ(fromLittle.size(), 5u);
    ASSERT_EQ(fromBig.size(), 5u);
    for (std::size_t y = 0; y < 5; ++y) EXPECT_EQ(fromLittle[y].pixels, fromBig[y].pixels) << y;
}

TEST(ReadFileExec, DeliversWidePicturesWhole) {
    // Every sample 2048 (index 127): blue 248, green 209, red 252 everywhere.
    const TempFile file(ErfOf(6000, 2, std::vector<std::uint16_t>(12000, 2048)));
    const std::vector<DeliveredRow> calls = Exec(file.c_str());
    ASSERT_EQ(calls.size(), 2u);
    std::vector<std::uint8_t> expected;
    for (int x = 0; x < 6000; ++x) expected.insert(expected.end(), {248, 209, 252});
    EXPECT_EQ(calls[0].pixels, expected);
    EXPECT_EQ(calls[1].pixels, expected);
}

TEST(ReadFileExec, DeliversNothingWithoutAPictureOrWhenItIsTooLarge) {
    const TempFile noSubIfds(BuildErf({.width = 5, .height = 3, .subIfdCount = 0}));
    const TempFile huge(BuildErf({.width = 100000, .height = 100000, .strip = std::vector<std::uint8_t>(16, 1)}));
    const TempFile beyond32Bits(BuildErf({.width = 0x80000000u, .height = 1}));
    const TempFile tall(BuildErf({.width = 1, .height = 0x80000000u}));
    // A file long enough for its 30000 x 24000 picture (a hole of zeros on
    // the disk), whose DIB no process can hold: the user is told which file
    // and what size, once. The others are refused without a word: there is
    // no picture, or the file cannot hold what it claims.
    const TempFile beyondMemory(BuildErf({.width = 30000, .height = 24000}));
    beyondMemory.Resize(30000ull * 24000 / 8);
    const struct {
        const char* path;
        std::string message;
    } cases[] = {
        {noSubIfds.c_str(), ""},
        {huge.c_str(), ""},
        {beyond32Bits.c_str(), ""},
        {tall.c_str(), ""},
        {"/nonexistent/photo.erf", ""},
        {beyondMemory.c_str(), std::string(program_invocation_short_name) + ": Picture too large for memory: " +
                                   beyondMemory.path() + " (30000 x 24000 pixels)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(Exec(c.path).empty());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    }
}

TEST(ReadFileExec, DecodesAtMostEightPixelsPerByteOfTheFile) {
    // The file's size does not depend on the numbers it holds: a picture of
    // exactly 8 pixels per byte is delivered, one more row is refused, while
    // the size query reports either as the file says.
    const std::size_t fileBytes = BuildErf({.width = 1, .height = 1}).size();
    const auto most = static_cast<std::uint32_t>(8 * fileBytes);
    for (const std::uint32_t width : {1u, 0u}) {  // a row of width 0 counts as one pixel
        const TempFile fits(BuildErf({.width = width, .height = most}));
        const TempFile claimsMore(BuildErf({.width = width, .height = most + 1}));
        ASSERT_EQ(fits.Read().size(), fileBytes);
        EXPECT_EQ(Exec(fits.c_str()).size(), most) << width;
        EXPECT_TRUE(Exec(claimsMore.c_str()).empty()) << width;
        EXPECT_EQ(SizeQuery(claimsMore.c_str()).Word(20), most + 1);
    }
    // With no rows nothing is delivered.
    constexpr std::uint32_t kWide = 10000000;
    const TempFile noRows(BuildErf({.width = kWide, .height = 0}));
    EXPECT_TRUE(Exec(noRows.c_str()).empty());
    // Two rows of 4 pixels need 32 bytes of strip; 8 of them still decode.
    const TempFile cutShort(BuildErf({.width = 4, .height = 2, .strip = std::vector<std::uint8_t>(8, 0x55)}));
    EXPECT_EQ(Exec(cutShort.c_str()).size(), 2u);
}

// A 12-bit sample for each pixel, different for each seed.
std::vector<std::uint16_t> Samples(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
    std::vector<std::uint16_t> samples(std::size_t{width} * height);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>((i * seed + seed) % 4096);
    return samples;
}

// Each decode has everything of its own. One started from inside another's
// LineCallback (a host opening a second picture while it handles the first
// one's rows), and one inside that, each deliver their whole picture, and
// the outer pictures' rows are those they give alone. The pictures differ in
// width, and the innermost is the outermost's own file.
TEST(ReadFileExec, ACallFromInsideALineCallbackDeliversItsOwnPictureWhole) {
    const TempFile file(ErfOf(9, 6, Samples(9, 6, 811)));
    const TempFile wider(ErfOf(23, 5, Samples(23, 5, 1237)));
    const Delivery alone = ReadRows(file.c_str());
    const Delivery widerAlone = ReadRows(wider.c_str());
    ASSERT_EQ(alone.rows.size(), 6u);
    ASSERT_EQ(widerAlone.rows.size(), 5u);

    Delivery nested;
    Delivery innermost;
    const Delivery outer = ReadRows(file.c_str(), [&](std::int32_t y) {
        if (y != 1) return;
        nested = ReadRows(wider.c_str(), [&](std::int32_t z) {
            if (z == 3) innermost = ReadRows(file.c_str());
        });
    });
    EXPECT_EQ(outer.result, 1);
    EXPECT_EQ(outer.Pixels(), alone.Pixels());
    EXPECT_EQ(nested.result, 1);
    EXPECT_EQ(nested.Pixels(), widerAlone.Pixels());
    EXPECT_EQ(innermost.Pixels(), alone.Pixels());
    EXPECT_EQ(innermost.rows.size(), 6u);
}

// An exception thrown by a LineCallback ends that call's rows (nothing is
// thrown across the export) and costs the next call nothing.
TEST(ReadFileExec, AfterACallbackThrowsTheNextCallDeliversEveryRow) {
    const TempFile file(ErfOf(9, 6, Samples(9, 6, 97)));
    const Delivery alone = ReadRows(file.c_str());
    const Delivery thrown = ReadRows(file.c_str(), [](std::int32_t y) {
        if (y == 2) throw std::runtime_error("the host cancels");
    });
    EXPECT_EQ(thrown.result, 1);
    EXPECT_EQ(thrown.rows.size(), 3u);
    const Delivery after = ReadRows(file.c_str());
    EXPECT_EQ(after.rows.size(), 6u);
    EXPECT_EQ(after.Pixels(), alone.Pixels());
}

// A callback that leaves by longjmp (a host's Cancel) never returns to the
// decode: that call's memory and open file are lost, nothing a later call
// needs. Run in a child that ends without the leak check at exit, which
// would report what the abandoned call held.
std::jmp_buf gLeave;

std::int32_t RUDI_CDECL LeaveAtRowTwo(std::int32_t y, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) {
    if (y == 2) std::longjmp(gLeave, 1);
    return 0;
}

int LeaveByLongjmpThenDecode(const char* path, const std::vector<std::uint8_t>& expected) {
    LineCallbackRecord callbacks{&LeaveAtRowTwo};
    if (setjmp(gLeave) == 0) {
        ReadFileExec(0, path, 0, 0, 0, &callbacks);
        return 8;  // the callback never let the call end
    }
    const Delivery after = ReadRows(path);
    return after.rows.size() == 6 && after.Pixels() == expected ? 7 : 9;
}

TEST(ReadFileExecDeathTest, AfterACallbackLeavesByLongjmpTheNextCallDeliversEveryRow) {
    const TempFile file(ErfOf(9, 6, Samples(9, 6, 313)));
    const std::vector<std::uint8_t> expected = ReadRows(file.c_str()).Pixels();
    EXPECT_EXIT(std::_Exit(LeaveByLongjmpThenDecode(file.c_str(), expected)), testing::ExitedWithCode(7), "");
}

// Two threads decode at once, again and again, the same file and two others:
// every call delivers its own picture whole.
TEST(ReadFileExec, TwoThreadsAtOnceEachGetTheirOwnPicture) {
    const TempFile files[] = {TempFile(ErfOf(64, 48, Samples(64, 48, 37))),
                              TempFile(ErfOf(70, 40, Samples(70, 40, 1237)))};
    const std::vector<std::uint8_t> expected[] = {ReadRows(files[0].c_str()).Pixels(),
                                                  ReadRows(files[1].c_str()).Pixels()};
    constexpr int kCalls = 40;
    const auto run = [&](int first, int& wrong) {
        for (int i = 0; i < kCalls; ++i) {
            const int which = (first + i / 2) % 2;  // both threads on one file half of the time
            if (ReadRows(files[which].c_str()).Pixels() != expected[which]) ++wrong;
        }
    };
    int wrong[2] = {0, 0};
    std::thread other(run, 1, std::ref(wrong[1]));
    run(0, wrong[0]);
    other.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
}

TEST(ReadFileExec, AWidthOfZeroStillGivesEveryRow) {
    const TempFile file(BuildErf({.width = 0, .height = 2}));
    const std::vector<DeliveredRow> calls = Exec(file.c_str());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].y, 1);
    EXPECT_EQ(calls[1].lastColumn, -1);
}

TEST(ReadFileExec, AStripOutOfReachGivesABlackPicture) {
    const TempFile file(
        BuildErf({.width = 4, .height = 2, .strip = std::vector<std::uint8_t>(32, 0x77), .stripOffset = 0x80000000u}));
    const std::vector<DeliveredRow> calls = Exec(file.c_str());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].pixels, std::vector<std::uint8_t>(12, 0));
    EXPECT_EQ(calls[1].pixels, std::vector<std::uint8_t>(12, 0));
}

}  // namespace
