#include "platform/console_text.h"

#include <cstdarg>
#include <string>

#ifdef _WIN32
#include <io.h>

#include "platform/windows_text.h"
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The console behind `stream`, or null when it is not one.
HANDLE ConsoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}
#endif

}  // namespace

void WriteText(std::FILE* stream, std::string_view utf8) {
#ifdef _WIN32
    if (const HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);
        const std::wstring wide = windows_text::Wide(utf8);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void PrintText(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        WriteText(stream, text);
    }
    va_end(again);
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return ConsoleOf(stream) != nullptr;
#else
    return isatty(fileno(stream)) != 0;
#endif
}
