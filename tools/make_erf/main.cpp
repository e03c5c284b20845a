// make-erf: writes a synthetic EPSON RAW file, from the built-in test chart
// or from a picture, through the TIFF library's own write side.
#include <cstdio>
#include <string>

#include "tools/cli/command_line.h"
#include "tools/make_erf/erf_writer.h"
#include "tools/output/output_file.h"
#include "tools/make_erf/test_chart.h"
#include "tools/make_erf/picture_file.h"
#include "platform/limits.h"

namespace {

constexpr std::uint32_t kCameraWidth = 3040;
constexpr std::uint32_t kCameraHeight = 2024;
constexpr std::uint32_t kMaxSide = 65535;

struct Options {
    std::string output, input, byteOrder = "II";
    std::uint32_t width = 0, height = 0;  // 0: the camera's, or the input picture's
    bool force = false;
};

void Describe(CLI::App& app, Options& options) {
    cli::AddVersion(app);
    app.add_option("-o,--output", options.output, "The file to write; - for standard output")->option_text("PATH");
    app.add_option("--width", options.width,
                   "Picture width in pixels (default " + std::to_string(kCameraWidth) + ", or the input's)")
        ->check(cli::Whole(1, kMaxSide))
        ->option_text("W");
    app.add_option("--height", options.height,
                   "Picture height in pixels (default " + std::to_string(kCameraHeight) + ", or the input's)")
        ->check(cli::Whole(1, kMaxSide))
        ->option_text("H");
    app.add_option("--byte-order", options.byteOrder, "II (little-endian, the default) or MM (big-endian)")
        ->transform(cli::OneOf({"II", "MM"}))
        ->option_text("II|MM");
    app.add_option("--input", options.input,
                   "A PNG or binary PPM picture instead of the chart (resized when a size is given)")
        ->option_text("PICTURE");
    app.add_flag("--force", options.force,
                 "Replace an existing file (as erf-convert's --force; a file named with -o is replaced anyway, "
                 "the input picture never)");
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "make-erf: %s\n", message.c_str());
    return cli::kExitFailure;
}

// Checked before the picture is made, so that no memory is taken for a file
// that could not be written.
std::string TooLarge(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) +
           " pixels is too large: the raw strip would pass 2 GB, beyond a TIFF file's 32-bit offsets";
}

// The picture to write: the test chart or the input, at the size asked for.
// Returns the exit status on failure.
int MakePicture(const Options& options, Picture& picture) {
    std::uint32_t width = options.width, height = options.height;
    if (options.input.empty()) {
        width = width != 0 ? width : kCameraWidth;
        height = height != 0 ? height : kCameraHeight;
        if (!RawFileFits(width, height)) return Fail(TooLarge(width, height));
        picture = MakeTestChart(width, height);
        return 0;
    }
    std::string error;
    // Without a size given, the picture's own must fit: refused from its header.
    const std::uint32_t largestSide = width != 0 || height != 0 ? kLargestPictureSide : kMaxSide;
    if (!ReadPicture(options.input, picture, error, largestSide)) return Fail(options.input + ": " + error);
    if (width != 0 || height != 0) {
        width = width != 0 ? width : static_cast<std::uint32_t>(picture.width);
        height = height != 0 ? height : static_cast<std::uint32_t>(picture.height);
        if (!RawFileFits(width, height)) return Fail(TooLarge(width, height));
        picture = Resized(picture, width, height);
    } else if (static_cast<std::uint32_t>(picture.width) > kMaxSide ||
               static_cast<std::uint32_t>(picture.height) > kMaxSide) {
        return Fail(options.input + ": the picture is larger than " + std::to_string(kMaxSide) + " pixels a side");
    }
    return 0;
}

int Run(int argc, char** argv) {
    CLI::App app("Writes a synthetic EPSON RAW file: the built-in test chart (3040 x 2024 by default) or a picture.",
                 "make-erf");
    Options options;
    Describe(app, options);
    if (const auto status = cli::Parse(app, argc, argv)) return *status;
    if (options.output.empty()) return cli::BadUsage(app, "no output file given: name it with -o PATH");
    if (options.output == kStandardOutput && StandardOutputIsTerminal()) return cli::BadUsage(app, kTerminalRefused);

    if (const auto identity = options.output == kStandardOutput ? std::nullopt : IdentityOf(options.output);
        identity && identity == IdentityOf(options.input)) {
        return Fail(options.output + ": is the input picture " + options.input + "; not replaced");
    }

    // The writer seeks back to patch offsets: standard output gets a copy.
    // Made first, so that a target that cannot be written is named before
    // any picture is read or made.
    OutputFile output(OutputFile::StandardOutput::kCopied);
    std::string error;
    if (!output.Open(options.output, true, error)) return Fail(error);
    Picture picture;
    if (const int status = MakePicture(options, picture); status != 0) return status;
    if (!WriteErf(output.temporaryPath(), picture, options.byteOrder == "II", error)) {
        return Fail(ShownName(options.output) + ": " + error);
    }
    return output.Commit(error) ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
    return cli::RunGuarded("make-erf", [&] { return Run(argc, argv); });
}
