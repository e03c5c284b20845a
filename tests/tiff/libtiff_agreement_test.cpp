// Files written through the directory writer, read back by libtiff.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>

#include "tests/support/temp_file.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

namespace {

constexpr std::uint32_t kWidth = 5;
constexpr std::uint32_t kHeight = 3;

std::vector<std::uint8_t> Pixels() {
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 17 + 3);
    return pixels;
}

// Writes header, IFD0 and strip through the library, the way a TIFF writer would.
class TiffFile {
public:
    explicit TiffFile(bool littleEndian) {
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ifd.SetHandle(handle);
        ifd.SetByteOrder(littleEndian ? 1 : 0);
        const std::uint8_t mark = littleEndian ? 'I' : 'M';
        ifd.Write8(mark);
        ifd.Write8(mark);
        ifd.Write16(42);
        ifd.Write32(8);
        const std::uint32_t stripOffset = 400;
        const std::uint32_t stripBytes = kWidth * kHeight * 3;
        const std::uint16_t bits[3] = {8, 8, 8};
        const std::uint16_t one = 1, rgb = 2, inch = 2, three = 3, height = kHeight;
        const std::uint32_t resolution[2] = {300, 1};
        ifd.SetTag(kTagImageWidth, kTypeLong, 1, &kWidth);
        ifd.SetTag(kTagImageLength, kTypeShort, 1, &height);
        ifd.SetTag(kTagBitsPerSample, kTypeShort, 3, bits);
        ifd.SetTag(kTagCompression, kTypeShort, 1, &one);
        ifd.SetTag(kTagPhotometricInterpretation, kTypeShort, 1, &rgb);
        ifd.SetTag(kTagStripOffsets, kTypeLong, 1, &stripOffset);
        ifd.SetTag(kTagSamplesPerPixel, kTypeShort, 1, &three);
        ifd.SetTag(kTagRowsPerStrip, kTypeLong, 1, &kHeight);
        ifd.SetTag(kTagStripByteCounts, kTypeLong, 1, &stripBytes);
        ifd.SetTag(kTagXResolution, kTypeRational, 1, resolution);
        ifd.SetTag(kTagYResolution, kTypeRational, 1, resolution);
        ifd.SetTag(kTagResolutionUnit, kTypeShort, 1, &inch);
        ifd.SetTag(kTagMake, kTypeAscii, 6, "EPSON");
        ifd.SetTag(kTagDateTime, kTypeAscii, 20, "2026:12:10 12:34:56");
        ifd.WriteIfd(0);
        ifd.Seek(400);
        for (const std::uint8_t byte : Pixels()) ifd.Write8(byte);
        CloseHandle(handle);
    }

    TempFile file;
    TiffIfd ifd;
};

class Libtiff {
public:
    explicit Libtiff(const TempFile& file) : tiff_(TIFFOpen(file.c_str(), "r")) {}
    ~Libtiff() {
        if (tiff_ != nullptr) TIFFClose(tiff_);
    }
    TIFF* get() const { return tiff_; }

private:
    TIFF* tiff_;
};

TEST(LibtiffAgreement, ReadsEveryTagAndThePixelsInBothOrders) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        TiffFile written(little);
        Libtiff tiff(written.file);
        ASSERT_NE(tiff.get(), nullptr);
        EXPECT_EQ(TIFFIsBigEndian(tiff.get()), little ? 0 : 1);
        std::uint32_t width = 0, height = 0, rowsPerStrip = 0;
        std::uint16_t bits = 0, compression = 0, photometric = 0, samples = 0, unit = 0;
        float xResolution = 0, yResolution = 0;
        char* make = nullptr;
        char* dateTime = nullptr;
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_COMPRESSION, &compression));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &xResolution));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_YRESOLUTION, &yResolution));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_MAKE, &make));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_DATETIME, &dateTime));
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(compression, COMPRESSION_NONE);
        EXPECT_EQ(photometric, PHOTOMETRIC_RGB);
        EXPECT_EQ(samples, 3);
        EXPECT_EQ(rowsPerStrip, kHeight);
        EXPECT_FLOAT_EQ(xResolution, 300.0f);
        EXPECT_FLOAT_EQ(yResolution, 300.0f);
        EXPECT_EQ(unit, RESUNIT_INCH);
        EXPECT_STREQ(make, "EPSON");
        EXPECT_STREQ(dateTime, "2026:12:10 12:34:56");
        std::vector<std::uint8_t> strip(kWidth * kHeight * 3);
        EXPECT_EQ(TIFFReadEncodedStrip(tiff.get(), 0, strip.data(), static_cast<tmsize_t>(strip.size())),
                  static_cast<tmsize_t>(strip.size()));
        EXPECT_EQ(strip, Pixels());
    }
}

TEST(LibtiffAgreement, SeesAnEntryRewrittenInPlace) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        TiffFile written(little);
        HANDLE handle =
            CreateFileA(written.file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        written.ifd.SetHandle(handle);
        const std::uint32_t dpi[2] = {600, 2};
        ASSERT_EQ(written.ifd.SetValues("XResolution", 1, dpi), 0);
        ASSERT_EQ(written.ifd.SetValues("Make", 6, "SEIKO"), 0);
        EXPECT_EQ(written.ifd.RewriteEntry("XResolution"), 0);
        EXPECT_EQ(written.ifd.RewriteEntry("Make"), 0);
        CloseHandle(handle);
        Libtiff tiff(written.file);
        ASSERT_NE(tiff.get(), nullptr);
        float xResolution = 0;
        char* make = nullptr;
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &xResolution));
        EXPECT_TRUE(TIFFGetField(tiff.get(), TIFFTAG_MAKE, &make));
        EXPECT_FLOAT_EQ(xResolution, 300.0f);
        EXPECT_STREQ(make, "SEIKO");
        std::vector<std::uint8_t> strip(kWidth * kHeight * 3);
        TIFFReadEncodedStrip(tiff.get(), 0, strip.data(), static_cast<tmsize_t>(strip.size()));
        EXPECT_EQ(strip, Pixels());
    }
}

}  // namespace
