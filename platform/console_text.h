// The programs' text on standard output and standard error, as the reader
// sees it. Their texts are UTF-8. A Windows console shows bytes in its own
// code page, so there the text goes out as UTF-16 (WriteConsoleW), which
// shows every character; anywhere else (Linux, a file, a pipe) the UTF-8
// bytes go as they are.
#pragma once

#include <cstdio>
#include <string_view>

// Writes `utf8` to `stream` (stdout or stderr) in order with what went
// through the stream before.
void WriteText(std::FILE* stream, std::string_view utf8);

// printf into WriteText.
__attribute__((format(printf, 2, 3))) void PrintText(std::FILE* stream, const char* format, ...);

// Whether `stream` is a terminal (on Windows, a console).
bool IsTerminal(std::FILE* stream);
