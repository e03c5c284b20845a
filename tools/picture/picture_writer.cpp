#include "tools/picture/picture_writer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "tools/output/output_file.h"
#include "tools/picture/photo_tags.h"

#ifdef RUDI_HAVE_PNG
#include <png.h>

#include "tools/picture/png_rows.h"
#endif

namespace {

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value);
    Put16(at + 2, value >> 16);
}

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

bool Write(std::FILE* stream, const void* bytes, std::size_t count, std::string& reason) {
    if (std::fwrite(bytes, 1, count, stream) == count) return true;
    reason = ErrnoText(errno);
    return false;
}

#ifdef RUDI_HAVE_PNG
constexpr std::size_t kIdatBytes = 1 << 20;  // image data per IDAT chunk, about

// libpng's output through fwrite, keeping the reason of the first failed
// write; later writes are dropped. The writer looks at the reason after each
// step, so that no error jumps out of C++ code that compresses the rows.
struct PngOutput {
    std::FILE* stream;
    std::string reason;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
    if (output->reason.empty()) Write(output->stream, data, length, output->reason);
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message) {
    auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
    if (output->reason.empty()) output->reason = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void SetNotes(png_structp png, png_infop info, const PictureNotes& notes, const std::vector<std::uint8_t>& exif,
              std::vector<png_text>& texts) {
    if (notes.pixelSize) {
        png_set_pHYs(png, info, notes.pixelSize->x, notes.pixelSize->y,
                     notes.pixelSize->perMetre ? PNG_RESOLUTION_METER : PNG_RESOLUTION_UNKNOWN);
    }
    for (const auto& [keyword, text] : notes.texts) {
        png_text entry{};
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(keyword.c_str());
        entry.text = const_cast<char*>(text.c_str());
        entry.text_length = text.size();
        texts.push_back(entry);
    }
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
    if (!exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size()), const_cast<png_bytep>(exif.data()));
}

// The header and notes through libpng, then the image data compressed here
// (see png_rows.h) as IDAT chunks, then the end.
bool WritePngStream(png_structp png, png_infop info, const Picture& picture, const PictureNotes& notes,
                    const WriteRequest& request, PngOutput& output) {
    std::vector<png_text> texts;
    const std::vector<std::uint8_t> exif =
        ExifBlock(notes.photo, notes.orientation, static_cast<std::uint32_t>(picture.width),
                  static_cast<std::uint32_t>(picture.height));
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    SetNotes(png, info, notes, exif, texts);
    png_write_info(png, info);
    const Deflater deflater = request.deflater.value_or(FastestDeflater());
    const auto writeIdat = [&](const std::vector<std::uint8_t>& piece) {
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), piece.data(), piece.size());
        return output.reason.empty();
    };
    if (!CompressRows(picture, ChooseFilter(picture), deflater, kIdatBytes, writeIdat, request.progress)) {
        if (output.reason.empty()) output.reason = "the compressor failed or ran out of memory";
        return false;
    }
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    return output.reason.empty();
}
#endif

using Writer = bool (*)(const Picture&, const PictureNotes&, const WriteRequest&, std::FILE*, std::string&);

bool WriteBmpFile(const Picture& picture, const PictureNotes&, const WriteRequest&, std::FILE* stream,
                  std::string& reason) {
    return WriteBmp(picture, stream, reason);
}

// The format's writer; null where the build lacks its library.
Writer WriterOf(PictureFormat format) {
    switch (format) {
#if defined(RUDI_HAVE_PNG) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kPng: return WritePng;
#endif
#if defined(RUDI_HAVE_JPEG) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kJpeg: return WriteJpeg;
#endif
#if defined(RUDI_HAVE_TIFF) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kTiff: return WriteTiff;
#endif
        case PictureFormat::kBmp: return WriteBmpFile;
        default: return nullptr;
    }
}

}  // namespace

std::optional<PictureFormat> FormatOfName(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == "png") return PictureFormat::kPng;
    if (extension == "bmp") return PictureFormat::kBmp;
    if (extension == "jpg" || extension == "jpeg") return PictureFormat::kJpeg;
    if (extension == "tif" || extension == "tiff") return PictureFormat::kTiff;
    return std::nullopt;
}

const char* FormatExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::kPng: return "png";
        case PictureFormat::kJpeg: return "jpg";
        case PictureFormat::kTiff: return "tif";
        default: return "bmp";
    }
}

