#include "host/progress_line.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define RUDI_ISATTY _isatty
#define RUDI_FILENO _fileno
#else
#include <unistd.h>
#define RUDI_ISATTY isatty
#define RUDI_FILENO fileno
#endif

ProgressLine::ProgressLine() : enabled_(RUDI_ISATTY(RUDI_FILENO(stderr)) != 0) {}

void ProgressLine::StartFile(std::size_t index, std::size_t count, const std::string& name) {
    label_ = "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " + name;
    percent_ = -1;
    // Nothing is shown until rows arrive: the module may still print its own
    // messages while it reads the file's header.
}

void ProgressLine::Rows(std::int32_t rowsDone, std::int32_t rows) {
    if (rows > 0) Show(static_cast<int>(std::int64_t{rowsDone} * 100 / rows));
}

void ProgressLine::Show(int percent) {
    if (!enabled_ || percent == percent_) return;
    percent_ = percent;
    std::fprintf(stderr, "\r\033[K%s %3d%%", label_.c_str(), percent);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
    percent_ = -1;
}
