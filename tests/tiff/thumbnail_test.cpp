#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/byte_builder.h"
#include "tests/support/memory_limit.h"
#include "tests/support/temp_file.h"
#include "tiff/thumbnail.h"

namespace {

constexpr std::uint32_t kPixelsAt = 8 + 2 + 8 * 12 + 4 + 6;

// IFD0 as a camera writes its preview: 8-bit RGB, uncompressed, one strip of
// `width` x `height` pixels at kPixelsAt, followed by `pixels` in the file.
std::vector<std::uint8_t> ThumbnailFile(std::uint32_t width, std::uint32_t height,
                                        const std::vector<std::uint8_t>& pixels) {
    ByteBuilder file(true);
    file.Header(8).U16(8);
    file.Entry(256, 4, 1, width).Entry(257, 4, 1, height).Entry(258, 3, 3, kPixelsAt - 6).Entry(259, 3, 1, 1);
    file.Entry(262, 3, 1, 2).Entry(273, 4, 1, kPixelsAt).Entry(279, 4, 1, 3 * width * height).Entry(284, 3, 1, 1);
    file.U32(0).U16(8).U16(8).U16(8).Bytes(pixels);
    return file.bytes();
}

TEST(Thumbnail, ReadsTheStripOrSaysWhyNot) {
    const std::vector<std::uint8_t> two = {1, 2, 3, 4, 5, 6};
    const struct {
        const char* what;
        std::vector<std::uint8_t> file;
        const char* problem;  // empty when the thumbnail reads
    } cases[] = {
        {"whole", ThumbnailFile(2, 1, two), ""},
        {"one pixel short", ThumbnailFile(2, 1, {1, 2, 3}), "the thumbnail's strips end before its 2 x 1 pixels"},
        {"larger than the file", ThumbnailFile(100, 100, two), "the thumbnail (100 x 100) is larger than the file"},
        {"no picture", ThumbnailFile(0, 1, two), "no thumbnail in the file"},
        {"not a TIFF file", {'n', 'o', 't', ' ', 'T', 'I', 'F', 'F'}, "no thumbnail in the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFile file(c.file);
        ErfFile erf;
        erf.showErrors = false;
        erf.Open(file.c_str());
        std::uint32_t width = 0, height = 0;
        std::vector<std::uint8_t> rgb;
        std::string problem;
        EXPECT_EQ(ReadThumbnail(file.c_str(), erf, width, height, rgb, problem), *c.problem == '\0');
        EXPECT_EQ(problem.substr(0, std::string(c.problem).size()), c.problem);
        if (problem.empty()) {
            EXPECT_EQ(rgb, two);
        }
    }
}

#if RUDI_CAN_BOUND_MEMORY
// A thumbnail of 768 MiB in a file that large (a hole of zeros), read with
// 64 MiB more address space than the process has: refused, not thrown.
int ReadUnderMemoryLimit(const char* path) {
    LimitAddressSpaceToCurrentPlus(64u << 20);
    ErfFile erf;
    erf.Open(path);
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::string problem;
    const bool read = ReadThumbnail(path, erf, width, height, rgb, problem);
    return !read && problem == "the thumbnail (16384 x 16384) is too large for memory" ? 7 : 8;
}

TEST(ThumbnailDeathTest, OneLargerThanMemoryIsRefused) {
    if (UnderEmulator()) GTEST_SKIP() << "an address-space bound under qemu bounds the emulator";
    const TempFile file(ThumbnailFile(16384, 16384, {}));
    file.Resize(kPixelsAt + 3ull * 16384 * 16384);
    EXPECT_EXIT(std::_Exit(ReadUnderMemoryLimit(file.c_str())), testing::ExitedWithCode(7), "");
}
#endif

}  // namespace
