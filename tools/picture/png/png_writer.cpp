#include "tools/picture/png/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include "tools/output/output_file.h"
#include "tools/picture/exif/exif_block.h"
#include "tools/picture/png/png_rows.h"

namespace {

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
    if (output->reason.empty() && std::fwrite(data, 1, length, output->stream) != length) {
        output->reason = ErrnoText(errno);
    }
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message) {
    auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
    if (output->reason.empty()) output->reason = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// pHYs: pixels per metre, PNG's only unit, or the ratio alone; left out,
// said so, when a value rounds outside what the chunk holds.
void SetPixelSize(png_structp png, png_infop info, const PictureNotes& notes, const WriteRequest& request) {
    if (!notes.pixelSize) return;
    const auto& size = *notes.pixelSize;
    using Unit = PictureNotes::PixelSize::Unit;
    const double perMetre = size.unit == Unit::kInch ? 1 / 0.0254 : size.unit == Unit::kCentimetre ? 100 : 1;
    const double x = std::round(size.x * perMetre);
    const double y = std::round(size.y * perMetre);
    if (x < 1 || y < 1 || x > 0x7FFFFFFF || y > 0x7FFFFFFF) {
        if (request.warn) {
            request.warn("the resolution (" + PixelSizeText(size) +
                         ") is beyond what PNG's pHYs chunk holds: the PNG carries none");
        }
        return;
    }
    png_set_pHYs(png, info, static_cast<png_uint_32>(x), static_cast<png_uint_32>(y),
                 size.unit == Unit::kNone ? PNG_RESOLUTION_UNKNOWN : PNG_RESOLUTION_METER);
}

void SetNotes(png_structp png, png_infop info, const PictureNotes& notes, const WriteRequest& request,
              const std::vector<std::uint8_t>& exif, std::vector<png_text>& texts) {
    SetPixelSize(png, info, notes, request);
    for (const auto& [keyword, text] : notes.texts) {
        png_text entry{};
        const bool ascii = FitsTextChunk(text);
        entry.compression = ascii ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(keyword.c_str());
        entry.text = const_cast<char*>(text.c_str());
        if (ascii) entry.text_length = text.size();
        else entry.itxt_length = text.size();
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
    SetNotes(png, info, notes, request, exif, texts);
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

}  // namespace

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
