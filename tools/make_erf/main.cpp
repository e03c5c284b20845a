// make-erf: writes a synthetic EPSON RAW file, from the built-in test chart
// or from a picture, through the TIFF library's own write side.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/make_erf/erf_writer.h"
#include "tools/make_erf/picture_file.h"
#include "tools/make_erf/test_chart.h"

namespace {

constexpr std::uint32_t kCameraWidth = 3040;
constexpr std::uint32_t kCameraHeight = 2024;
constexpr std::uint32_t kMaxSide = 65535;

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: make-erf -o OUTPUT.erf [--width W] [--height H] [--byte-order II|MM] [--input PICTURE]\n"
                 "  -o, --output PATH   the file to write\n"
                 "  --width W           picture width in pixels, 1 to %u (default %u, or the input's)\n"
                 "  --height H          picture height in pixels, 1 to %u (default %u, or the input's)\n"
                 "  --byte-order II|MM  little-endian (II, default) or big-endian (MM)\n"
                 "  --input PICTURE     a PNG or binary PPM picture instead of the test chart,\n"
                 "                      resized to W x H when a size is given\n",
                 kMaxSide, kCameraWidth, kMaxSide, kCameraHeight);
}

bool ParseSide(const char* text, std::uint32_t& side) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || value < 1 || value > kMaxSide) return false;
    side = static_cast<std::uint32_t>(value);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "make-erf: %s\n", message.c_str());
    return 1;
}

// Checked before the picture is made, so that no memory is taken for a file
// that could not be written.
std::string TooLarge(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) +
           " pixels is too large: the raw strip would pass 2 GB, beyond a TIFF file's 32-bit offsets";
}

}  // namespace

int main(int argc, char** argv) {
    std::string output, input;
    std::uint32_t width = 0, height = 0;
    bool littleEndian = true;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            Usage(stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            Usage(stderr);
            return Fail("missing value after " + option);
        }
        const char* value = argv[++i];
        if (option == "-o" || option == "--output") {
            output = value;
        } else if (option == "--input") {
            input = value;
        } else if (option == "--width" || option == "--height") {
            if (!ParseSide(value, option == "--width" ? width : height)) {
                return Fail(option + " must be a whole number from 1 to " + std::to_string(kMaxSide) + ", not '" +
                            value + "'");
            }
        } else if (option == "--byte-order") {
            if (std::strcmp(value, "II") != 0 && std::strcmp(value, "MM") != 0) {
                return Fail(std::string("--byte-order must be II or MM, not '") + value + "'");
            }
            littleEndian = value[0] == 'I';
        } else {
            Usage(stderr);
            return Fail("unknown option " + option);
        }
    }
    if (output.empty()) {
        Usage(stderr);
        return Fail("no output file given (-o)");
    }

    RgbPicture picture;
    if (input.empty()) {
        width = width != 0 ? width : kCameraWidth;
        height = height != 0 ? height : kCameraHeight;
        if (!RawFileFits(width, height)) return Fail(TooLarge(width, height));
        picture = MakeTestChart(width, height);
    } else {
        std::string error;
        if (!ReadPicture(input, picture, error)) return Fail(input + ": " + error);
        if (width != 0 || height != 0) {
            width = width != 0 ? width : picture.width;
            height = height != 0 ? height : picture.height;
            if (!RawFileFits(width, height)) return Fail(TooLarge(width, height));
            picture = Resized(picture, width, height);
        } else if (picture.width > kMaxSide || picture.height > kMaxSide) {
            return Fail(input + ": the picture is larger than " + std::to_string(kMaxSide) + " pixels a side");
        }
    }
    std::string error;
    if (!WriteErf(output, picture, littleEndian, error)) return Fail(output + ": " + error);
    return 0;
}
