#include "tools/erf_info/text_report.h"

#include <algorithm>

#include "tools/text/terminal_text.h"

namespace {

// Columns of an entry line: number, name, type and count, then the value
// text and the description, each column followed by at least one blank.
constexpr std::size_t kIndent = 2, kNumberColumns = 6, kNameColumns = 26, kTypeColumns = 10, kCountColumns = 6;
constexpr std::size_t kGap = 2;
// The value column; a longer value takes room from the description down to
// the least a description keeps, and is cut beyond that.
constexpr std::size_t kValueColumns = 18, kLeastDescriptionColumns = 16;

std::string Column(const std::string& text, std::size_t columns) {
    return text.size() < columns ? text + std::string(columns - text.size(), ' ') : text + ' ';
}

std::string EntryLine(const EntryReport& entry) {
    const std::string type = entry.typeName.empty() ? "type " + std::to_string(entry.type) : entry.typeName;
    const std::string prefix = std::string(kIndent, ' ') + Column(std::to_string(entry.number), kNumberColumns) +
                               Column(entry.name, kNameColumns) + Column(type, kTypeColumns) +
                               Column(std::to_string(entry.count), kCountColumns);
    // Value and description share what the line has left after the prefix.
    const std::size_t room = kLineColumns - std::min(kLineColumns, prefix.size() + kGap);
    const std::size_t valueColumns = std::min(
        room, std::max(kValueColumns, ColumnsUpTo(entry.valueText, room - std::min(room, kLeastDescriptionColumns))));
    return prefix + FitToColumns(entry.valueText, valueColumns) + std::string(kGap, ' ') +
           CutToColumns(entry.description, room - valueColumns) + "\n";
}

std::string Directory(const char* title, const std::vector<EntryReport>& entries) {
    std::string text =
        std::string(title) + ": " + std::to_string(entries.size()) + (entries.size() == 1 ? " entry\n" : " entries\n");
    for (const EntryReport& entry : entries) text += EntryLine(entry);
    return text;
}

std::string Image(const char* title, const ImageReport& image) {
    return std::string(title) + std::to_string(image.width) + " x " + std::to_string(image.length) + ", photometric " +
           std::to_string(image.photometric) + ", strip of " + std::to_string(image.stripByteCount) + " bytes at " +
           std::to_string(image.stripOffset) + "\n";
}

}  // namespace

std::string TextReport(const FileReport& report) {
    std::string text = report.file + "\n";
    if (report.Parsed()) {
        text += std::string("byte order: ") + (report.littleEndian ? "II (little-endian)" : "MM (big-endian)") + "\n";
        text += Directory("IFD0", report.ifd0);
        text += Directory("raw IFD", report.rawIfd);
        if (!report.exifIfd.empty()) text += Directory("Exif IFD", report.exifIfd);
        if (!report.gpsIfd.empty()) text += Directory("GPS IFD", report.gpsIfd);
        const std::string make = "Make: ";
        text += make + (report.make ? CutToColumns(*report.make, kLineColumns - make.size()) : "(none)") + "\n";
        text += Image("IFD0 image: ", report.ifd0Image);
        text += Image("raw image:  ", report.rawImage);
    }
    const std::string verdict = "verdict: ";
    return text + verdict + CutToColumns(report.verdictText, kLineColumns - verdict.size()) + "\n";
}
