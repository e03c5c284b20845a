#include <gtest/gtest.h>

#include <string>

#include "tests/support/byte_builder.h"
#include "tests/support/temp_file.h"
#include "tiff/photo_file.h"
#include "tiff/tag_numbers.h"

namespace {

// IFD0 (at 8) naming the raw directory (50), the Exif directory and the GPS
// directory where told; the Exif directory at 68 holds ExposureTime 1/125
// and a tag no dictionary names, the GPS directory at 106 GPSVersionID.
constexpr std::uint32_t kIfd0 = 8, kRaw = 50, kExif = 68, kGps = 106;

std::vector<std::uint8_t> PhotoBytes(std::uint32_t exifPointer, std::uint32_t gpsPointer) {
    ByteBuilder b;
    b.Header(kIfd0).U16(3);
    b.Entry(kTagSubIFDs, 4, 1, kRaw).Entry(kTagExifIFDPointer, 4, 1, exifPointer);
    b.Entry(kTagGPSInfoIFDPointer, 4, 1, gpsPointer).U32(0);
    b.U16(1).Entry(kTagImageWidth, 3, 1, 3).U32(0);
    b.U16(2).Entry(33434, 5, 1, 98).Entry(0xC000, 3, 1, 7).U32(0).U32(1).U32(125);
    b.U16(1).InlineEntry(0, 1, 4, {2, 3, 0, 0}).U32(0);
    return b.bytes();
}

std::string Listing(const TiffIfd& ifd) {
    std::string out;
    for (const TiffTag* tag : ifd.InTagOrder()) {
        out += tag->name;
        for (std::uint32_t value : tag->values) out += " " + std::to_string(value);
        out += ";";
    }
    return out;
}

// The Exif and GPS directories are read whole, a tag without a name kept by
// its number; a pointer that names IFD0, the raw directory or the other
// photo directory reads nothing, and leaves the rest as read.
TEST(PhotoFile, ReadsTheExifAndGpsDirectoriesOnlyWhereTheyAreTheirOwn) {
    const std::string exif = "ExposureTime 1 125;Tag0xC000 7;";
    const std::string gps = "GPSVersionID 2 3 0 0;";
    const struct {
        const char* what;
        std::uint32_t exifPointer, gpsPointer;
        std::string exif, gps;
    } cases[] = {
        {"both their own", kExif, kGps, exif, gps},
        {"Exif names IFD0", kIfd0, kGps, "", gps},
        {"Exif names the raw directory", kRaw, kGps, "", gps},
        {"GPS names the Exif directory", kExif, kExif, exif, ""},
        {"GPS names IFD0", kExif, kIfd0, exif, ""},
        {"neither named", 0, 0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFile file(PhotoBytes(c.exifPointer, c.gpsPointer));
        PhotoFile photo;
        ASSERT_EQ(photo.Open(file.path().c_str()), 0);
        EXPECT_EQ(Listing(photo.exifIfd), c.exif);
        EXPECT_EQ(Listing(photo.gpsIfd), c.gps);
        EXPECT_EQ(photo.rawIfd.FirstValue("ImageWidth"), 3u);
    }
}

// What the module files for IFD0 and the raw directory is the same whether
// the photo directories are read or not.
TEST(PhotoFile, FilesIfd0AndTheRawDirectoryAsTheModuleDoes) {
    const TempFile file(PhotoBytes(kExif, kGps));
    ErfFile erf;
    PhotoFile photo;
    ASSERT_EQ(erf.Open(file.path().c_str()), 0);
    ASSERT_EQ(photo.Open(file.path().c_str()), 0);
    EXPECT_EQ(Listing(photo.mainIfd), Listing(erf.mainIfd));
    EXPECT_EQ(Listing(photo.rawIfd), Listing(erf.rawIfd));
}

}  // namespace
