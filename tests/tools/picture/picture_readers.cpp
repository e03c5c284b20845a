#include "tests/tools/picture/picture_readers.h"

#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <string>

#include "tools/make_erf/picture_file.h"
// After the headers above: it defines TRUE and FALSE, which platform/ declares.
#include <jpeglib.h>

namespace fs = std::filesystem;

Picture ReadPng(const fs::path& path) {
    Picture picture;
    std::string error;
    return ReadPicture(path.string(), picture, error) ? picture : Picture{};
}

namespace {

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1); }

// Kept apart from C++ objects: a libjpeg error jumps back here.
bool DecompressJpeg(jpeg_decompress_struct& info, JpegFailure& failure, std::FILE* file, Picture& picture) {
    if (setjmp(failure.jump) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    picture.width = static_cast<std::int32_t>(info.output_width);
    picture.height = static_cast<std::int32_t>(info.output_height);
    picture.pixels.resize(picture.RowBytes() * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.pixels.data() + picture.RowBytes() * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

Picture ReadJpeg(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    jpeg_decompress_struct info{};
    JpegFailure failure{};
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JpegFail;
    Picture picture;
    const bool read = DecompressJpeg(info, failure, file, picture);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return read ? picture : Picture{};
}

Picture ReadTiff(const fs::path& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) return {};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint16_t samples = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Picture picture{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), {}};
    bool read = bits == 8 && samples == 3 && width > 0 && height > 0;
    if (read) picture.pixels.resize(picture.RowBytes() * height);
    for (std::uint32_t y = 0; read && y < height; ++y) {
        std::uint8_t* row = picture.pixels.data() + picture.RowBytes() * y;
        read = TIFFReadScanline(tiff, row, y, 0) == 1;
        for (std::size_t i = 0; i < picture.RowBytes(); i += 3) std::swap(row[i], row[i + 2]);
    }
    TIFFClose(tiff);
    return read ? picture : Picture{};
}
