#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/cp932.h"

namespace {

constexpr std::uint8_t kPattern = 0xA5;

// A record inside a larger block filled with a pattern, to show which bytes a call writes.
template <typename Record>
struct Patterned {
    Patterned() { std::memset(bytes, kPattern, sizeof bytes); }
    Record* record() { return reinterpret_cast<Record*>(bytes); }
    alignas(8) std::uint8_t bytes[sizeof(Record) + 64];
};

void ExpectBytes(const std::uint8_t* bytes, std::size_t size,
                 const std::vector<std::pair<std::size_t, std::string>>& writes) {
    std::vector<std::uint8_t> expected(size, kPattern);
    for (const auto& [offset, data] : writes) std::memcpy(expected.data() + offset, data.data(), data.size());
    for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST(ReadFileDllInfo, WritesZeroAndTheShiftJisDescriptionOnly) {
    Patterned<DllInfoRecord> info;
    EXPECT_EQ(ReadFileDllInfo(0, info.record()), 1);
    const std::string description = Utf8ToCp932("Velna用のERF読み込みDLL by Tobrell");
    ASSERT_EQ(description.size(), 34u);
    ExpectBytes(info.bytes, sizeof info.bytes, {{0, std::string(4, '\0')}, {4, description + std::string(1, '\0')}});
}

TEST(ReadFileInfo, WritesExtensionNameAndFourFlagsOnly) {
    Patterned<FormatInfoRecord> info;
    EXPECT_EQ(ReadFileInfo(12345, info.record()), 1);
    const std::string one("\x01\x00\x00\x00", 4);
    ExpectBytes(info.bytes, sizeof info.bytes,
                {{0, std::string("erf", 4)}, {256, std::string("EPSON RAW", 10)}, {512, one + one + one + one}});
}

TEST(ReadFileInit, DoesNothingAndMayBeCalledAnyTime) {
    EXPECT_EQ(ReadFileInit(), 1);
    Patterned<DllInfoRecord> info;
    ReadFileDllInfo(0, info.record());
    EXPECT_EQ(ReadFileInit(), 1);
    EXPECT_EQ(ReadFileInit(), 1);
}

}  // namespace
