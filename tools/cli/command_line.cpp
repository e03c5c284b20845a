#include "tools/cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <new>
#include <regex>
#include <stdexcept>

#include "rudi_version.h"

namespace cli {

void AddVersion(CLI::App& app) {
    app.set_version_flag("--version", app.get_name() + " " + RUDI_VERSION, "Print the version and exit");
}

CLI::Validator Whole(unsigned least, unsigned most) {
    const std::string range = std::to_string(least) + " to " + std::to_string(most);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const bool digits = !text.empty() && text.size() <= 10 &&
                                std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
            const unsigned long long value = digits ? std::stoull(text) : 0;
            if (digits && value >= least && value <= most) return {};
            return "'" + text + "' is not a whole number from " + range;
        },
        std::to_string(least) + ".." + std::to_string(most));
}

namespace {

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Listed(const std::vector<std::string>& choices, const char* separator) {
    std::string list;
    for (const std::string& choice : choices) list += (list.empty() ? "" : separator) + choice;
    return list;
}

// CLI11's own reports, in the tools' words: what was wrong and with which option.
std::string Plain(const CLI::ParseError& error) {
    const std::string text = error.what();
    static const struct {
        std::regex pattern;
        const char* words;
    } kReports[] = {
        {std::regex("(.+): At Most 1 required but received ([0-9]+)"), "$1 is given $2 times: give it once"},
        {std::regex("(.+): [0-9]+ required .* missing"), "$1 needs a value"},
        {std::regex("(.+) excludes (.+)"), "$1 and $2 cannot be used together"},
        {std::regex("(.+) is required"), "no $1 given"},
        {std::regex("Could not convert: (.+) = (.+)"), "$1: '$2' is not a number"},
    };
    for (const auto& report : kReports) {
        if (std::regex_match(text, report.pattern)) return std::regex_replace(text, report.pattern, report.words);
    }
    return text;
}

}  // namespace

CLI::Validator OneOf(const std::vector<std::string>& choices) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            for (const std::string& choice : choices) {
                if (Lowered(choice) == Lowered(text)) {
                    text = choice;
                    return {};
                }
            }
            return "'" + text + "' is not one of " + Listed(choices, ", ");
        },
        Listed(choices, "|"));
}

std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return 0;
    } catch (const CLI::ExtrasError& error) {
        // The first one, by its name (CLI11's message lists them backwards).
        const std::vector<std::string> extras = app.remaining();
        return BadUsage(app, extras.empty() ? Plain(error) : "unknown option or argument: " + extras.front());
    } catch (const CLI::ParseError& error) {
        return BadUsage(app, Plain(error));
    }
    return std::nullopt;
}

int BadUsage(const CLI::App& app, const std::string& reason) {
    const std::string& tool = app.get_name();
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", tool.c_str(), reason.c_str(), tool.c_str());
    return kExitUsage;
}

std::string CurrentFailure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    } catch (const std::length_error&) {
        return "not enough memory";
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "an unexpected failure";
    }
}

int RunGuarded(const char* tool, const std::function<int()>& work) {
    try {
        return work();
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", tool, CurrentFailure().c_str());
        return kExitFailure;
    }
}

}  // namespace cli
