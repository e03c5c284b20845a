// TIFF through libtiff: 8-bit RGB in strips, uncompressed or compressed as
// asked, written to a stream that can seek (see OutputFile::StandardOutput).
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "tools/picture/picture_writer.h"

namespace {

// libtiff's file operations on the C stream.
tsize_t StreamRead(thandle_t handle, tdata_t data, tsize_t size) {
    return static_cast<tsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(handle)));
}

tsize_t StreamWrite(thandle_t handle, tdata_t data, tsize_t size) {
    return static_cast<tsize_t>(std::fwrite(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(handle)));
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

int TiffError(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* reason = static_cast<std::string*>(user);
    if (!reason->empty()) return 1;
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    *reason = std::string(module != nullptr ? module : "libtiff") + ": " + text;
    return 1;
}

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

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
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        reason = "not enough memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffError, &reason);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
    TIFF* tiff = TIFFClientOpenExt("output", "w", stream, StreamRead, StreamWrite, StreamSeek, StreamClose,
                                   StreamSize, nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    bool written = tiff != nullptr && WriteRows(tiff, picture, notes, request);
    if (tiff != nullptr) {
        TIFFFlush(tiff);
        TIFFClose(tiff);
    }
    written = written && reason.empty() && std::ferror(stream) == 0;
    if (!written && reason.empty()) reason = "libtiff could not write the file";
    return written;
}
