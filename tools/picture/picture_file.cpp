#include "tools/picture/picture_file.h"

#include <png.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

bool ReadPng(const std::string& path, Picture& picture, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        error = image.message;
        return false;
    }
    if (std::uint64_t{image.width} * image.height > kMaxPixels) {
        png_image_free(&image);
        error = "the picture is too large";
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    picture.width = static_cast<std::int32_t>(image.width);
    picture.height = static_cast<std::int32_t>(image.height);
    picture.pixels.assign(PNG_IMAGE_SIZE(image), 0);
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) {
        error = image.message;
        return false;
    }
    return true;
}

// A PPM header field: a decimal number, after blanks and '#' comments.
bool ReadHeaderNumber(std::istream& in, std::uint64_t& value) {
    for (int c = in.peek(); c != EOF; c = in.peek()) {
        if (c == '#') in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        else if (std::isspace(c)) in.get();
        else break;
    }
    value = 0;
    int digits = 0;
    for (int c = in.peek(); c >= '0' && c <= '9' && digits < 10; c = in.peek(), ++digits)
        value = value * 10 + static_cast<std::uint64_t>(in.get() - '0');
    return digits > 0;
}

bool ReadPpm(const std::string& path, Picture& picture, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    std::uint64_t width = 0, height = 0, maxValue = 0;
    if (!in || magic[0] != 'P' || magic[1] != '6' || !ReadHeaderNumber(in, width) || !ReadHeaderNumber(in, height) ||
        !ReadHeaderNumber(in, maxValue) || !std::isspace(in.get())) {
        error = "not a binary PPM (P6) picture";
        return false;
    }
    if (width == 0 || height == 0 || maxValue == 0 || maxValue > 65535 || width * height > kMaxPixels) {
        error = "unsupported PPM size or depth";
        return false;
    }
    const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(width * height) * 3 * sampleBytes);
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (static_cast<std::size_t>(in.gcount()) != raw.size()) {
        error = "the PPM picture is cut short";
        return false;
    }
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels.resize(static_cast<std::size_t>(width * height) * 3);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const std::uint64_t sample =
            sampleBytes == 2 ? static_cast<std::uint64_t>(raw[2 * i] << 8 | raw[2 * i + 1]) : raw[i];
        // The file's red, green, blue; the picture's blue, green, red.
        picture.pixels[i - i % 3 + 2 - i % 3] = static_cast<std::uint8_t>((sample * 255 + maxValue / 2) / maxValue);
    }
    return true;
}

}  // namespace

bool ReadPicture(const std::string& path, Picture& picture, std::string& error) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        error = "cannot open the file";
        return false;
    }
    unsigned char signature[8] = {};
    probe.read(reinterpret_cast<char*>(signature), sizeof signature);
    if (probe.gcount() == 8 && png_sig_cmp(signature, 0, 8) == 0) return ReadPng(path, picture, error);
    if (signature[0] == 'P' && signature[1] == '6') return ReadPpm(path, picture, error);
    error = "not a PNG or binary PPM picture";
    return false;
}
