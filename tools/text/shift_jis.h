// Shift-JIS (code page 932) texts turned into UTF-8 for a terminal.
#pragma once

#include <string>

// Bytes that are not valid Shift-JIS come out as U+FFFD.
std::string ShiftJisToUtf8(const std::string& text);
