#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/temp_file.h"

namespace {

HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(CreateFileA, MissingFileFailsWithFileNotFound) {
    EXPECT_EQ(OpenForReading("/nonexistent/rudi/file.erf"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(CreateFileA, DirectoryIsRefused) {
    EXPECT_EQ(OpenForReading("/tmp"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(CreateFileA, ShareModeZeroRefusesASecondOpenerUntilClosed) {
    TempFile file({1, 2, 3});
    HANDLE first = OpenForReading(file.c_str());
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenForReading(file.c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    // A refused writer must not have truncated the file.
    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.Read().size(), 3u);
    ASSERT_TRUE(CloseHandle(first));
    HANDLE again = OpenForReading(file.c_str());
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST(CreateFileA, CreateAlwaysTruncatesAndWrites) {
    TempFile file({9, 9, 9, 9, 9});
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const std::uint8_t bytes[] = {0xAB, 0xCD};
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, bytes, 2, &written, nullptr));
    EXPECT_EQ(written, 2u);
    CloseHandle(h);
    EXPECT_EQ(file.Read(), (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST(ReadFile, ReportsTheBytesReadAndSucceedsAtTheEnd) {
    TempFile file({1, 2, 3});
    HANDLE h = OpenForReading(file.c_str());
    std::uint8_t buffer[8] = {};
    DWORD got = 99;
    EXPECT_TRUE(ReadFile(h, buffer, 8, &got, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_TRUE(ReadFile(h, buffer, 8, &got, nullptr));
    EXPECT_EQ(got, 0u);
    CloseHandle(h);
}

TEST(ReadFile, WriteOnlyAndInvalidHandlesFail) {
    std::uint8_t byte = 0;
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    TempFile file;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_FALSE(ReadFile(h, &byte, 1, &got, nullptr));
    CloseHandle(h);
}

TEST(SetFilePointer, MovesFromTheStartOrTheCurrentPosition) {
    TempFile file({0, 1, 2, 3, 4, 5, 6, 7});
    HANDLE h = OpenForReading(file.c_str());
    EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_CURRENT), 3u);
    std::uint8_t byte = 0;
    DWORD got = 0;
    ReadFile(h, &byte, 1, &got, nullptr);
    EXPECT_EQ(byte, 3);
    // Beyond the end is a valid position; reads there deliver nothing.
    EXPECT_EQ(SetFilePointer(h, 100, nullptr, FILE_BEGIN), 100u);
    CloseHandle(h);
}

TEST(GetFileSize, TellsTheWholeSizeWhereverThePointerIs) {
    TempFile file({0, 1, 2, 3, 4, 5, 6, 7});
    HANDLE h = OpenForReading(file.c_str());
    SetFilePointer(h, 3, nullptr, FILE_BEGIN);
    EXPECT_EQ(GetFileSize(h, nullptr), 8u);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(h, &high), 8u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 3u);
    CloseHandle(h);
    // Beyond 4 GiB the high part carries the rest (a sparse file: no disk used).
    std::filesystem::resize_file(file.path(), 0x100000005ull);
    h = OpenForReading(file.c_str());
    EXPECT_EQ(GetFileSize(h, &high), 5u);
    EXPECT_EQ(high, 1u);
    CloseHandle(h);
    EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(SetFilePointer, ANegativePositionIsRefusedAndThePointerStays) {
    TempFile file({0, 1, 2, 3});
    HANDLE h = OpenForReading(file.c_str());
    SetFilePointer(h, 2, nullptr, FILE_BEGIN);
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 2u);
    CloseHandle(h);
}

TEST(GlobalMemory, ZeroedMovableBlockRoundTripsThroughItsHandle) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000);
    ASSERT_NE(memory, nullptr);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(memory));
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(static_cast<void*>(bytes), memory);  // a movable block's handle is not its address
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(bytes[i], 0) << i;
    bytes[999] = 7;  // the whole block is usable
    EXPECT_EQ(GlobalHandle(bytes), memory);
    EXPECT_FALSE(GlobalUnlock(GlobalHandle(bytes)));  // unlocked now
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_EQ(GlobalFree(memory), nullptr);
}

TEST(GlobalMemory, LocksAreCountedAndAnUnlockedBlockCannotBeUnlocked) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 16);
    void* first = GlobalLock(memory);
    EXPECT_EQ(GlobalLock(memory), first);
    EXPECT_TRUE(GlobalUnlock(memory));  // still locked once
    EXPECT_FALSE(GlobalUnlock(memory));
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_FALSE(GlobalUnlock(memory));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_EQ(GlobalFree(memory), nullptr);
}

// A movable block of 0 bytes is discarded from the start: its handle is real
// and must be freed, but it has no memory, so its lock is null, and the null
// lock leads back to no handle.
TEST(GlobalMemory, AMovableBlockOfZeroBytesIsDiscarded) {
    const std::size_t before = StandInLiveGlobalBlocks();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(StandInLiveGlobalBlocks(), before + 1);
    EXPECT_EQ(GlobalLock(memory), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DISCARDED);
    EXPECT_EQ(GlobalHandle(nullptr), nullptr);
    EXPECT_EQ(GlobalFree(memory), nullptr);
    EXPECT_EQ(StandInLiveGlobalBlocks(), before);
}

TEST(GlobalMemory, AFixedBlockIsItsOwnAddressAndHasNoLockCount) {
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, 8);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(GlobalLock(memory), memory);
    EXPECT_EQ(GlobalHandle(memory), memory);
    EXPECT_TRUE(GlobalUnlock(memory));  // fixed memory: always TRUE
    EXPECT_TRUE(GlobalUnlock(memory));
    EXPECT_EQ(GlobalFree(memory), nullptr);
}

TEST(GlobalMemory, ALockedBlockIsFreedAndAFreedHandleIsRefused) {
    const std::size_t before = StandInLiveGlobalBlocks();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 32);
    void* bytes = GlobalLock(memory);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(GlobalFree(memory), nullptr);
    EXPECT_EQ(StandInLiveGlobalBlocks(), before);
    EXPECT_EQ(GlobalHandle(bytes), nullptr);
    EXPECT_EQ(GlobalLock(memory), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(memory), memory);  // failure: the handle comes back
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, AnImpossibleSizeFails) {
    const std::size_t before = StandInLiveGlobalBlocks();
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, ~SIZE_T{0}), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(StandInLiveGlobalBlocks(), before);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

TEST(CloseHandle, CountsOpenHandlesAndRefusesAClosedOne) {
    TempFile file({1});
    const std::size_t before = StandInOpenFileHandles();
    HANDLE h = OpenForReading(file.c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(StandInOpenFileHandles(), before + 1);
    EXPECT_EQ(OpenForReading(file.c_str()), INVALID_HANDLE_VALUE);  // a refused opener holds nothing
    EXPECT_EQ(StandInOpenFileHandles(), before + 1);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(StandInOpenFileHandles(), before);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(WsprintfA, FormatsTheConversionsTheModuleUses) {
    char out[1024];
    wsprintfA(out, " %u", 4294967295u);
    EXPECT_STREQ(out, " 4294967295");
    wsprintfA(out, " %d", static_cast<int>(0xFFFFFFFBu));
    EXPECT_STREQ(out, " -5");
    wsprintfA(out, " %u/%u", 300u, 1u);
    EXPECT_STREQ(out, " 300/1");
    wsprintfA(out, "%02x ", 0xABu);
    EXPECT_STREQ(out, "ab ");
    wsprintfA(out, "%02x ", 1u);
    EXPECT_STREQ(out, "01 ");
    wsprintfA(out, "%s_%u", "Compression", 1u);
    EXPECT_STREQ(out, "Compression_1");
    EXPECT_EQ(wsprintfA(out, "TIFF endian error: %s", "a.erf"), 24);
    EXPECT_STREQ(out, "TIFF endian error: a.erf");
}

TEST(WsprintfA, StopsAt1024BytesWithTheTerminator) {
    const std::string longText(3000, 'x');
    char out[2048];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(wsprintfA(out, "name: %s", longText.c_str()), 1023);
    EXPECT_EQ(std::strlen(out), 1023u);
    EXPECT_EQ(out[1024], '#');
}

TEST(MessageBoxA, WritesTheTextAsOneLineToStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "TIFFID error: x.erf", nullptr, MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string(program_invocation_short_name) + ": TIFFID error: x.erf\n");
}

}  // namespace
