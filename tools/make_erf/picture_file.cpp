#include "tools/make_erf/picture_file.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
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

std::string TooLargeASide(std::uint64_t width, std::uint64_t height, std::uint32_t largestSide) {
    return "the picture's " + std::to_string(width) + " x " + std::to_string(height) + " pixels are larger than " +
           std::to_string(largestSide) + " pixels a side";
}

// What libpng keeps of a PNG: the chunks that make its pixels (IHDR, PLTE,
// tRNS, IDAT, IEND) and those that say how to read their levels (gAMA,
// sRGB). Every other chunk, text above all, is skipped unread: a compressed
// text chunk of a few kilobytes can inflate to megabytes, and a file can hold
// thousands of them.
constexpr png_byte kLevelChunks[] = "gAMA\0sRGB";
constexpr int kLevelChunkCount = 2;
// The most bytes libpng may allocate for one chunk it keeps (PLTE, tRNS,
// gAMA and sRGB take under 1 KiB).
constexpr png_alloc_size_t kLargestPngChunk = 64 * 1024;
// libpng's own default limit on a side, kept where the caller allows more.
constexpr std::uint32_t kLargestPngSide = 1000000;

// A PNG file as libpng reads it: plain data only, as libpng's error handler
// leaves this frame through longjmp.
struct PngReading {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* reading = static_cast<PngReading*>(png_get_error_ptr(png));
    std::snprintf(reading->message, sizeof reading->message, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The header's size, as read before libpng (0 x 0 when the file has no IHDR
// first); every chunk up to IEND is checked to end within the file.
struct PngHeader {
    std::uint64_t width = 0, height = 0;
};

// libpng sizes the buffer of some chunks (eXIf) from the length the chunk
// claims, before reading it: a 300-byte file could make it take 2 GB. So
// every chunk is first checked to end within the file, reading only each
// chunk's 8-byte head (and the size in IHDR's data).
bool ChunksEndWithinFile(std::istream& in, std::uint64_t fileSize, PngHeader& header, std::string& error) {
    constexpr std::uint64_t kSignatureBytes = 8, kLengthAndType = 8, kCrcBytes = 4;
    std::uint64_t at = kSignatureBytes;
    while (at + kLengthAndType <= fileSize) {
        unsigned char head[kLengthAndType + 8];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(head), sizeof head) && in.gcount() < 8) break;
        in.clear();
        const std::uint64_t length = png_get_uint_32(head);
        const std::uint64_t end = at + kLengthAndType + length + kCrcBytes;
        if (end > fileSize) {
            error = "the PNG picture is cut short (a chunk of " + std::to_string(length) + " bytes at byte " +
                    std::to_string(at) + " passes the end of its " + std::to_string(fileSize) + " bytes)";
            return false;
        }
        if (at == kSignatureBytes && std::memcmp(head + 4, "IHDR", 4) == 0 && length >= 8) {
            header.width = png_get_uint_32(head + 8);
            header.height = png_get_uint_32(head + 12);
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        at = end;
    }
    return true;
}

// Reads the chunks before the image data, skipping all but those kept (see
// kLevelChunks). Nothing here has a destructor: libpng's errors longjmp.
bool ReadPngHeader(PngReading& reading, std::uint32_t largestSide) {
    if (setjmp(png_jmpbuf(reading.png)) != 0) return false;
    png_init_io(reading.png, reading.file);
    const std::uint32_t side = std::min(largestSide, kLargestPngSide);
    png_set_user_limits(reading.png, side, side);
    png_set_chunk_malloc_max(reading.png, kLargestPngChunk);
    png_set_keep_unknown_chunks(reading.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(reading.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kLevelChunks, kLevelChunkCount);
    png_read_info(reading.png, reading.info);
    return true;
}

// Reads the pixels as 8-bit BGR into `pixels`, which holds width x height x 3
// bytes: palette and grey levels expanded, 16-bit samples scaled, alpha
// composited onto black in linear light. Levels are taken as sRGB unless the
// file states its gamma; 16-bit samples without one as linear light.
bool DecodePng(PngReading& reading, std::uint8_t* pixels, png_bytep* rows) {
    if (setjmp(png_jmpbuf(reading.png)) != 0) return false;
    const png_uint_32 width = png_get_image_width(reading.png, reading.info);
    const png_uint_32 height = png_get_image_height(reading.png, reading.info);
    const bool statedGamma = png_get_valid(reading.png, reading.info, PNG_INFO_gAMA | PNG_INFO_sRGB) != 0;
    png_set_expand(reading.png);
    png_set_gray_to_rgb(reading.png);
    png_set_alpha_mode_fixed(reading.png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    if (png_get_bit_depth(reading.png, reading.info) == 16 && !statedGamma) {
        png_set_gamma_fixed(reading.png, PNG_DEFAULT_sRGB, PNG_FP_1);
    }
    const png_color_16 black{};
    png_set_background_fixed(reading.png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 0);
    png_set_scale_16(reading.png);
    png_set_bgr(reading.png);
    png_set_interlace_handling(reading.png);
    png_read_update_info(reading.png, reading.info);
    if (png_get_rowbytes(reading.png, reading.info) != std::size_t{width} * 3) {
        png_error(reading.png, "unexpected row layout");
    }
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + std::size_t{y} * width * 3;
    png_read_image(reading.png, rows);
    return true;
}

bool ReadPng(const std::string& path, std::istream& in, std::uint64_t fileSize, std::uint32_t largestSide,
             Picture& picture, std::string& error) {
    PngHeader header;
    if (!ChunksEndWithinFile(in, fileSize, header, error)) return false;
    if (header.width > largestSide || header.height > largestSide) {
        error = TooLargeASide(header.width, header.height, largestSide);
        return false;
    }
    PngReading reading;
    reading.file = std::fopen(path.c_str(), "rb");
    reading.png = reading.file == nullptr
                      ? nullptr
                      : png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, OnPngError, OnPngWarning);
    reading.info = reading.png == nullptr ? nullptr : png_create_info_struct(reading.png);
    const auto finish = [&] {
        if (reading.png != nullptr) png_destroy_read_struct(&reading.png, &reading.info, nullptr);
        if (reading.file != nullptr) std::fclose(reading.file);
    };
    if (reading.info == nullptr) {
        finish();
        error = "cannot open the file";
        return false;
    }
    const auto cannotRead = [&] {
        error = std::string("the PNG picture cannot be read (") + reading.message + ")";
        finish();
        return false;
    };
    if (!ReadPngHeader(reading, largestSide)) return cannotRead();
    const std::uint64_t width = png_get_image_width(reading.png, reading.info);
    const std::uint64_t height = png_get_image_height(reading.png, reading.info);
    const std::uint64_t bytes = width * height * 3;
    if (!WithinBudget(width, height) || bytes > fileSize * kPngBytesPerFileByte) {
        finish();
        error = WithinBudget(width, height)
                    ? "the PNG picture claims " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels, more than its " + std::to_string(fileSize) + " bytes can hold"
                    : TooLarge(width, height);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    picture.pixels.assign(static_cast<std::size_t>(bytes), 0);
    if (!DecodePng(reading, picture.pixels.data(), rows.data())) {
        picture.pixels.clear();
        return cannotRead();
    }
    finish();
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
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

bool ReadPpm(const std::string& path, std::uint32_t largestSide, Picture& picture, std::string& error) {
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
    if (width > largestSide || height > largestSide) {
        error = TooLargeASide(width, height, largestSide);
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
        if (sample > maxValue) {
            error = "the PPM picture has a sample of " + std::to_string(sample) + " above its maximum value " +
                    std::to_string(maxValue) + " (pixel " + std::to_string(i / 3) + ")";
            picture = Picture{};
            return false;
        }
        // The file's red, green, blue; the picture's blue, green, red.
        picture.pixels[i - i % 3 + 2 - i % 3] = static_cast<std::uint8_t>((sample * 255 + maxValue / 2) / maxValue);
    }
    return true;
}

}  // namespace

bool ReadPicture(const std::string& path, Picture& picture, std::string& error, std::uint32_t largestSide) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        error = "cannot open the file";
        return false;
    }
    unsigned char signature[8] = {};
    probe.read(reinterpret_cast<char*>(signature), sizeof signature);
    if (probe.gcount() == 8 && png_sig_cmp(signature, 0, 8) == 0)
        return ReadPng(path, probe, FileSize(probe), largestSide, picture, error);
    if (signature[0] == 'P' && signature[1] == '6') return ReadPpm(path, largestSide, picture, error);
    error = "not a PNG or binary PPM picture";
    return false;
}