const char* FormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::kPng: return "PNG";
        case PictureFormat::kJpeg: return "JPEG";
        case PictureFormat::kTiff: return "TIFF";
        default: return "BMP";
    }
}

bool CanWrite(PictureFormat format) { return WriterOf(format) != nullptr; }

bool WritePicture(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::string& error) {
    if (!CanWrite(request.format)) {
        error = request.target + ": this build cannot write " + FormatName(request.format) + " files";
        return false;
    }
    // libtiff seeks back to write the directory: standard output gets a copy.
    OutputFile output(request.format == PictureFormat::kTiff ? OutputFile::StandardOutput::kCopied
                                                             : OutputFile::StandardOutput::kDirect);
    if (!output.Open(request.target, request.replace, error)) return false;
    std::string reason;
    if (!WriterOf(request.format)(picture, notes, request, output.stream(), reason)) {
        error =
            ShownName(request.target) + ": cannot write the " + FormatName(request.format) + " file (" + reason + ")";
        return false;
    }
    return output.Commit(error);
}

namespace {

// Rows are stored bottom first, each padded to a multiple of 4 bytes.
std::uint64_t BmpStride(std::uint64_t width) { return (3 * width + 3) / 4 * 4; }
std::uint64_t BmpFileBytes(std::uint64_t width, std::uint64_t height) {
    return kFileHeaderBytes + kInfoHeaderBytes + BmpStride(width) * height;
}
constexpr std::uint64_t kLargestBmpFile = 0xFFFFFFFFu;  // its size field's reach
constexpr const char* kTooLargeForBmp = "the picture is too large for a BMP file";

}  // namespace

std::string SizeProblem(PictureFormat format, std::uint32_t width, std::uint32_t height) {
    if (format == PictureFormat::kBmp && BmpFileBytes(width, height) > kLargestBmpFile) return kTooLargeForBmp;
#ifdef RUDI_HAVE_JPEG
    if (format == PictureFormat::kJpeg) return JpegSizeProblem(width, height);
#endif
    return {};
}

bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason) {
    const std::size_t stride = static_cast<std::size_t>(BmpStride(static_cast<std::uint64_t>(picture.width)));
    const std::uint64_t fileBytes =
        BmpFileBytes(static_cast<std::uint64_t>(picture.width), static_cast<std::uint64_t>(picture.height));
    if (fileBytes > kLargestBmpFile) {
        reason = kTooLargeForBmp;
        return false;
    }
    const std::uint64_t imageBytes = fileBytes - kFileHeaderBytes - kInfoHeaderBytes;
    std::uint8_t header[kFileHeaderBytes + kInfoHeaderBytes] = {'B', 'M'};
    Put32(header + 2, static_cast<std::uint32_t>(fileBytes));
    Put32(header + 10, kFileHeaderBytes + kInfoHeaderBytes);  // where the pixels start
    std::uint8_t* info = header + kFileHeaderBytes;
    Put32(info, kInfoHeaderBytes);
    Put32(info + 4, static_cast<std::uint32_t>(picture.width));
    Put32(info + 8, static_cast<std::uint32_t>(picture.height));
    Put16(info + 12, 1);   // planes
    Put16(info + 14, 24);  // bits per pixel
    Put32(info + 20, static_cast<std::uint32_t>(imageBytes));
    if (!Write(stream, header, sizeof header, reason)) return false;
    std::vector<std::uint8_t> row(stride, 0);
    for (std::int32_t y = picture.height - 1; y >= 0; --y) {
        std::copy_n(picture.Row(y), picture.RowBytes(), row.begin());
        if (!Write(stream, row.data(), stride, reason)) return false;
    }
    return true;
}

#ifdef RUDI_HAVE_PNG
bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason) {
    if (picture.width <= 0 || picture.height <= 0) {
        reason = "a PNG picture needs at least one pixel";
        return false;
    }
    PngOutput output{stream, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output, PngError, PngWarning);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    bool written = false;
    if (info != nullptr) {
        png_set_write_fn(png, &output, PngWrite, PngFlush);
        written = WritePngStream(png, info, picture, notes, request, output);
    } else {
        output.reason = "not enough memory";
    }
    png_destroy_write_struct(&png, &info);
    if (!written) reason = output.reason;
    return written;
}
#endif
