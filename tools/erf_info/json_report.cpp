#include "tools/erf_info/json_report.h"

#include "tiff/type_facts.h"

namespace {

using Json = nlohmann::ordered_json;

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kComplete: return "complete";
        case Verdict::kCutShort: return "cutShort";
        case Verdict::kDirectoryCutShort: return "directoryCutShort";
        case Verdict::kOtherCamera: return "otherCamera";
        case Verdict::kNotEpsonRaw: return "notEpsonRaw";
        case Verdict::kNotTiff: return "notTiff";
        case Verdict::kPlainTiff: return "plainTiff";
        case Verdict::kNoRawSize: return "noRawSize";
        case Verdict::kSizeUnknown: return "sizeUnknown";
        case Verdict::kLargerThanFile: return "largerThanFile";
        case Verdict::kTooLargeForMemory: return "tooLargeForMemory";
    }
    return "";
}

// A rational's item as the type reads it: SRATIONAL's are signed.
Json Item(std::uint32_t item, std::uint32_t type) {
    return type == kTypeSRational ? Json(static_cast<std::int32_t>(item)) : Json(item);
}

Json Directory(const std::vector<EntryReport>& entries) {
    Json list = Json::array();
    for (const EntryReport& entry : entries) {
        Json object = {
            {"number", entry.number}, {"name", entry.name},
            {"type", entry.type},     {"typeName", entry.typeName.empty() ? Json(nullptr) : Json(entry.typeName)},
            {"count", entry.count},   {"values", entry.values}};
        if (TypeFactsOf(entry.type).itemsPerValue == 2) {
            // Each rational as [numerator, denominator], and its decimal (null over 0).
            Json pairs = Json::array(), decimals = Json::array();
            for (std::size_t i = 0; i + 1 < entry.values.size(); i += 2) {
                const Json top = Item(entry.values[i], entry.type), bottom = Item(entry.values[i + 1], entry.type);
                pairs.push_back({top, bottom});
                decimals.push_back(entry.values[i + 1] == 0 ? Json(nullptr)
                                                            : Json(top.get<double>() / bottom.get<double>()));
            }
            object["values"] = pairs;
            object["decimals"] = decimals;
        }
        object["valueText"] = entry.valueText;
        object["description"] = entry.description;
        if (entry.cut) object["cut"] = true;  // only the first values and characters are shown
        list.push_back(object);
    }
    return list;
}

Json Image(const ImageReport& image) {
    return {{"PhotometricInterpretation", image.photometric},
            {"ImageWidth", image.width},
            {"ImageLength", image.length},
            {"StripOffsets", image.stripOffset},
            {"StripByteCounts", image.stripByteCount}};
}

Json VerdictObject(const FileReport& report) {
    Json verdict = {{"usable", report.Usable()}, {"state", VerdictName(report.verdict)}, {"text", report.verdictText}};
    if (report.verdict == Verdict::kCutShort) verdict["rowsPresent"] = report.rowsPresent;
    return verdict;
}

}  // namespace

Json JsonReport(const FileReport& report) {
    Json object = {{"file", report.file}};
    if (!report.error.empty()) object["error"] = report.error;
    if (!report.Parsed()) {
        if (!report.verdictText.empty()) object["verdict"] = VerdictObject(report);
        return object;
    }
    object["byteOrder"] = report.littleEndian ? "II" : "MM";
    object["ifd0"] = Directory(report.ifd0);
    object["rawIfd"] = Directory(report.rawIfd);
    if (!report.exifIfd.empty()) object["exifIfd"] = Directory(report.exifIfd);
    if (!report.gpsIfd.empty()) object["gpsIfd"] = Directory(report.gpsIfd);
    object["make"] = report.make ? Json(*report.make) : Json(nullptr);
    object["ifd0Image"] = Image(report.ifd0Image);
    object["rawImage"] = Image(report.rawImage);
    object["verdict"] = VerdictObject(report);
    return object;
}
