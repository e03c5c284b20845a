#include "tools/erf_info/json_report.h"

namespace {

using Json = nlohmann::ordered_json;

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kIntact: return "intact";
        case Verdict::kCutShort: return "cutShort";
        case Verdict::kNotTiff: return "notTiff";
        case Verdict::kPlainTiff: return "plainTiff";
        case Verdict::kNoRawSize: return "noRawSize";
        case Verdict::kSizeUnknown: return "sizeUnknown";
        case Verdict::kLargerThanFile: return "largerThanFile";
        case Verdict::kTooLargeForMemory: return "tooLargeForMemory";
    }
    return "";
}

Json Directory(const std::vector<EntryReport>& entries) {
    Json list = Json::array();
    for (const EntryReport& entry : entries) {
        list.push_back({{"number", entry.number},
                        {"name", entry.name},
                        {"type", entry.type},
                        {"typeName", entry.typeName.empty() ? Json(nullptr) : Json(entry.typeName)},
                        {"count", entry.count},
                        {"values", entry.values},
                        {"valueText", entry.valueText},
                        {"description", entry.description}});
        if (entry.cut) list.back()["cut"] = true;  // only the first values and characters are shown
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
    object["make"] = report.make ? Json(*report.make) : Json(nullptr);
    object["ifd0Image"] = Image(report.ifd0Image);
    object["rawImage"] = Image(report.rawImage);
    object["verdict"] = VerdictObject(report);
    return object;
}
