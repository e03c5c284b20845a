#include "tools/picture/dng/dng_writer.h"

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <vector>

#include "tiff/byte_order.h"
#include "tiff/tag_numbers.h"
#include "tiff/type_facts.h"
#include "tools/output/output_file.h"
#include "tools/picture/exif/exif_block.h"
#ifdef RUDI_HAVE_WIC
#include "tools/picture/wic/wic_writer.h"
#else
#include "tools/picture/jpeg/jpeg_writer.h"
#endif

namespace {

// DNG 1.4 as written; a reader of DNG 1.1 reads it (12-bit samples, packed).
constexpr std::uint8_t kDngVersion[] = {1, 4, 0, 0};
constexpr std::uint8_t kDngBackwardVersion[] = {1, 1, 0, 0};
// The R-D1's colour as raw converters publish it (XYZ under D65 to the
// camera's red, green and blue), in ten-thousandths.
constexpr std::int32_t kColorMatrix[9] = {6827, -1878, -732, -8429, 16012, 2564, -704, 592, 7145};
constexpr std::uint16_t kIlluminantD65 = 21;
// The sensor's 12 bits: no black offset, white at the largest sample.
constexpr std::uint32_t kWhiteLevel = 4095;
// TIFF's values for what is written here.
constexpr std::uint16_t kJpegCompression = 7;
constexpr std::uint16_t kYCbCr = 6;
constexpr std::uint16_t kColourFilterArray = 32803;
// The preview's JPEG quality, colour at half resolution (4:2:0): enough for a
// browser's or an editor's first look, and a tenth of the raw samples' size
// at the camera's size (the DNG within 2 % of the EPSON RAW file's size).
constexpr int kPreviewQuality = 85;
static_assert(kPreviewQuality < kFullChromaQuality);

void SetShorts(PlacedDirectory& directory, std::uint32_t tag, std::vector<std::uint16_t> values) {
    directory.ifd.SetTag(tag, kTypeShort, static_cast<std::uint32_t>(values.size()), values.data());
}

void SetBytes(PlacedDirectory& directory, std::uint32_t tag, const std::uint8_t* values, std::uint32_t count) {
    directory.ifd.SetTag(tag, kTypeByte, count, values);
}

void SetText(PlacedDirectory& directory, std::uint32_t tag, const std::string& text) {
    directory.ifd.SetTag(tag, kTypeAscii, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
}

// A text of the picture's notes ("Make", "Model"); empty when it has none.
std::string NoteText(const PictureNotes& notes, const char* keyword) {
    for (const auto& [key, text] : notes.texts) {
        if (key == keyword) return text;
    }
    return {};
}

// The camera, as DNG readers look up its profile: the maker and the model
// ("SEIKO EPSON CORP. R-D1"), the model alone when it names the maker itself.
std::string UniqueCameraModel(const PictureNotes& notes) {
    const std::string make = NoteText(notes, "Make");
    const std::string model = NoteText(notes, "Model");
    if (make.empty() || model.rfind(make, 0) == 0) return model.empty() ? "EPSON R-D1" : model;
    return model.empty() ? make : make + " " + model;
}

// IFD0 beside what the camera's IFD0 carried: the preview (its strip's place
// filled in later), the DNG's own tags, and the pointer to the raw directory.
void AddMainTags(PlacedDirectory& main, const Picture& preview, const PictureNotes& notes) {
    main.Set(kTagNewSubfileType, 1);  // a reduced-quality copy of the raw picture
    main.Set(kTagImageWidth, static_cast<std::uint32_t>(preview.width));
    main.Set(kTagImageLength, static_cast<std::uint32_t>(preview.height));
    SetShorts(main, kTagBitsPerSample, {8, 8, 8});
    SetShorts(main, kTagCompression, {kJpegCompression});
    SetShorts(main, kTagPhotometricInterpretation, {kYCbCr});
    main.Set(kTagStripOffsets, 0);
    SetShorts(main, kTagOrientation, {static_cast<std::uint16_t>(notes.orientation)});
    SetShorts(main, kTagSamplesPerPixel, {3});
    main.Set(kTagRowsPerStrip, static_cast<std::uint32_t>(preview.height));
    main.Set(kTagStripByteCounts, 0);
    SetShorts(main, kTagPlanarConfiguration, {1});
    SetShorts(main, kTagYCbCrSubSampling, {2, 2});
    main.Set(kTagSubIFDs, 0);
    SetBytes(main, kTagDNGVersion, kDngVersion, 4);
    SetBytes(main, kTagDNGBackwardVersion, kDngBackwardVersion, 4);
    SetText(main, kTagUniqueCameraModel, UniqueCameraModel(notes));
    std::vector<std::uint32_t> matrix;
    for (const std::int32_t value : kColorMatrix) {
        matrix.push_back(static_cast<std::uint32_t>(value));
        matrix.push_back(10000);
    }
    main.ifd.SetTag(kTagColorMatrix1, kTypeSRational, 9, matrix.data());
    SetShorts(main, kTagCalibrationIlluminant1, {kIlluminantD65});
}

// The raw picture's directory (its one strip's place filled in later).
void AddRawTags(PlacedDirectory& directory, const RawSamples& raw) {
    directory.Set(kTagNewSubfileType, 0);
    directory.Set(kTagImageWidth, raw.width);
    directory.Set(kTagImageLength, raw.height);
    SetShorts(directory, kTagBitsPerSample, {12});
    SetShorts(directory, kTagCompression, {1});
    SetShorts(directory, kTagPhotometricInterpretation, {kColourFilterArray});
    directory.Set(kTagStripOffsets, 0);
    SetShorts(directory, kTagSamplesPerPixel, {1});
    directory.Set(kTagRowsPerStrip, raw.height);
    directory.Set(kTagStripByteCounts, static_cast<std::uint32_t>(raw.RowBytes() * raw.height));
    SetShorts(directory, kTagPlanarConfiguration, {1});
    SetShorts(directory, kTagCFARepeatPatternDim, {2, 2});
    const std::uint8_t rggb[] = {0, 1, 1, 2};
    SetBytes(directory, kTagCFAPattern, rggb, 4);
    const std::uint8_t planes[] = {0, 1, 2};
    SetBytes(directory, kTagCFAPlaneColor, planes, 3);
    SetShorts(directory, kTagCFALayout, {1});
    directory.Set(kTagBlackLevel, 0);
    directory.Set(kTagWhiteLevel, kWhiteLevel);
}

bool WriteAll(std::FILE* stream, const std::vector<std::uint8_t>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

// Puts a LONG at `place` of the file, then goes back to its end.
bool Patch(std::FILE* stream, std::int64_t place, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreOrdered32(bytes, value, true);
    return fseeko(stream, static_cast<off_t>(place), SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, stream) == 4 &&
           fseeko(stream, 0, SEEK_END) == 0;
}

bool WriteRawRows(const RawSamples& raw, const WriteRequest& request, std::FILE* stream, std::string& reason) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(raw.RowBytes()));
    for (std::uint32_t y = 0; y < raw.height; ++y) {
        if (!raw.readRow(y, row.data(), reason)) return false;
        if (std::fwrite(row.data(), 1, row.size(), stream) != row.size()) {
            reason = "cannot write the raw samples (" + ErrnoText(errno) + ")";
            return false;
        }
        if (request.progress) request.progress(y + 1, raw.height);
    }
    return true;
}

}  // namespace

