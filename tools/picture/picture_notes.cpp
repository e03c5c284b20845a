#include "tools/picture/picture_notes.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "tiff/tag_numbers.h"
#include "tools/text/shift_jis.h"
#include "tools/text/terminal_text.h"

namespace {

// IFD0's tags carried.
constexpr std::uint32_t kMainTags[] = {kTagImageDescription, kTagMake,           kTagModel,    kTagXResolution,
                                       kTagYResolution,      kTagResolutionUnit, kTagSoftware, kTagDateTime,
                                       kTagArtist,           kTagCopyright};
std::vector<TiffTag> Carried(const PhotoIfd& ifd) {
    std::vector<TiffTag> tags;
    for (const TiffTag* tag : ifd.InTagOrder()) {
        const std::uint32_t number = tag->tagNumber;
        if (ifd.Belongs(number) && number != kTagMakerNote && number != kTagInteroperabilityIFDPointer) {
            tags.push_back(*tag);
        }
    }
    return tags;
}


// An ASCII tag's text up to its first NUL, as UTF-8 (a text that is not
// UTF-8 is read as Shift-JIS, the camera's), its trailing blanks cut; empty
// when absent, not ASCII, or holding control characters.
std::string Text(const TiffIfd& ifd, std::uint32_t tagNumber) {
    const TiffTag* tag = ifd.FindTagByNumber(tagNumber);
    if (tag == nullptr || tag->type != kTypeAscii) return {};
    std::string text;
    for (std::uint32_t value : tag->values) {
        if (value == 0) break;
        if (value < 0x20 || value == 0x7F) return {};
        text.push_back(static_cast<char>(value));
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return IsUtf8(text) ? text : ShiftJisToUtf8(text);
}

// A RATIONAL's value; 0 when absent or its denominator is 0.
double Rational(const TiffIfd& ifd, std::uint32_t tagNumber) {
    const TiffTag* tag = ifd.FindTagByNumber(tagNumber);
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
    const double x = Rational(ifd, kTagXResolution);
    const double y = Rational(ifd, kTagYResolution);
    if (x <= 0 || y <= 0) return std::nullopt;
    // ResolutionUnit: 1 none (a ratio only), 2 inch (the default), 3 centimetre.
    const TiffTag* unitTag = ifd.FindTagByNumber(kTagResolutionUnit);
    const std::uint32_t unit = unitTag != nullptr && !unitTag->values.empty() ? unitTag->values.front() : 2;
    if (unit < 1 || unit > 3) return std::nullopt;
    return PictureNotes::PixelSize{x, y, static_cast<PictureNotes::PixelSize::Unit>(unit)};
}

}  // namespace

bool FitsTextChunk(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

std::string PixelSizeText(const PictureNotes::PixelSize& size) {
    char text[96];
    std::snprintf(text, sizeof text, "%.10g x %.10g", size.x, size.y);
    using Unit = PictureNotes::PixelSize::Unit;
    return text + std::string(size.unit == Unit::kInch         ? " per inch"
                              : size.unit == Unit::kCentimetre ? " per centimetre"
                                                               : " (an aspect ratio)");
}

PhotoTags ReadPhotoTags(const PhotoFile& file) {
    PhotoTags tags;
    for (const std::uint32_t number : kMainTags) {
        const TiffTag* tag = file.mainIfd.FindTagByNumber(number);
        if (tag != nullptr) tags.main.push_back(*tag);
    }
    tags.exif = Carried(file.exifIfd);
    tags.gps = Carried(file.gpsIfd);
    return tags;
}

CameraNotes ReadCameraNotes(const PhotoFile& file) {
    CameraNotes camera;
    const TiffIfd& ifd = file.mainIfd;
    const TiffTag* orientation = ifd.FindTagByNumber(kTagOrientation);
    if (orientation != nullptr && !orientation->values.empty() && orientation->values.front() >= 1 &&
        orientation->values.front() <= 8) {
        camera.orientation = orientation->values.front();
    }
    camera.notes.pixelSize = PixelSize(ifd);
    std::string shot = Text(file.exifIfd, kTagDateTimeOriginal);
    if (shot.empty()) shot = Text(ifd, kTagDateTime);
    const struct {
        const char* keyword;
        std::string text;
    } texts[] = {{"Make", Text(ifd, kTagMake)},
                 {"Model", Text(ifd, kTagModel)},
                 {"Creation Time", shot.empty() ? shot : PngDateTime(shot)},
                 {"Author", Text(ifd, kTagArtist)},
                 {"Copyright", Text(ifd, kTagCopyright)},
                 {"Description", Text(ifd, kTagImageDescription)},
                 {"Software", Text(ifd, kTagSoftware)}};
    for (const auto& text : texts) {
        if (!text.text.empty()) camera.notes.texts.emplace_back(text.keyword, text.text);
    }
    camera.notes.photo = ReadPhotoTags(file);
    return camera;
}
