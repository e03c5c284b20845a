#include "tools/make_erf/picture_file.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

// The largest picture read, whatever its file claims: 2^28 pixels (768 MiB
// of BGR). Smaller pictures are read only when the file's bytes can hold them.
constexpr std::uint64_t kLargestPicturePixels = std::uint64_t{1} << 28;
// The most bytes of BGR one byte of a PNG file can give: deflate expands at
// most 1032 times, and one byte of a 1-bit picture is 8 pixels of 3 bytes.
constexpr std::uint64_t kPngBytesPerFileByte = 1032 * 8 * 3;

std::uint64_t FileSize(std::istream& in) {
    const auto here = in.tellg();
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    in.seekg(here);
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

// Width and height each checked before their product, which could wrap.
bool WithinBudget(std::uint64_t width, std::uint64_t height) {
    return width <= kLargestPicturePixels && height <= kLargestPicturePixels && width * height <= kLargestPicturePixels;
}

std::string TooLarge(std::uint64_t width, std::uint64_t height) {
    return "the picture's " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels pass the largest picture read (" + std::to_string(kLargestPicturePixels) + " pixels)";
}

// libpng's own reason, which names no format.
std::string CannotRead(const png_image& image) {
    return std::string("the PNG picture cannot be read (") + image.message + ")";
}

// libpng sizes the buffer of some chunks (eXIf) from the length the chunk
// claims, before reading it: a 300-byte file could make it take 2 GB. So
// every chunk is first checked to end within the file, reading only each
// chunk's 8-byte head.
bool ChunksEndWithinFile(std::istream& in, std::uint64_t fileSize, std::string& error) {
    constexpr std::uint64_t kSignatureBytes = 8, kLengthAndType = 8, kCrcBytes = 4;
    std::uint64_t at = kSignatureBytes;
    while (at + kLengthAndType <= fileSize) {
        unsigned char head[kLengthAndType];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(head), sizeof head)) break;
        const std::uint64_t length = png_get_uint_32(head);
        const std::uint64_t end = at + kLengthAndType + length + kCrcBytes;
        if (end > fileSize) {
            error = "the PNG picture is cut short (a chunk of " + std::to_string(length) + " bytes at byte " +
                    std::to_string(at) + " passes the end of its " + std::to_string(fileSize) + " bytes)";
            return false;
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        at = end;
    }
    return true;
}

bool ReadPng(const std::string& path, std::istream& in, std::uint64_t fileSize, Picture& picture, std::string& error) {
    if (!ChunksEndWithinFile(in, fileSize, error)) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        error = CannotRead(image);
        return false;
    }
    const std::uint64_t width = image.width, height = image.height;
    const std::uint64_t bytes = width * height * 3;
    if (!WithinBudget(width, height) || bytes > fileSize * kPngBytesPerFileByte) {
        png_image_free(&image);
        error = WithinBudget(width, height)
                    ? "the PNG picture claims " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels, more than its " + std::to_string(fileSize) + " bytes can hold"
                    : TooLarge(width, height);
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels.assign(static_cast<std::size_t>(bytes), 0);
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) {
        error = CannotRead(image);
        return false;
    }
    return true;
}

// A PPM header field: a decimal number of at most 10 digits, after blanks and
// '#' comments.
bool ReadHeaderNumber(std::istream& in, std::uint64_t& value) {
    for (int c = in.peek(); c != EOF; c = in.peek()) {
        if (c == '#') in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        else if (std::isspace(c)) in.get();
        else break;
    }
    value = 0;
    int digits = 0;
    for (int c = in.peek(); c >= '0' && c <= '9'; c = in.peek(), ++digits) {
        if (digits == 10) return false;
        value = value * 10 + static_cast<std::uint64_t>(in.get() - '0');
    }
    return digits > 0;
}

bool ReadPpm(const std::string& path, Picture& picture, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    const std::uint64_t fileSize = FileSize(in);
    char magic[2] = {};
    in.read(magic, 2);
    std::uint64_t width = 0, height = 0, maxValue = 0;
    if (!in || magic[0] != 'P' || magic[1] != '6' || !ReadHeaderNumber(in, width) || !ReadHeaderNumber(in, height) ||
        !ReadHeaderNumber(in, maxValue) || !std::isspace(in.get())) {
        error = "not a binary PPM (P6) picture";
        return false;
    }
    if (width == 0 || height == 0 || maxValue == 0 || maxValue > 65535) {
        error = "unsupported PPM size or depth";
        return false;
    }
    if (!WithinBudget(width, height)) {
        error = TooLarge(width, height);
        return false;
    }
    const std::uint64_t sampleBytes = maxValue > 255 ? 2 : 1;
    const std::uint64_t rawBytes = width * height * 3 * sampleBytes;
    const std::uint64_t header = static_cast<std::uint64_t>(in.tellg());
    if (rawBytes > fileSize - std::min(header, fileSize)) {  // refused before anything is allocated
        error = "the PPM picture is cut short";
        return false;
    }
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(rawBytes));
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
    if (probe.gcount() == 8 && png_sig_cmp(signature, 0, 8) == 0)
        return ReadPng(path, probe, FileSize(probe), picture, error);
    if (signature[0] == 'P' && signature[1] == '6') return ReadPpm(path, picture, error);
    error = "not a PNG or binary PPM picture";
    return false;
}
