#include "tools/make_erf/erf_writer.h"

#include <algorithm>
#include <cerrno>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "develop/tone_curves.h"
#include "platform/win32.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

namespace {

// Compression of the camera's raw strip, "packed raw" as ExifTool names it:
// with it dcraw and ExifTool read the strip as the camera's.
constexpr std::uint16_t kPackedRaw = 32769;

using LevelTable = std::array<std::uint16_t, 256>;

LevelTable BuildLevelTable(MosaicColour colour) {
    LevelTable table{};
    for (int level = 0; level < 256; ++level) {
        // Find the developed level nearest to the target (the lower one on a
        // tie) and its run of samples.
        int best = -1;
        for (std::uint32_t s = 0; s <= kLargestSample; ++s) {
            const int developed = DevelopedLevel(colour, s);
            if (best < 0 || std::abs(developed - level) < std::abs(best - level)) best = developed;
        }
        int first = -1, last = -1;
        for (std::uint32_t s = 0; s <= kLargestSample; ++s) {
            if (DevelopedLevel(colour, s) != best) continue;
            if (first < 0) first = static_cast<int>(s);
            last = static_cast<int>(s);
        }
        table[static_cast<std::size_t>(level)] = static_cast<std::uint16_t>((first + last) / 2);
    }
    return table;
}

// A mosaic colour's byte in a pixel.
constexpr int kByteOfColour[3] = {kRedByte, kGreenByte, kBlueByte};

std::vector<std::uint8_t> RawStrip(const Picture& picture) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint64_t rowBytes = PackedRowBytes(width);
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(rowBytes * height), 0);
    std::vector<std::uint16_t> samples(width);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const MosaicColour colour = MosaicColourAt(x, y);
            samples[x] = SampleForLevel(colour, picture.At(x, y)[kByteOfColour[colour]]);
        }
        PackRow(samples.data(), width, strip.data() + rowBytes * y);
    }
    return strip;
}

