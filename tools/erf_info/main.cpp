// erf-info: shows what an EPSON RAW file holds, as the module's own library
// reads it: the byte order, both directories entry by entry, the Make, the
// image tags of each directory and a verdict on the raw strip. --json writes
// one JSON array with an object per file.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console_text.h"
#include "tools/cli/command_line.h"
#include "tools/erf_info/file_report.h"
#include "tools/erf_info/json_report.h"
#include "tools/erf_info/text_report.h"
#include "tools/output/input_file.h"

namespace {

// One file's report; a failure while reading it (running out of memory) is
// that file's error, and the files after it are still read.
FileReport ExamineGuarded(const std::string& file, Language language) {
    try {
        return Examine(file, language);
    } catch (...) {
        FileReport report;
        report.file = file;
        report.error = cli::CurrentFailure();
        return report;
    }
}

int Run(int argc, char** argv) {
    CLI::App app(
        "Shows the byte order, IFD0 and the raw-image directory of each EPSON RAW file, its Make, "
        "the image tags of both directories, and whether every byte of the raw strip is in the file. "
        "Exit status 0 only when every file is a complete EPSON RAW file.",
        "erf-info");
    cli::AddVersion(app);
    bool json = false;
    bool brief = false;
    std::string language = LocaleLanguage() == Language::kJapanese ? "ja" : "en";
    std::vector<std::string> files;
    CLI::Option* jsonOption = app.add_flag("--json", json, "One JSON array, an object per file");
    app.add_flag("--brief", brief, "One line a file: its name and the verdict")->excludes(jsonOption);
    app.add_option("--lang", language,
                   "The language of descriptions and of named values (default: ja in a Japanese locale, else en)")
        ->transform(cli::OneOf({"ja", "en"}));
    app.add_option("FILE", files, "EPSON RAW files ('-' for standard input)")->required();
    if (const auto status = cli::Parse(app, argc, argv)) return *status;

    bool allUsable = true;
    nlohmann::ordered_json documents = nlohmann::ordered_json::array();
    bool first = true;
    for (const std::string& file : files) {
        SpooledInput spooled;
        std::string error;
        const bool stream = ReadAsStream(file);
        if (stream && !spooled.Spool(file, error)) {
            PrintText(stderr, "erf-info: %s\n", error.c_str());
            allUsable = false;
            continue;
        }
        FileReport report =
            ExamineGuarded(stream ? spooled.path() : file, language == "ja" ? Language::kJapanese : Language::kEnglish);
        report.file = ShownInput(file);
        allUsable &= report.Usable();
        if (brief) {
            PrintText(stdout, "%s: %s\n", report.file.c_str(),
                      (report.verdictText.empty() ? report.error : report.verdictText).c_str());
        } else if (json) {
            documents.push_back(JsonReport(report));
        } else if (!report.verdictText.empty()) {
            PrintText(stdout, "%s%s", first ? "" : "\n", TextReport(report).c_str());
            first = false;
        }
        // A file that cannot be opened has no report: it is named here.
        if (report.verdictText.empty() && !brief)
            PrintText(stderr, "erf-info: %s: %s\n", report.file.c_str(), report.error.c_str());
        std::fflush(stdout);
    }
    if (json) {
        const std::string text = documents.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        PrintText(stdout, "%s\n", text.c_str());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::perror("erf-info: standard output");
        return cli::kExitFailure;
    }
    return allUsable ? 0 : cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::RunGuarded("erf-info", [&] { return Run(argc, argv); });
}
