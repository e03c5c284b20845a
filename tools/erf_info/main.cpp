// erf-info: shows what an EPSON RAW file holds, as the module's own library
// reads it: the byte order, both directories entry by entry, the Make, the
// image tags of each directory and a verdict on the raw strip. --json writes
// one JSON array with an object per file.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/cli/command_line.h"
#include "tools/erf_info/file_report.h"
#include "tools/erf_info/json_report.h"
#include "tools/erf_info/text_report.h"

namespace {

// One file's report; a failure while reading it (running out of memory) is
// that file's error, and the files after it are still read.
FileReport ExamineGuarded(const std::string& file) {
    try {
        return Examine(file);
    } catch (...) {
        FileReport report;
        report.file = file;
        report.error = cli::CurrentFailure();
        return report;
    }
}

int Run(int argc, char** argv) {
    CLI::App app("Shows the byte order, IFD0 and the raw-image directory of each EPSON RAW file, its Make, "
                 "the image tags of both directories, and whether the raw strip is whole. "
                 "Exit status 0 only when every file is an intact EPSON RAW file.",
                 "erf-info");
    cli::AddVersion(app);
    bool json = false;
    std::vector<std::string> files;
    app.add_flag("--json", json, "One JSON array, an object per file");
    app.add_option("FILE", files, "EPSON RAW files")->required();
    if (const auto status = cli::Parse(app, argc, argv)) return *status;

    bool allUsable = true;
    nlohmann::ordered_json documents = nlohmann::ordered_json::array();
    bool first = true;
    for (const std::string& file : files) {
        const FileReport report = ExamineGuarded(file);
        allUsable &= report.Usable();
        if (json) {
            documents.push_back(JsonReport(report));
        } else if (!report.verdictText.empty()) {
            std::printf("%s%s", first ? "" : "\n", TextReport(report).c_str());
            first = false;
        }
        // A file that cannot be opened has no report: it is named here.
        if (report.verdictText.empty()) std::fprintf(stderr, "erf-info: %s: %s\n", file.c_str(), report.error.c_str());
        std::fflush(stdout);
    }
    if (json) {
        const std::string text = documents.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::printf("%s\n", text.c_str());
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
