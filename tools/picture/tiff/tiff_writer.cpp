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

#include "tools/picture/tiff/tiff_writer.h"

#include "tools/output/output_file.h"
#include "tools/picture/exif/exif_block.h"

namespace {

// libtiff's file operations on the C stream.
tsize_t StreamRead(thandle_t handle, tdata_t data, tsize_t size) {
    return static_cast<tsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(handle)));
}

// The reason (errno) of the first write (or seek) that fell short, which libtiff's own
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
    // A seek writes out what the stream holds: its failure is a write's.
    if (fseeko(stream, static_cast<off_t>(offset), whence) != 0) {
        if (gWriteFailure == 0) gWriteFailure = errno != 0 ? errno : EIO;
        return static_cast<toff_t>(-1);
    }
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

// One of IFD0's texts, as libtiff writes ASCII: up to the first NUL, then one.
void SetText(TIFF* tiff, const TiffTag& tag) { TIFFSetField(tiff, tag.tagNumber, TiffText(tag).c_str()); }

// The Exif and GPS directories, the same as the Exif block holds them (every
// value as the camera wrote it), written after the header: libtiff adds the
// picture and its own directory after them. 0 for one not written.
bool WritePhotoDirectories(const PictureNotes& notes, std::FILE* stream, PhotoDirectories& photo) {
    if (fseeko(stream, 0, SEEK_END) != 0) return false;
    const off_t start = ftello(stream);
    if (start < 0 || start > INT32_MAX) return false;
    photo = LayOutTiffPhotoDirectories(notes.photo, static_cast<std::uint32_t>(start));
    return photo.bytes.empty() || std::fwrite(photo.bytes.data(), 1, photo.bytes.size(), stream) == photo.bytes.size();
}

std::uint16_t CompressionTag(TiffCompression compression) {
    switch (compression) {
        case TiffCompression::kDeflate: return COMPRESSION_ADOBE_DEFLATE;
        case TiffCompression::kLzw: return COMPRESSION_LZW;
        default: return COMPRESSION_NONE;
    }
}

// In the camera's unit: TIFF has the same three.
void SetResolution(TIFF* tiff, const PictureNotes& notes) {
    if (!notes.pixelSize) return;
    const auto& size = *notes.pixelSize;
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, size.x);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, size.y);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, static_cast<int>(size.unit));
}

bool WriteRows(TIFF* tiff, const Picture& picture, const PictureNotes& notes, const WriteRequest& request,
               std::FILE* stream) {
    PhotoDirectories photo;
    if (!WritePhotoDirectories(notes, stream, photo)) return false;
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
        if (tag.type == kTypeAscii) SetText(tiff, tag);
    }
    if (!notes.photo.main.empty() || photo.exif != 0) {
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, static_cast<int>(notes.orientation));
    }
    if (photo.exif != 0) TIFFSetField(tiff, TIFFTAG_EXIFIFD, std::uint64_t{photo.exif});
    if (photo.gps != 0) TIFFSetField(tiff, TIFFTAG_GPSIFD, std::uint64_t{photo.gps});
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
    // Little-endian, as the Exif directories written beside libtiff's are.
    TIFF* tiff = TIFFClientOpenExt("output", "wl", stream, StreamRead, StreamWrite, StreamSeek, StreamClose, StreamSize,
                                   nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    bool written = tiff != nullptr && WriteRows(tiff, picture, notes, request, stream);
    if (tiff != nullptr) {
        TIFFFlush(tiff);
        TIFFClose(tiff);
    }
    written = written && reason.empty() && std::ferror(stream) == 0;
    if (!written && reason.empty()) reason = "libtiff could not write the file";
    if (!written && gWriteFailure != 0) reason += " (" + ErrnoText(gWriteFailure) + ")";
    return written;
}
