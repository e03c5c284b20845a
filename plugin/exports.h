// The module's exported functions, as the host calls them.
#pragma once

#include <cstdint>

#include "plugin/host_records.h"

#if defined(_WIN32)
#define RUDI_EXPORT  // exported by the module-definition file, with fixed ordinals
#else
#define RUDI_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
RUDI_EXPORT std::int32_t RUDI_CDECL ReadFileDllInfo(std::int32_t notUsed, DllInfoRecord* info);
RUDI_EXPORT std::int32_t RUDI_CDECL ReadFileInit();
RUDI_EXPORT std::int32_t RUDI_CDECL ReadFileInfo(std::int32_t notUsed, FormatInfoRecord* info);
}
