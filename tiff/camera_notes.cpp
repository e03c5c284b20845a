#include "tiff/camera_notes.h"

#include <cctype>
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

// The day of the week of a date in the Gregorian calendar, 0 for Sunday.
int Weekday(int year, int month, int day) {
    static const int kMonthShift[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) --year;
    return (year + year / 4 - year / 100 + year / 400 + kMonthShift[month - 1] + day) % 7;
}

// "2026:01:01 12:34:56" in the form of RFC 1123 that PNG's "Creation Time"
// asks for, "Thu, 01 Jan 2026 12:34:56", without a zone: the camera does not
// say which it kept. Other texts as they are.
std::string PngDateTime(const std::string& text) {
    static const char kForm[] = "dddd:dd:dd dd:dd:dd";
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (text.size() != sizeof kForm - 1) return text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return text;
    }
    const int year = std::stoi(text.substr(0, 4));
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return text;
    return std::string(kDays[Weekday(year, month, day)]) + ", " + text.substr(8, 2) + " " + kMonths[month - 1] + " " +
           text.substr(0, 4) + " " + text.substr(11);
}

std::optional<PictureNotes::PixelSize> PixelSize(const TiffIfd& ifd) {
    const double x = Rational(ifd, "XResolution");
    const double y = Rational(ifd, "YResolution");
    if (x <= 0 || y <= 0) return std::nullopt;
    // ResolutionUnit: 1 none (a ratio only), 2 inch (the default), 3 centimetre.
    const std::uint32_t unit = ifd.FindTag("ResolutionUnit") != nullptr ? ifd.FirstValue("ResolutionUnit") : 2;
    if (unit < 1 || unit > 3) return std::nullopt;
    return PictureNotes::PixelSize{x, y, static_cast<PictureNotes::PixelSize::Unit>(unit)};
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
    } texts[] = {{"Make", "Make"},        {"Model", "Model"},         {"DateTime", "Creation Time"},
                 {"Artist", "Author"},    {"Copyright", "Copyright"}, {"ImageDescription", "Description"},
                 {"Software", "Software"}};
    for (const auto& text : texts) {
        std::string value = Text(ifd, text.tag);
        if (value.empty()) continue;
        camera.notes.texts.emplace_back(text.keyword, text.tag == std::string("DateTime") ? PngDateTime(value) : value);
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
