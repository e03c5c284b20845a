#include "tools/cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <new>
#include <regex>
#include <stdexcept>

#include "platform/console_text.h"
#include "rudi_version.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

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

// The columns help is wrapped to: the terminal's width when standard output
// is one, else kHelpColumns.
constexpr std::size_t kHelpColumns = 80;
// Narrower terminals still get lines of at least this much room.
constexpr std::size_t kNarrowestHelp = 40;

std::size_t HelpColumns() {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (_isatty(_fileno(stdout)) != 0 && GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != 0) {
        return std::max<std::size_t>(static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1),
                                     kNarrowestHelp);
    }
#else
    winsize size{};
    if (isatty(STDOUT_FILENO) != 0 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return std::max<std::size_t>(size.ws_col, kNarrowestHelp);
    }
#endif
    return kHelpColumns;
}

// Where a line's text resumes after its indent, or after an option's name
// and the gap before its description.
std::size_t HangingIndent(const std::string& line) {
    const std::size_t text = line.find_first_not_of(' ');
    if (text == std::string::npos || text == 0) return 0;
    const std::size_t gap = line.find("  ", text);
    const std::size_t description = gap == std::string::npos ? std::string::npos : line.find_first_not_of(' ', gap);
    return description != std::string::npos && description < line.size() / 2 + 1 ? description : text;
}

// `help` with every line longer than `columns` broken between words, its
// continuation lines indented under the text they continue.
std::string Wrapped(const std::string& help, std::size_t columns) {
    std::string out;
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        std::string line = help.substr(start, end - start);
        start = end + 1;
        const std::string indent(HangingIndent(line), ' ');
        while (line.size() > columns) {
            std::size_t cut = line.rfind(' ', columns);
            if (cut == std::string::npos || cut <= indent.size()) cut = line.find(' ', columns);
            if (cut == std::string::npos) break;
            out += line.substr(0, line.find_last_not_of(' ', cut) + 1) + "\n";
            line = indent + line.substr(cut + 1);
        }
        out += line + "\n";
    }
    return out;
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
        WriteText(stdout, Wrapped(app.help(), HelpColumns()));
        return 0;
    } catch (const CLI::CallForVersion& version) {
        PrintText(stdout, "%s\n", version.what());
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
    PrintText(stderr, "%s: %s\nTry '%s --help' for more information.\n", tool.c_str(), reason.c_str(), tool.c_str());
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
        PrintText(stderr, "%s: %s\n", tool, CurrentFailure().c_str());
        return kExitFailure;
    }
}

}  // namespace cli
