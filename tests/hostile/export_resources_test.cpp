// Every export, on every kind of file the host may hand it, leaves behind no
// global memory object, no file handle and no open descriptor: called many
// times by the host, a leak on any path would use them all up.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "platform/win32.h"
#include "plugin/exports.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/support/byte_builder.h"
#include "tests/support/erf_builder.h"
#include "tests/support/temp_file.h"
#include "tiff/tag_numbers.h"

namespace {

struct FileCase {
    std::string name;
    std::optional<std::vector<std::uint8_t>> bytes;  // none: the file does not exist
    bool lockedElsewhere = false;                    // another opener holds it without sharing
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

// A raw directory without ImageWidth: IFD0 at 8 names the raw directory at 26.
std::vector<std::uint8_t> WithoutImageWidth() {
    ByteBuilder file(true);
    file.Header(8).U16(1).Entry(kTagSubIFDs, kTypeLong, 1, 26).U32(0);
    file.U16(1).Entry(kTagImageLength, kTypeLong, 1, 3).U32(0);
    return file.bytes();
}

std::vector<FileCase> FileCases() {
    const std::vector<std::uint8_t> picture =
        BuildErf({.width = 12, .height = 5, .strip = std::vector<std::uint8_t>(80, 0x5A)});
    std::vector<FileCase> cases = {
        {"MissingFile", std::nullopt},
        {"LockedFile", picture, true},
        {"BadByteOrderMark", Text("IMxxxxxxxxxx")},
        {"BadMagic", Text(std::string("II+") + '\0' + "xxxxxxxx")},
        {"NoSubIfds", BuildErf({.width = 4, .height = 2, .subIfdCount = 0})},
        {"NoImageWidth", WithoutImageWidth()},
        {"WidthZero", BuildErf({.width = 0, .height = 3})},
        {"NormalPicture", picture},
    };
    for (HostileFile& hostile : HostileFiles()) cases.push_back({"Hostile" + hostile.name, std::move(hostile.bytes)});
    return cases;
}

std::size_t OpenDescriptors() {
    const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

struct Resources {
    std::size_t globalBlocks = StandInLiveGlobalBlocks();
    std::size_t fileHandles = StandInOpenFileHandles();
    std::size_t descriptors = OpenDescriptors();
};

std::int32_t RUDI_CDECL IgnoreRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) { return 0; }

struct Export {
    const char* name;
    std::function<std::int32_t(const char* path)> call;
};

const std::vector<Export>& Exports() {
    static const std::vector<Export> exports = {
        {"ReadFileDllInfo",
         [](const char*) {
             DllInfoRecord info{};
             return ReadFileDllInfo(0, &info);
         }},
        {"ReadFileInit", [](const char*) { return ReadFileInit(); }},
        {"ReadFileInfo",
         [](const char*) {
             FormatInfoRecord info{};
             return ReadFileInfo(0, &info);
         }},
        {"ReadFileGetSize",
         [](const char* path) {
             ImageSizeRecord size{};
             std::uint8_t block[kBlock40Bytes];
             return ReadFileGetSize(0, path, &size, block);
         }},
        {"ReadFileExec",
         [](const char* path) {
             LineCallbackRecord callbacks{IgnoreRow};
             return ReadFileExec(0, path, 0, 0, 0, &callbacks);
         }},
    };
    return exports;
}

class ExportResourcesTest : public testing::TestWithParam<FileCase> {};

TEST_P(ExportResourcesTest, EveryExportLeavesNothingOpen) {
    const FileCase& c = GetParam();
    const TempFile file(c.bytes.value_or(std::vector<std::uint8_t>{}));
    const std::string path = c.bytes ? file.path() : file.path() + ".missing";
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (c.lockedElsewhere) {
        holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    }
    testing::internal::CaptureStderr();  // the header errors' message boxes
    for (const Export& e : Exports()) {
        const Resources before;
        EXPECT_EQ(e.call(path.c_str()), 1) << e.name;
        const Resources after;
        EXPECT_EQ(after.globalBlocks, before.globalBlocks) << e.name << ": global memory objects";
        EXPECT_EQ(after.fileHandles, before.fileHandles) << e.name << ": file handles";
        EXPECT_EQ(after.descriptors, before.descriptors) << e.name << ": descriptors";
    }
    testing::internal::GetCapturedStderr();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
}

INSTANTIATE_TEST_SUITE_P(Files, ExportResourcesTest, testing::ValuesIn(FileCases()),
                         [](const testing::TestParamInfo<FileCase>& test) { return test.param.name; });

}  // namespace
