#include "tiff/tiff_stream.h"

#include <gtest/gtest.h>

#include "platform/limits.h"
#include "tests/support/temp_file.h"

namespace {

// A stream over a temporary file, opened for reading or for writing.
struct StreamOn {
    explicit StreamOn(const TempFile& file, bool writing = false) {
        handle = CreateFileA(file.c_str(), writing ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                             writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        stream.SetHandle(handle);
    }
    ~StreamOn() { CloseHandle(handle); }
    HANDLE handle;
    TiffStream stream;
};

struct OrderCase {
    std::uint8_t flag;
    std::uint16_t read16;
    std::uint32_t read32;
};

TEST(TiffStream, ReadsInEitherByteOrder) {
    TempFile file({0x12, 0x34, 0x56, 0x78});
    // Any nonzero flag counts as little-endian.
    for (const OrderCase c :
         {OrderCase{0, 0x1234, 0x12345678}, OrderCase{1, 0x3412, 0x78563412}, OrderCase{7, 0x3412, 0x78563412}}) {
        StreamOn s(file);
        s.stream.SetByteOrder(c.flag);
        EXPECT_EQ(s.stream.Read16(), c.read16);
        s.stream.Seek(0);
        EXPECT_EQ(s.stream.Read32(), c.read32);
    }
}

TEST(TiffStream, BytesPastTheEndReadAsZero) {
    TempFile file({0x12, 0x34, 0x56});
    StreamOn s(file);
    s.stream.SetByteOrder(0);
    s.stream.Seek(1);
    EXPECT_EQ(s.stream.Read32(), 0x34560000u);
    EXPECT_EQ(s.stream.Read8(), 0);
    s.stream.Seek(2);
    EXPECT_EQ(s.stream.Read16(), 0x5600u);
    std::uint8_t bytes[4] = {9, 9, 9, 9};
    s.stream.Seek(1);
    EXPECT_EQ(s.stream.ReadBytes(bytes, 4), 2u);
    EXPECT_EQ(bytes[1], 0x56);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
}

TEST(TiffStream, SeekAddsTheBaseOffsetAndTellRemovesIt) {
    TempFile file(std::vector<std::uint8_t>(64, 0));
    StreamOn s(file);
    s.stream.SetBaseOffset(10);
    EXPECT_EQ(s.stream.Seek(5), 15u);
    EXPECT_EQ(s.stream.Tell(), 15u);
    EXPECT_EQ(s.stream.TellRelative(), 5);
    EXPECT_EQ(s.stream.SeekAbsolute(5), 5u);
    EXPECT_EQ(s.stream.TellRelative(), -5);
}

TEST(TiffStream, AnUnreachableSeekLeavesThePointer) {
    TempFile file(std::vector<std::uint8_t>(64, 0));
    StreamOn s(file);
    s.stream.Seek(20);
    s.stream.SetBaseOffset(10);
    EXPECT_EQ(s.stream.Seek(-11), INVALID_SET_FILE_POINTER);
    s.stream.SetBaseOffset(static_cast<std::int32_t>(kLargestFileOffset));
    EXPECT_EQ(s.stream.Seek(1), INVALID_SET_FILE_POINTER);  // the sum does not wrap
    EXPECT_EQ(s.stream.Tell(), 20u);
}

TEST(TiffStream, WritesTheLowBitsInStreamOrder) {
    TempFile big, little;
    {
        StreamOn s(big, true);
        s.stream.SetByteOrder(0);
        EXPECT_EQ(s.stream.Write16(0x00051234), 0);
        EXPECT_EQ(s.stream.Write32(0x01020304), 0);
        EXPECT_EQ(s.stream.Write8(0x1FF), 0);
    }
    {
        StreamOn s(little, true);
        s.stream.SetByteOrder(1);
        s.stream.Write16(0x00051234);
        s.stream.Write32(0x01020304);
        s.stream.Write8(0x1FF);
        EXPECT_EQ(s.stream.TellRelative(), 7);
    }
    EXPECT_EQ(big.Read(), (std::vector<std::uint8_t>{0x12, 0x34, 1, 2, 3, 4, 0xFF}));
    EXPECT_EQ(little.Read(), (std::vector<std::uint8_t>{0x34, 0x12, 4, 3, 2, 1, 0xFF}));
}

TEST(TiffStream, AFailedWriteReturnsOne) {
    TempFile file({1});
    StreamOn s(file);  // read access only
    EXPECT_EQ(s.stream.Write8(1), 1);
    EXPECT_EQ(s.stream.Write16(1), 1);
    EXPECT_EQ(s.stream.Write32(1), 1);
}

TEST(TiffStream, DestroyingAStreamLeavesTheFileOpen) {
    TempFile file({0x2A});
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    {
        TiffStream stream;
        stream.SetHandle(handle);
    }
    std::uint8_t byte = 0;
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(handle, &byte, 1, &got, nullptr));
    EXPECT_EQ(byte, 0x2A);
    EXPECT_TRUE(CloseHandle(handle));
}

}  // namespace
