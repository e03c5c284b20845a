#include "tiff/camera_notes.h"

#include <cctype>
#include <cmath>
#include <string>

namespace {

// An ASCII tag's text up to its first NUL; empty when absent or when it holds
// bytes a PNG text (Latin-1, printable) should not carry.
std::string Text(const TiffIfd& ifd, const char* name) {
    const TiffTag* tag = ifd.FindTag(name);
    if (tag == nullptr || tag->type != kTypeAscii) return {};
    std::string text;
    for (std::uint32_t value : tag->values) {
        if (value == 0) break;
        if (value < 0x20 || value > 0x7E) return {};
        text.push_back(static_cast<char>(value));
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// A RATIONAL's value; 0 when absent or its denominator is 0.
double Rational(const TiffIfd& ifd, const char* name) {
    const TiffTag* tag = ifd.FindTag(name);
    if (tag == nullptr || tag->type != kTypeRational || tag->values.size() < 2 || tag->values[1] == 0) return 0;
    return static_cast<double>(tag->values[0]) / tag->values[1];
}

// "2026:01:01 12:34:56" as "2026-01-01T12:34:56"; other texts as they are.
std::string IsoDateTime(std::string text) {
    static const char kForm[] = "dddd:dd:dd dd:dd:dd";
    if (text.size() != sizeof kForm - 1) return text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return text;
    }
    text[4] = text[7] = '-';
    text[10] = 'T';
    return text;
}

std::optional<PictureNotes::PixelSize> PixelSize(const TiffIfd& ifd) {
    const double x = Rational(ifd, "XResolution");
    const double y = Rational(ifd, "YResolution");
    if (x <= 0 || y <= 0) return std::nullopt;
    // ResolutionUnit: 1 none (a ratio only), 2 inch (the default), 3 centimetre.
    const std::uint32_t unit = ifd.FindTag("ResolutionUnit") != nullptr ? ifd.FirstValue("ResolutionUnit") : 2;
    const double perMetre = unit == 2 ? 1 / 0.0254 : unit == 3 ? 100 : 1;
    const double xPer = std::round(x * perMetre);
    const double yPer = std::round(y * perMetre);
    if (unit < 1 || unit > 3 || xPer < 1 || yPer < 1 || xPer > 0x7FFFFFFF || yPer > 0x7FFFFFFF) return std::nullopt;
    return PictureNotes::PixelSize{static_cast<std::uint32_t>(xPer), static_cast<std::uint32_t>(yPer), unit != 1};
}

}  // namespace

CameraNotes ReadCameraNotes(const ErfFile& erf) {
    CameraNotes camera;
    const TiffIfd& ifd = erf.mainIfd;
    const std::uint32_t orientation = ifd.FirstValue("Orientation");
    if (orientation >= 1 && orientation <= 8) camera.orientation = orientation;
    camera.notes.pixelSize = PixelSize(ifd);
    const struct {
        const char* tag;
        const char* keyword;
    } texts[] = {{"Make", "Make"}, {"Model", "Model"}, {"DateTime", "Creation Time"}};
    for (const auto& text : texts) {
        std::string value = Text(ifd, text.tag);
        if (value.empty()) continue;
        camera.notes.texts.emplace_back(text.keyword, text.tag == std::string("DateTime") ? IsoDateTime(value) : value);
    }
    return camera;
}

std::optional<std::string> OtherMaker(const ErfFile& erf) {
    const std::string make = Text(erf.mainIfd, "Make");
    std::string upper = make;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // EPSON's cameras write "SEIKO EPSON CORP."
    if (make.empty() || upper.find("EPSON") != std::string::npos) return std::nullopt;
    return make;
}
