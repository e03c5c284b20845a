#include "tools/erf_convert/progress_line.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "platform/console_text.h"
#include "tools/text/terminal_text.h"

namespace {

// The line, in place of what the terminal shows on it. A Windows console
// takes escape codes only in a mode not every console has: there blanks
// fill what the line does not cover, which every console takes.
void Overwrite(const std::string& line, std::size_t room) {
#ifdef _WIN32
    WriteText(stderr, "\r" + FitToColumns(line, room) + (line.empty() ? "\r" : ""));
#else
    (void)room;
    WriteText(stderr, "\r\033[K" + line);
#endif
    std::fflush(stderr);
}

// One column stays free: a line that fills the terminal wraps on some.
std::size_t RoomIn(std::size_t columns) { return columns > 1 ? columns - 1 : 0; }

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

ProgressLine::ProgressLine(std::size_t files) : enabled_(IsTerminal(stderr)), files_(files) {}

std::string ProgressLine::Fit(const std::string& counter, const std::string& name, const std::string& step,
                              std::size_t columns) {
    const std::size_t room = RoomIn(columns);
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
    const std::size_t columns = TerminalColumns();
    Overwrite(Fit(counter_, name_, step, columns), RoomIn(columns));
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_) return;
    Overwrite("", RoomIn(TerminalColumns()));
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
    PrintText(stderr, "erf-convert: %s\n", line.c_str());
}
