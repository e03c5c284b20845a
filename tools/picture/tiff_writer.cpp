// TIFF through libtiff: 8-bit RGB in strips, uncompressed or compressed as
// asked, written to a stream that can seek (see OutputFile::StandardOutput).
#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/output/output_file.h"
#include "tools/picture/picture_writer.h"

namespace {

constexpr std::uint32_t kComponentsConfiguration = 37121;

// libtiff's file operations on the C stream.
tsize_t StreamRead(thandle_t handle, tdata_t data, tsize_t size) {
    return static_cast<tsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(handle)));
}

// The reason (errno) of the first write that fell short, which libtiff's own
// message leaves out ("Write error at scanline 322"); one picture is written
// at a time.
int gWriteFailure = 0;

tsize_t StreamWrite(thandle_t handle, tdata_t data, tsize_t size) {
    const std::size_t wrote = std::fwrite(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(handle));
    if (wrote != static_cast<std::size_t>(size) && gWriteFailure == 0) gWriteFailure = errno != 0 ? errno : EIO;
    return static_cast<tsize_t>(wrote);
}

toff_t StreamSeek(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<std::FILE*>(handle);
    if (fseeko(stream, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(stream));
}

int StreamClose(thandle_t) { return 0; }

toff_t StreamSize(thandle_t handle) {
    auto* stream = static_cast<std::FILE*>(handle);
    const off_t at = ftello(stream);
    fseeko(stream, 0, SEEK_END);
    const off_t size = ftello(stream);
    fseeko(stream, at, SEEK_SET);
    return static_cast<toff_t>(size);
}

// libtiff's message, a printf format and its arguments.
__attribute__((format(printf, 4, 0))) int TiffError(TIFF*, void* user, const char* module, const char* format,
                                                    va_list arguments) {
    auto* reason = static_cast<std::string*>(user);
    if (!reason->empty()) return 1;
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    *reason = std::string(module != nullptr ? module : "libtiff") + ": " + text;
    return 1;
}

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A tag's values as libtiff takes the field's: `size` bytes each, rationals
// as floating point (numerator over denominator), others as integers.
std::vector<std::uint8_t> SetValues(const TiffTag& tag, int size) {
    const bool rational = tag.type == kTypeRational || tag.type == kTypeSRational;
    const std::size_t step = rational ? 2 : 1;
    // The list may hold an item past the count (a text's closing NUL).
    const std::size_t items = std::min<std::size_t>(tag.values.size(), step * tag.count);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + step <= items; i += step) {
        std::uint8_t item[8] = {};
        if (rational) {
            const double value = tag.values[i + 1] == 0 ? 0.0
                                 : tag.type == kTypeSRational
                                     ? static_cast<std::int32_t>(tag.values[i]) /
                                           static_cast<double>(static_cast<std::int32_t>(tag.values[i + 1]))
                                     : tag.values[i] / static_cast<double>(tag.values[i + 1]);
            const float single = static_cast<float>(value);
            if (size == 8) std::memcpy(item, &value, 8);
            else std::memcpy(item, &single, 4);
        } else {
            const std::uint64_t value = tag.values[i];
            if (size == 1) item[0] = static_cast<std::uint8_t>(value);
            else if (size == 2) {
                const auto v = static_cast<std::uint16_t>(value);
                std::memcpy(item, &v, 2);
            } else if (size == 4) {
                const auto v = static_cast<std::uint32_t>(value);
                std::memcpy(item, &v, 4);
            } else std::memcpy(item, &value, 8);
        }
        bytes.insert(bytes.end(), item, item + size);
    }
    return bytes;
}

// One of the photograph's tags set through libtiff in the directory being
// made; a tag libtiff does not know, or knows with another type, or whose
// count it does not take, is left out.
bool SetPhotoTag(TIFF* tiff, const TiffTag& tag) {
    const TIFFField* field = TIFFFindField(tiff, tag.tagNumber, TIFF_ANY);
    if (field == nullptr || static_cast<std::uint32_t>(TIFFFieldDataType(field)) != tag.type) return false;
    if (TIFFFieldDataType(field) == TIFF_ASCII) {
        std::string text;
        for (std::uint32_t value : tag.values) {
            if (value == 0) break;
            text.push_back(static_cast<char>(value));
        }
        return TIFFSetField(tiff, tag.tagNumber, text.c_str()) != 0;
    }
    const bool floating = tag.type == kTypeRational || tag.type == kTypeSRational;
    // libtiff 4.5 gives no size for fixed-count byte fields (ExifVersion): their items are the type's.
    int size = TIFFFieldSetGetSize(field);
    if (size == 0 && !floating) size = TIFFDataWidth(TIFFFieldDataType(field));
    if (size != 1 && size != 2 && size != 4 && size != 8) return false;
    std::vector<std::uint8_t> values = SetValues(tag, size);
    const std::uint32_t count = static_cast<std::uint32_t>(values.size()) / static_cast<std::uint32_t>(size);
    if (count == 0) return false;
    if (TIFFFieldPassCount(field)) {
        if (TIFFFieldSetGetCountSize(field) == 2) {
            return count <= 0xFFFF && TIFFSetField(tiff, tag.tagNumber, static_cast<int>(count), values.data()) != 0;
        } else {
            return TIFFSetField(tiff, tag.tagNumber, count, values.data()) != 0;
        }
    } else if (TIFFFieldWriteCount(field) == 1) {
        // One value, passed as the C calling convention widens it.
        if (floating) {
            double value = 0;
            if (size == 8) std::memcpy(&value, values.data(), 8);
            else {
                float single = 0;
                std::memcpy(&single, values.data(), 4);
                value = single;
            }
            return TIFFSetField(tiff, tag.tagNumber, value) != 0;
        } else if (size <= 2) {
            return TIFFSetField(tiff, tag.tagNumber, static_cast<int>(tag.values[0])) != 0;
        } else if (size == 4) {
            return TIFFSetField(tiff, tag.tagNumber, tag.values[0]) != 0;
        }
        return TIFFSetField(tiff, tag.tagNumber, std::uint64_t{tag.values[0]}) != 0;
    }
    return TIFFFieldWriteCount(field) == static_cast<int>(count) &&
           TIFFSetField(tiff, tag.tagNumber, values.data()) != 0;
}

