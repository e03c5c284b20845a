#include "host/progress_line.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define RUDI_ISATTY _isatty
#define RUDI_FILENO _fileno
#else
#include <sys/ioctl.h>
#include <unistd.h>
#define RUDI_ISATTY isatty
#define RUDI_FILENO fileno
#endif

namespace {

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Terminal columns of one character starting with `lead`: two for every
// character from U+0800 on (the CJK scripts among them), so that a line
// never runs past the edge; one for the others.
std::size_t CharacterColumns(char lead) { return static_cast<unsigned char>(lead) >= 0xE0 ? 2 : 1; }

std::size_t Columns(const std::string& text) {
    std::size_t columns = 0;
    for (char c : text) columns += Continues(c) ? 0 : CharacterColumns(c);
    return columns;
}

// The end of `text` that takes at most `keep` columns.
std::string Tail(const std::string& text, std::size_t keep) {
    std::size_t columns = Columns(text);
    std::size_t at = 0;
    while (at < text.size() && columns > keep) {
        columns -= CharacterColumns(text[at]);
        ++at;
        while (at < text.size() && Continues(text[at])) ++at;
    }
    return text.substr(at);
}

}  // namespace

std::size_t TerminalColumns() {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) != 0) {
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    }
#else
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    if (const char* columns = std::getenv("COLUMNS")) {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0) return static_cast<std::size_t>(value);
    }
    return 80;
}

ProgressLine::ProgressLine(std::size_t files) : enabled_(RUDI_ISATTY(RUDI_FILENO(stderr)) != 0), files_(files) {}

std::string ProgressLine::Fit(const std::string& counter, const std::string& name, const std::string& step,
                              std::size_t columns) {
    // One column stays free: a line that fills the terminal wraps on some.
    const std::size_t room = columns > 1 ? columns - 1 : 0;
    const std::size_t fixed = Columns(counter) + 1 + 1 + Columns(step);
    std::string shown = name;
    if (fixed + Columns(name) > room) {
        const std::size_t keep = room > fixed + 3 ? room - fixed - 3 : 0;
        shown = "..." + Tail(name, keep);
    }
    std::string line = counter + " " + shown + " " + step;
    if (Columns(line) > room) line = Tail(line, room);
    return line;
}

void ProgressLine::StartFile(std::size_t index, const std::string& name) {
    counter_ = "[" + std::to_string(index + 1) + "/" + std::to_string(files_) +
               (failed_ > 0 ? ", " + std::to_string(failed_) + " failed" : std::string()) + "]";
    name_ = name;
    lastStep_.clear();
    // Nothing is shown until the work is under way: the module may still
    // print its own messages while it reads the file's header.
}

void ProgressLine::Step(const char* stage, std::uint64_t done, std::uint64_t total) {
    if (!enabled_ || total == 0) return;
    const std::string step = std::string(stage) + " " + std::to_string(done * 100 / total) + "%";
    if (step == lastStep_) return;
    lastStep_ = step;
    std::fprintf(stderr, "\r\033[K%s", Fit(counter_, name_, step, TerminalColumns()).c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
    lastStep_.clear();
}

void ProgressLine::Summary(std::size_t converted, std::size_t failed, std::size_t damaged, double seconds) {
    if (!enabled_) return;
    Clear();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    std::string line = std::to_string(converted) + (converted == 1 ? " file" : " files") + " converted";
    if (damaged > 0) line += " (" + std::to_string(damaged) + " cut short)";
    line += ", " + std::to_string(failed) + " failed, " + time;
    std::fprintf(stderr, "erf-convert: %s\n", line.c_str());
}
