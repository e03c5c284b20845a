// erf-info's JSON for programs: an object per file.
#pragma once

#include <nlohmann/json.hpp>

#include "tools/erf_info/file_report.h"

// {"file", "error"} for a file that could not be read; otherwise the byte
// order, both directories, the Make, the image tags and the verdict ("error"
// as well when the file is not TIFF).
nlohmann::ordered_json JsonReport(const FileReport& report);
