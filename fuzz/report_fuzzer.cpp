// erf-info's report of a file: read as the module's library reads it, then
// shown as text and as JSON, whatever the file's values and texts hold.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tests/support/temp_file.h"
#include "tools/erf_info/file_report.h"
#include "tools/erf_info/json_report.h"
#include "tools/erf_info/text_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFile file;
    file.Write(data, size);

    const FileReport report = Examine(file.path(), Language::kEnglish);
    FUZZ_CHECK(report.Parsed() || !report.error.empty());
    if (report.verdictText.empty()) return 0;  // a file that cannot be opened has no report

    const std::string text = TextReport(report);
    FUZZ_CHECK(text.rfind(std::string(file.path()) + "\n", 0) == 0);
    FUZZ_CHECK(text.find("verdict: ") != std::string::npos && text.back() == '\n');

    // Texts that are not UTF-8 are replaced, never thrown out of the dump.
    const std::string json = JsonReport(report).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(json);
    FUZZ_CHECK(parsed.at("file") == file.path());
    FUZZ_CHECK(parsed.at("verdict").at("usable") == report.Usable());
    if (report.Parsed()) {
        FUZZ_CHECK(parsed.at("ifd0").size() == report.ifd0.size());
        FUZZ_CHECK(parsed.at("rawIfd").size() == report.rawIfd.size());
    }
    return 0;
}