// The thumbnail's strip: red, green, blue as TIFF stores them.
std::vector<std::uint8_t> Thumbnail(const Picture& picture, std::uint32_t& width, std::uint32_t& height) {
    width = std::max(1u, static_cast<std::uint32_t>(picture.width) / 20);
    height = std::max(1u, static_cast<std::uint32_t>(picture.height) / 20);
    std::vector<std::uint8_t> rgb = Resized(picture, width, height).pixels;
    for (std::size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    return rgb;
}

void SetLong(TiffIfd& ifd, std::uint32_t tag, std::uint32_t value) { ifd.SetTag(tag, kTypeLong, 1, &value); }

void SetShorts(TiffIfd& ifd, std::uint32_t tag, std::initializer_list<std::uint16_t> values) {
    const std::vector<std::uint16_t> list(values);
    ifd.SetTag(tag, kTypeShort, static_cast<std::uint32_t>(list.size()), list.data());
}

void SetText(TiffIfd& ifd, std::uint32_t tag, const char* text) {
    ifd.SetTag(tag, kTypeAscii, static_cast<std::uint32_t>(std::strlen(text) + 1), text);
}

void SetResolution(TiffIfd& ifd, std::uint32_t tag) {
    const std::uint32_t dotsPerInch[2] = {72, 1};
    ifd.SetTag(tag, kTypeRational, 1, dotsPerInch);
}

// TIFF wants directories and strips at even offsets.
void PadToEven(TiffIfd& ifd) {
    if (ifd.TellRelative() % 2 != 0) ifd.Write8(0);
}

// The failing call's own reason, taken before another call can change it.
std::string Reason(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

bool WriteBlock(HANDLE file, const std::vector<std::uint8_t>& bytes, std::string& error) {
    DWORD written = 0;
    if (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
        written == bytes.size()) {
        return true;
    }
    if (error.empty()) error = Reason("write");
    return false;
}

}  // namespace

std::uint16_t SampleForLevel(MosaicColour colour, std::uint8_t level) {
    static const std::array<LevelTable, 3> kTables = {BuildLevelTable(kMosaicRed), BuildLevelTable(kMosaicGreen),
                                                      BuildLevelTable(kMosaicBlue)};
    return kTables[static_cast<std::size_t>(colour)][level];
}

bool WriteErf(const std::string& path, const Picture& picture, bool littleEndian, std::string& error) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint64_t stripBytes = PackedRowBytes(width) * height;
    if (!RawFileFits(width, height)) {
        error = "the picture is too large for a raw file";
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = Reason("open");
        return false;
    }
    TiffIfd main, raw;
    for (TiffIfd* ifd : {&main, &raw}) {
        ifd->SetHandle(file);
        ifd->SetByteOrder(littleEndian ? 1 : 0);
    }
    const std::uint8_t mark = littleEndian ? 'I' : 'M';
    main.Write8(mark);
    main.Write8(mark);
    main.Write16(42);
    main.Write32(8);

    std::uint32_t thumbWidth = 0, thumbHeight = 0;
    const std::vector<std::uint8_t> thumbnail = Thumbnail(picture, thumbWidth, thumbHeight);
    SetLong(main, kTagNewSubfileType, 1);  // a reduced picture
    SetLong(main, kTagImageWidth, thumbWidth);
    SetLong(main, kTagImageLength, thumbHeight);
    SetShorts(main, kTagBitsPerSample, {8, 8, 8});
    SetShorts(main, kTagCompression, {1});
    SetShorts(main, kTagPhotometricInterpretation, {2});  // RGB
    SetText(main, kTagMake, "SEIKO EPSON CORP.");
    SetText(main, kTagModel, "R-D1");
    SetLong(main, kTagStripOffsets, 0);  // set once the strip is placed
    SetShorts(main, kTagOrientation, {1});
    SetShorts(main, kTagSamplesPerPixel, {3});
    SetLong(main, kTagRowsPerStrip, thumbHeight);
    SetLong(main, kTagStripByteCounts, static_cast<std::uint32_t>(thumbnail.size()));
    SetResolution(main, kTagXResolution);
    SetResolution(main, kTagYResolution);
    SetShorts(main, kTagPlanarConfiguration, {1});
    SetShorts(main, kTagResolutionUnit, {2});
    SetText(main, kTagSoftware, "make-erf");
    SetText(main, kTagDateTime, "2026:01:01 00:00:00");
    SetLong(main, kTagSubIFDs, 0);  // set once the raw directory is placed

    SetLong(raw, kTagNewSubfileType, 0);
    SetLong(raw, kTagImageWidth, width);
    SetLong(raw, kTagImageLength, height);
    SetShorts(raw, kTagBitsPerSample, {12});
    SetShorts(raw, kTagCompression, {kPackedRaw});
    SetShorts(raw, kTagPhotometricInterpretation, {32803});  // colour filter array
    SetShorts(raw, kTagSamplesPerPixel, {1});
    SetLong(raw, kTagRowsPerStrip, height);
    SetLong(raw, kTagStripOffsets, 0);
    SetLong(raw, kTagStripByteCounts, static_cast<std::uint32_t>(stripBytes));

    main.Seek(8);
    main.WriteIfd(0);
    PadToEven(main);
    const std::int32_t rawIfdPosition = main.TellRelative();
    raw.WriteIfd(0);
    PadToEven(raw);
    const std::int32_t thumbnailPosition = raw.TellRelative();
    bool ok = WriteBlock(file, thumbnail, error);
    PadToEven(raw);
    const std::int32_t stripPosition = raw.TellRelative();
    ok = ok && WriteBlock(file, RawStrip(picture), error);

    // Now that everything has its place, patch the three offsets in place.
    SetLong(main, kTagSubIFDs, static_cast<std::uint32_t>(rawIfdPosition));
    SetLong(main, kTagStripOffsets, static_cast<std::uint32_t>(thumbnailPosition));
    SetLong(raw, kTagStripOffsets, static_cast<std::uint32_t>(stripPosition));
    if (ok && (main.RewriteEntry("SubIFDs") != 0 || main.RewriteEntry("StripOffsets") != 0 ||
               raw.RewriteEntry("StripOffsets") != 0)) {
        ok = false;
        error = Reason("write");
    }
    if (CloseHandle(file) == FALSE && ok) {
        ok = false;
        error = Reason("close");
    }
    return ok;
}
