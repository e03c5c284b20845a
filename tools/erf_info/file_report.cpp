#include "tools/erf_info/file_report.h"

#include <algorithm>

#include "platform/win32.h"
#include "plugin/raw_strip_of.h"
#include "tiff/camera_notes.h"
#include "tiff/photo_file.h"
#include "tiff/type_facts.h"
#include "tools/output/input_file.h"
#include "tools/text/shift_jis.h"
#include "tools/text/terminal_text.h"

namespace {

const char* TypeName(std::uint32_t type) {
    const char* n = TypeFactsOf(type).name;
    return n != nullptr ? n : "";
}

std::string Joined(const std::vector<std::uint32_t>& values) {
    std::string text;
    for (const std::uint32_t value : values) text += (text.empty() ? "" : ", ") + std::to_string(value);
    return text;
}

// `text` of at most kReportTextBytes + 1 bytes, cut to kReportTextBytes when
// longer, without the bytes of a character the cut would split (a UTF-8 or
// Shift-JIS byte from 0x80 on, at the end, is dropped).
std::string CutText(std::string text) {
    if (text.size() <= kReportTextBytes) return text;
    text.resize(kReportTextBytes);
    while (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80) text.pop_back();
    return text;
}

EntryReport Entry(const TiffTag& tag, Language language) {
    EntryReport entry;
    entry.number = tag.tagNumber;
    entry.name = tag.name;
    entry.type = tag.type;
    entry.typeName = TypeName(tag.type);
    entry.count = tag.count;
    // The library pads the list of a text's characters; the file holds `count` values.
    // (At most the list's size, so it fits a size_t.)
    const auto items = static_cast<std::size_t>(
        std::min<std::uint64_t>(tag.values.size(), std::uint64_t{tag.count} * TypeFactsOf(tag.type).itemsPerValue));
    const std::size_t shown = std::min(items, kReportValues);
    entry.values.assign(tag.values.begin(), tag.values.begin() + static_cast<std::ptrdiff_t>(shown));
    const std::string& text = tag.valueText;
    const std::size_t from = !text.empty() && text[0] == ' ' ? 1 : 0;
    entry.valueText = FieldText(CutText(text.substr(from, kReportTextBytes + 1)), tag.type == kTypeAscii);
    entry.cut = shown < items || text.size() - from > kReportTextBytes;
    entry.description = ShiftJisToUtf8(tag.description);
    // Named values go by the dictionary's key: the name, "_", the values.
    const std::string valueKey = tag.name + "_" + Joined(entry.values);
    if (language == Language::kEnglish) {
        const char* description = EnglishText(tag.name);
        entry.description = description != nullptr ? description : "";
        if (const char* named = EnglishText(valueKey)) entry.valueText = named;
    }
    if (const char* named = ValueNameBeyondDictionary(valueKey)) entry.valueText = named;
    return entry;
}

// The entries of a directory in tag order.
std::vector<EntryReport> InTagOrder(const TiffIfd& ifd, Language language) {
    std::vector<EntryReport> list;
    for (const TiffTag* tag : ifd.InTagOrder()) list.push_back(Entry(*tag, language));
    return list;
}

// What keeps the file from being opened, from the system's last error.
std::string OpenFailure() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND: return "no such file";
        case ERROR_ACCESS_DENIED: return "access denied, or a folder";
        case ERROR_SHARING_VIOLATION: return "in use by another program";
        default: return "cannot be opened";
    }
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

