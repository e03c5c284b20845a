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
// Width and height of the file's picture (0 when it has none) and 24 bits per
// pixel into `size`; `block40` is cleared when not null.
RUDI_EXPORT std::int32_t RUDI_CDECL ReadFileGetSize(std::int32_t notUsed, const char* fileName, ImageSizeRecord* size,
                                                    void* block40);
// Decodes the file and hands each row of the picture, top row first, to the
// host's LineCallback.
RUDI_EXPORT std::int32_t RUDI_CDECL ReadFileExec(std::int32_t notUsed1, const char* fileName, std::int32_t notUsed2,
                                                 std::int32_t notUsed3, std::int32_t notUsed4,
                                                 LineCallbackRecord* callbacks);
}