// The Exif and GPS directories written before the picture's own, which
// points to them; their offsets, 0 for one not written (none of its tags
// could be set: libtiff writes no empty directory).
bool WritePhotoDirectories(TIFF* tiff, const PictureNotes& notes, std::uint64_t& exif, std::uint64_t& gps) {
    exif = gps = 0;
    const struct {
        const std::vector<TiffTag>& tags;
        int (*create)(TIFF*);
        std::uint64_t& offset;
    } directories[] = {{notes.photo.gps, TIFFCreateGPSDirectory, gps},
                       {notes.photo.exif, TIFFCreateEXIFDirectory, exif}};
    bool made = false;
    for (const auto& directory : directories) {
        if (directory.tags.empty()) continue;
        if (directory.create(tiff) != 0) return false;
        made = true;
        bool any = false;
        for (const TiffTag& tag : directory.tags) {
            // How a JPEG's components are ordered: not a TIFF's to say.
            if (tag.tagNumber != kComponentsConfiguration) any = SetPhotoTag(tiff, tag) || any;
        }
        const bool written = !any || TIFFWriteCustomDirectory(tiff, &directory.offset);
        // Its values freed here: libtiff 4.5 creating the next directory does not.
        TIFFFreeDirectory(tiff);
        if (!written) return false;
    }
    return !made || TIFFCreateDirectory(tiff) == 0;
}

std::uint16_t CompressionTag(TiffCompression compression) {
    switch (compression) {
        case TiffCompression::kDeflate: return COMPRESSION_ADOBE_DEFLATE;
        case TiffCompression::kLzw: return COMPRESSION_LZW;
        default: return COMPRESSION_NONE;
    }
}

void SetResolution(TIFF* tiff, const PictureNotes& notes) {
    if (!notes.pixelSize) return;
    const auto& size = *notes.pixelSize;
    // Pixels per centimetre, or a ratio alone.
    const float divisor = size.perMetre ? 100.0f : 1.0f;
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(static_cast<float>(size.x) / divisor));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(static_cast<float>(size.y) / divisor));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, size.perMetre ? RESUNIT_CENTIMETER : RESUNIT_NONE);
}

bool WriteRows(TIFF* tiff, const Picture& picture, const PictureNotes& notes, const WriteRequest& request) {
    std::uint64_t exif = 0;
    std::uint64_t gps = 0;
    if (!WritePhotoDirectories(tiff, notes, exif, gps)) return false;
    const std::uint16_t compression = CompressionTag(request.compression);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    // Differences along the row make photographs compress better.
    if (compression != COMPRESSION_NONE) TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    SetResolution(tiff, notes);
    for (const TiffTag& tag : notes.photo.main) {
        if (tag.type == kTypeAscii) SetPhotoTag(tiff, tag);
    }
    if (!notes.photo.main.empty() || exif != 0) {
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, static_cast<int>(notes.orientation));
    }
    if (exif != 0) TIFFSetField(tiff, TIFFTAG_EXIFIFD, exif);
    if (gps != 0) TIFFSetField(tiff, TIFFTAG_GPSIFD, gps);
    std::vector<std::uint8_t> rgb(picture.RowBytes());
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture.Row(y);
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = row[i + 2];
            rgb[i + 1] = row[i + 1];
            rgb[i + 2] = row[i];
        }
        if (TIFFWriteScanline(tiff, rgb.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
        if (request.progress) {
            request.progress(static_cast<std::size_t>(y) + 1, static_cast<std::size_t>(picture.height));
        }
    }
    return TIFFWriteDirectory(tiff) != 0;
}

}  // namespace

bool WriteTiff(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason) {
    if (picture.width <= 0 || picture.height <= 0) {
        reason = "a TIFF picture needs at least one pixel";
        return false;
    }
    gWriteFailure = 0;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        reason = "not enough memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffError, &reason);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
    TIFF* tiff = TIFFClientOpenExt("output", "w", stream, StreamRead, StreamWrite, StreamSeek, StreamClose, StreamSize,
                                   nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    bool written = tiff != nullptr && WriteRows(tiff, picture, notes, request);
    if (tiff != nullptr) {
        TIFFFlush(tiff);
        TIFFClose(tiff);
    }
    written = written && reason.empty() && std::ferror(stream) == 0;
    if (!written && reason.empty()) reason = "libtiff could not write the file";
    if (!written && gWriteFailure != 0) reason += " (" + ErrnoText(gWriteFailure) + ")";
    return written;
}