// The verdict on the raw strip, judged as the module's decode meets it.
void Judge(const ErfFile& erf, FileReport& report) {
    // A directory cut by the file's end, or another camera's Make, is the
    // reason only when the module finds nothing to decode (it reads the
    // entries inside the file, whoever made it), so the verdict and the
    // module never disagree on what is delivered.
    const bool decodes = !erf.rawIfd.Tags().empty() && CheckRawStrip(RawStripOf(erf)).RowsDelivered() > 0;
    if (!decodes) report.verdictText = DirectoryCutShort(erf);
    if (!report.verdictText.empty()) {
        report.verdict = Verdict::kDirectoryCutShort;
        return;
    }
    if (const std::optional<std::string> maker = OtherMaker(erf); maker && !decodes) {
        report.verdict = Verdict::kOtherCamera;
        report.verdictText = FieldText(NothingToDecode(erf), true);
        return;
    }
    if (erf.rawIfd.Tags().empty()) {
        report.verdict = Verdict::kPlainTiff;
        report.verdictText = NothingToDecode(erf);
        return;
    }
    const RawStripCheck check = CheckRawStrip(RawStripOf(erf));
    const std::string size = Number(check.width) + " x " + Number(check.height) + " pixels";
    report.rowsPresent = check.rowsPresent;
    switch (check.verdict) {
        case RawStripVerdict::kIntact:
            report.verdict = Verdict::kComplete;
            report.verdictText = "EPSON RAW, complete";
            break;
        case RawStripVerdict::kCutShort:
            report.verdict = Verdict::kCutShort;
            report.verdictText =
                check.outOfReach
                    ? "EPSON RAW, strip out of reach: it starts beyond the first 2 GiB of the file, which the "
                      "module does not read, so none of its " +
                          Number(check.height) + " rows is decoded"
                : check.rowsPresent == 0
                    ? "EPSON RAW, strip cut short: none of its " + Number(check.height) + " rows is in the file"
                    : "EPSON RAW, strip cut short at row " + Number(check.rowsPresent) + " of " + Number(check.height) +
                          " (the rows below repeat row " + Number(check.rowsPresent) + ")";
            break;
        case RawStripVerdict::kNoRawImage:
            report.verdict = Verdict::kNoRawSize;
            report.verdictText = NothingToDecode(erf);
            break;
        case RawStripVerdict::kSizeUnknown:
            report.verdict = Verdict::kSizeUnknown;
            report.verdictText = "not usable: the file's size cannot be told, so nothing bounds its " + size;
            break;
        case RawStripVerdict::kLargerThanFile:
            report.verdict = Verdict::kLargerThanFile;
            report.verdictText = "not usable: " + size + " is more than a file of " +
                                 Number(erf.fileBytes.value_or(0)) + " bytes can hold";
            break;
        case RawStripVerdict::kTooLargeForMemory:
            report.verdict = Verdict::kTooLargeForMemory;
            report.verdictText = "not usable: " + size + " is too large to decode in memory";
            break;
    }
    // Another maker's file, or another packing, that the module decodes all the same.
    if (const std::optional<std::string> other = NotEpsonRaw(erf); other && decodes) {
        report.verdict = Verdict::kNotEpsonRaw;
        report.verdictText = FieldText(*other, true) + "; the module still decodes its " + size;
    }
}

}  // namespace

std::string FieldText(const std::string& text, bool asciiField) {
    return asciiField && IsUtf8(text) ? text : ShiftJisToUtf8(text);
}

FileReport Examine(const std::string& file, Language language) {
    FileReport report;
    report.file = file;
    report.error = InputProblem(file);
    if (!report.error.empty()) return report;
    PhotoFile erf;
    // A bad header is reported by the library itself, on its own line.
    switch (const std::int32_t opened = erf.Open(file.c_str())) {
        case 0: break;
        case -1: report.error = OpenFailure(); return report;
        case -12:
        case -13:
            report.error = HeaderProblem(opened);
            report.verdictText = "not an EPSON RAW file: " + report.error;
            return report;
        default: report.error = "cannot be read"; return report;
    }
    report.littleEndian = erf.mainIfd.IsLittleEndian();
    report.ifd0 = InTagOrder(erf.mainIfd, language);
    report.rawIfd = InTagOrder(erf.rawIfd, language);
    report.exifIfd = InTagOrder(erf.exifIfd, language);
    report.gpsIfd = InTagOrder(erf.gpsIfd, language);
    if (erf.mainIfd.HasTag("Make")) {
        // Asked first with no room, for the whole text's length.
        std::vector<char> make(static_cast<std::size_t>(erf.mainIfd.GetMake(nullptr, 0)) + 1);
        erf.mainIfd.GetMake(make.data(), static_cast<std::int32_t>(make.size()));
        report.make = FieldText(make.data(), true);
    }
    ImageReport& m = report.ifd0Image;
    erf.QueryMainImageTags(&m.photometric, &m.width, &m.length, &m.stripOffset, &m.stripByteCount);
    ImageReport& r = report.rawImage;
    erf.QueryRawImageTags(&r.photometric, &r.width, &r.length, &r.stripOffset, &r.stripByteCount);
    Judge(erf, report);
    return report;
}
