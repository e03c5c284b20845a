#include "host/picture_writer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef RUDI_HAVE_PNG
#include <png.h>
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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

}  // namespace

bool IsPictureFileName(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == "bmp" || extension == "png";
}

bool WritePicture(const Picture& picture, const std::string& path, std::string& error) {
    const std::string extension = Extension(path);
    if (extension == "bmp") return WriteBmp(picture, path, error);
    if (extension == "png") return WritePng(picture, path, error);
    error = path + ": unknown picture type (use a name ending in .bmp or .png)";
    return false;
}

bool WriteBmp(const Picture& picture, const std::string& path, std::string& error) {
    // Rows are stored bottom first, each padded to a multiple of 4 bytes.
    const std::size_t stride = (picture.RowBytes() + 3) / 4 * 4;
    const std::uint64_t imageBytes = std::uint64_t{stride} * static_cast<std::uint64_t>(picture.height);
    const std::uint64_t fileBytes = kFileHeaderBytes + kInfoHeaderBytes + imageBytes;
    if (fileBytes > 0xFFFFFFFFu) {
        error = path + ": the picture is too large for a BMP file";
        return false;
    }
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

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (file == nullptr) {
        error = path + ": cannot create the file (" + std::strerror(errno) + ")";
        return false;
    }
    bool written = std::fwrite(header, sizeof header, 1, file.get()) == 1;
    std::vector<std::uint8_t> row(stride, 0);
    for (std::int32_t y = picture.height - 1; written && y >= 0; --y) {
        std::copy_n(picture.Row(y), picture.RowBytes(), row.begin());
        written = std::fwrite(row.data(), 1, stride, file.get()) == stride;
    }
    if (std::fclose(file.release()) != 0) written = false;
    if (!written) {
        error = path + ": cannot write the file (" + std::strerror(errno) + ")";
        std::remove(path.c_str());
    }
    return written;
}

bool WritePng(const Picture& picture, const std::string& path, std::string& error) {
#ifdef RUDI_HAVE_PNG
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (file == nullptr) {
        error = path + ": cannot create the file (" + std::strerror(errno) + ")";
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_BGR;
    bool written = png_image_write_to_stdio(&image, file.get(), 0, picture.pixels.data(),
                                            static_cast<png_int_32>(picture.RowBytes()), nullptr) != 0;
    const std::string reason = written ? std::string(std::strerror(errno)) : std::string(image.message);
    if (std::fclose(file.release()) != 0) written = false;
    if (!written) {
        error = path + ": cannot write the PNG file (" + reason + ")";
        std::remove(path.c_str());
    }
    return written;
#else
    (void)picture;
    error = path + ": this build writes BMP files only";
    return false;
#endif
}
