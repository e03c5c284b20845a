// The picture reader on hostile PNG and PPM files: each is read or refused
// with one message, and no size a header claims is allocated before the file
// is known to hold it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/support/temp_file.h"
#include "tools/make_erf/picture_file.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG signature and the header of an 8-bit RGB picture, then `rest`.
std::vector<std::uint8_t> PngHeader(std::uint32_t width, std::uint32_t height, const std::string& rest = "") {
    std::vector<std::uint8_t> png = Bytes("\x89PNG\r\n\x1a\n");
    PutBigEndian(png, 13);
    const std::size_t type = png.size();
    for (const char c : std::string("IHDR")) png.push_back(static_cast<std::uint8_t>(c));
    PutBigEndian(png, width);
    PutBigEndian(png, height);
    for (const int b : {8, 2, 0, 0, 0}) png.push_back(static_cast<std::uint8_t>(b));
    PutBigEndian(png, static_cast<std::uint32_t>(crc32(0, png.data() + type, static_cast<uInt>(png.size() - type))));
    png.insert(png.end(), rest.begin(), rest.end());
    return png;
}

// A chunk's length and type, without its data or checksum.
std::string ChunkHead(std::uint32_t length, const char* type) {
    std::vector<std::uint8_t> head;
    PutBigEndian(head, length);
    return std::string(head.begin(), head.end()) + type;
}

// A whole chunk: length, type, data and checksum.
std::string Chunk(const char* type, const std::string& data) {
    const std::string typed = type + data;
    std::vector<std::uint8_t> crc;
    PutBigEndian(crc, static_cast<std::uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
    return ChunkHead(static_cast<std::uint32_t>(data.size()), type) + data + std::string(crc.begin(), crc.end());
}

// An empty image data chunk: libpng reads the header up to it.
const std::string kEmptyIdat = Chunk("IDAT", "");

TEST(ReadPicture, RefusesHostileFilesWithOneMessage) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string message;  // the start of the message
    } cases[] = {
        {"a PPM claiming 16384 x 16384 in 6 bytes", Bytes("P6\n16384 16384\n255\n" + std::string(6, '\0')),
         "the PPM picture is cut short"},
        {"a 16-bit PPM cut short", Bytes("P6\n1 1\n65535\n" + std::string(5, '\0')), "the PPM picture is cut short"},
        {"a PPM whose size wraps in 64 bits", Bytes("P6\n4294967296 4294967296\n255\n"),
         "the picture's 4294967296 x 4294967296 pixels pass the largest picture read"},
        {"a PPM of one very long row", Bytes("P6\n9999999999 1\n255\n"), "the picture's 9999999999 x 1 pixels pass"},
        {"a PPM number of 11 digits", Bytes("P6\n99999999999 1\n255\n"), "not a binary PPM (P6) picture"},
        {"a negative PPM width", Bytes("P6\n-1 1\n255\n"), "not a binary PPM (P6) picture"},
        {"a PPM of maxval 0", Bytes("P6\n1 1\n0\n\1\1\1"), "unsupported PPM size or depth"},
        {"a PPM of maxval 65536", Bytes("P6\n1 1\n65536\n"), "unsupported PPM size or depth"},
        {"a PPM of width 0", Bytes("P6\n0 1\n255\n"), "unsupported PPM size or depth"},
        {"a PPM header cut in a comment", Bytes("P6\n# no size"), "not a binary PPM (P6) picture"},
        {"a PNG claiming 16384 x 16384 in 45 bytes", PngHeader(16384, 16384, kEmptyIdat),
         "the PNG picture claims 16384 x 16384 pixels, more than its 45 bytes can hold"},
        {"a PNG claiming 1 x 100000000", PngHeader(1, 100000000), "the PNG picture cannot be read ("},
        {"a PNG without image data", PngHeader(2, 2, kEmptyIdat), "the PNG picture cannot be read ("},
        // libpng would take the 671 MB the chunk claims before reading it.
        {"a PNG whose eXIf chunk claims 671 MB", PngHeader(2, 2, ChunkHead(671088832, "eXIf") + "II*"),
         "the PNG picture is cut short (a chunk of 671088832 bytes at byte 33 passes the end of its 44 bytes)"},
        {"a PNG cut in its image data", PngHeader(2, 2, ChunkHead(32, "IDAT") + "x"), "the PNG picture is cut short"},
        {"a PNG signature alone", Bytes("\x89PNG\r\n\x1a\n"), "the PNG picture cannot be read ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFile file(c.bytes);
        Picture picture;
        std::string error;
        EXPECT_FALSE(ReadPicture(file.path(), picture, error));
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    }
}

// Chunk lengths are checked up to IEND only: what follows it is not the
// picture's, as libpng reads no further either.
TEST(ReadPicture, ReadsAPngWithBytesAfterItsEnd) {
    const std::string row("\0\x10\x20\x30", 4);  // filter 0, then red, green, blue
    std::string deflated(compressBound(static_cast<uLong>(row.size())), '\0');
    uLongf size = static_cast<uLongf>(deflated.size());
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(deflated.data()), &size, reinterpret_cast<const Bytef*>(row.data()),
                       static_cast<uLong>(row.size())),
              Z_OK);
    deflated.resize(size);
    const TempFile file(PngHeader(1, 1, Chunk("IDAT", deflated) + Chunk("IEND", "") + ChunkHead(0xFFFFFFF0, "junk")));
    Picture picture;
    std::string error;
    ASSERT_TRUE(ReadPicture(file.path(), picture, error)) << error;
    EXPECT_EQ(picture.pixels, (std::vector<std::uint8_t>{0x30, 0x20, 0x10}));
}

TEST(ReadPicture, ReadsA16BitPpmToItsNearestLevels) {
    const TempFile file(Bytes("P6 # one pixel\n1 1\n65535\n" + std::string("\xFF\xFF\x80\x00\x00\x00", 6)));
    Picture picture;
    std::string error;
    ASSERT_TRUE(ReadPicture(file.path(), picture, error)) << error;
    EXPECT_EQ(picture.width, 1);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.pixels, (std::vector<std::uint8_t>{0, 128, 255}));
}

}  // namespace
