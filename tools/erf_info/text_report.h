// erf-info's text for people: every line but the file's name fits 100
// terminal columns, long texts cut with "…".
#pragma once

#include <string>

#include "tools/erf_info/file_report.h"

constexpr std::size_t kLineColumns = 100;

// The report of a file that was read, ending with its verdict line.
std::string TextReport(const FileReport& report);
