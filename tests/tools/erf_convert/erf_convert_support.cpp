#include "tests/tools/erf_convert/erf_convert_support.h"

#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>

#include <fstream>

#include "plugin/exports.h"
#include "tests/support/erf_builder.h"
#include "tiff/erf_file.h"
#include "tools/make_erf/erf_writer.h"
#include "tools/make_erf/test_chart.h"
// After the headers above: it defines TRUE and FALSE, which platform/ declares.
#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t>* gRows = nullptr;
std::int32_t RUDI_CDECL KeepRow(std::int32_t, std::int32_t first, std::int32_t last, std::uint8_t* pixels,
                                std::int32_t) {
    gRows->insert(gRows->end(), pixels, pixels + 3 * (last - first + 1));
    return 1;
}

}  // namespace

Outcome ErfConvert(const Scratch& scratch, const std::string& arguments) {
    return RunProgram(scratch, ERF_CONVERT, arguments);
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ErfBytes(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> samples;
    for (std::uint32_t i = 0; i < width * height; ++i) samples.push_back(static_cast<std::uint16_t>(i * 797 % 4096));
    return BuildErf({.width = width, .height = height, .strip = PackSamples(samples, width, height)});
}

void WriteChartErf(const fs::path& path, std::uint32_t width, std::uint32_t height) {
    std::string error;
    if (!WriteErf(path.string(), MakeTestChart(width, height), true, error)) throw std::runtime_error(error);
}

void SetOrientation(const fs::path& path, std::uint16_t value) {
    ErfFile erf;
    erf.Open(path.c_str());
    const TiffTag* tag = erf.mainIfd.FindTag("Orientation");
    if (tag == nullptr) throw std::runtime_error("no Orientation in " + path.string());
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(tag->entryOffset + 8);
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    file.write(bytes, 2);
}

Picture ModulePicture(const fs::path& path) {
    ImageSizeRecord size{};
    ReadFileGetSize(0, path.c_str(), &size, nullptr);
    Picture picture{static_cast<std::int32_t>(size.width), static_cast<std::int32_t>(size.height), {}};
    gRows = &picture.pixels;
    LineCallbackRecord callbacks{&KeepRow};
    ReadFileExec(0, path.c_str(), 0, 0, 0, &callbacks);
    gRows = nullptr;
    return picture;
}

Picture ReadPng(const fs::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
    image.format = PNG_FORMAT_BGR;
    Picture picture{static_cast<std::int32_t>(image.width), static_cast<std::int32_t>(image.height), {}};
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) return {};
    return picture;
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
