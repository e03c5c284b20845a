#include "tools/erf_convert/progress_line.h"

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

#include "tools/text/terminal_text.h"

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
        shown = "..." + EndInColumns(name, keep);
    }
    return EndInColumns(counter + " " + shown + " " + step, room);
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