std::string DngSizeProblem(std::int64_t width, std::int64_t height) {
#ifdef RUDI_HAVE_WIC
    // The system's encoder says itself what it cannot hold.
    return width > 0 && height > 0 ? std::string() : "a DNG's preview needs at least one pixel";
#else
    return JpegSizeProblem(width, height);
#endif
}

bool WriteDng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason) {
    if (request.raw == nullptr || !request.raw->readRow || request.raw->width == 0 || request.raw->height == 0) {
        reason = "no raw samples to write";
        return false;
    }
    reason = DngSizeProblem(picture.width, picture.height);
    if (!reason.empty()) return false;
    const RawSamples& raw = *request.raw;
    PlacedDirectory main(notes.photo.main);
    AddMainTags(main, picture, notes);
    // Pointers only to the photo directories that are written (an Exif
    // directory of nothing but what a TIFF's Exif leaves out is not), which
    // does not depend on where they lie (here any place past the header);
    // their places come later.
    const PhotoDirectories written = LayOutTiffPhotoDirectories(notes.photo, 8);
    if (written.exif != 0) main.Set(kTagExifIFDPointer, 0);
    if (written.gps != 0) main.Set(kTagGPSInfoIFDPointer, 0);
    main.at = 8;
    PlacedDirectory rawDirectory;
    AddRawTags(rawDirectory, raw);
    rawDirectory.at = main.at + main.Bytes();
    const std::int64_t photoStart = rawDirectory.at + rawDirectory.Bytes();
    const PhotoDirectories photo = LayOutTiffPhotoDirectories(notes.photo, static_cast<std::uint32_t>(photoStart));
    const std::int64_t strip = photoStart + static_cast<std::int64_t>(photo.bytes.size());
    const std::int64_t rawBytes = static_cast<std::int64_t>(raw.RowBytes()) * raw.height;
    // Every offset of the file is 32-bit, the preview's too, which follows the samples.
    if (strip + rawBytes > UINT32_MAX) {
        reason = "the raw samples (" + std::to_string(rawBytes) + " bytes) pass the 4 GiB a DNG's offsets reach";
        return false;
    }
    rawDirectory.Set(kTagStripOffsets, static_cast<std::uint32_t>(strip));
    main.Set(kTagSubIFDs, static_cast<std::uint32_t>(rawDirectory.at));
    if (photo.exif != 0) main.Set(kTagExifIFDPointer, photo.exif);
    if (photo.gps != 0) main.Set(kTagGPSInfoIFDPointer, photo.gps);

    std::vector<std::uint8_t> head(static_cast<std::size_t>(photoStart), 0);
    const std::uint8_t header[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), head.begin());
    main.Store(head, 0);
    rawDirectory.Store(head, 0);
    head.insert(head.end(), photo.bytes.begin(), photo.bytes.end());
    if (!WriteAll(stream, head)) {
        reason = "cannot write the directories (" + ErrnoText(errno) + ")";
        return false;
    }
    if (!WriteRawRows(raw, request, stream, reason)) return false;
    // The preview: the picture alone, as the DNG's own directories carry its notes.
    WriteRequest preview = request;
    preview.raw = nullptr;
    preview.warn = nullptr;
    preview.quality = kPreviewQuality;
    if (!WriteJpeg(picture, PictureNotes{}, preview, stream, reason)) return false;
    const std::int64_t previewAt = strip + rawBytes;
    if (std::fflush(stream) != 0) {
        reason = "cannot write the preview (" + ErrnoText(errno) + ")";
        return false;
    }
    const std::int64_t end = fseeko(stream, 0, SEEK_END) == 0 ? ftello(stream) : -1;
    if (end < 0 || end > std::int64_t{UINT32_MAX}) {
        reason = "the end of the DNG cannot be told within the 4 GiB its offsets reach";
        return false;
    }
    if (!Patch(stream, main.ValuePlace(kTagStripOffsets), static_cast<std::uint32_t>(previewAt)) ||
        !Patch(stream, main.ValuePlace(kTagStripByteCounts), static_cast<std::uint32_t>(end - previewAt))) {
        reason = "cannot write the preview's place (" + ErrnoText(errno) + ")";
        return false;
    }
    return true;
}
