// The size query: the picture's width and height before it is decoded.
#include <cstring>

#include "plugin/export_guard.h"
#include "plugin/exports.h"
#include "tiff/erf_file.h"

namespace {

void Report(ImageSizeRecord* size, void* block40, std::uint32_t width, std::uint32_t height) {
    size->width = width;
    size->height = height;
    size->bitsPerPixel = 24;
    if (block40 != nullptr) std::memset(block40, 0, kBlock40Bytes);
}

}  // namespace

extern "C" std::int32_t RUDI_CDECL ReadFileGetSize(std::int32_t, const char* fileName, ImageSizeRecord* size,
                                                   void* block40) {
    return RunExport(
        [&] {
            ErfFile erf;
            // A file that cannot be opened or parsed leaves the directories
            // empty: the size then reads as 0 by 0.
            erf.Open(fileName);
            std::uint32_t width = 0;
            std::uint32_t height = 0;
            erf.QueryRawImageTags(nullptr, &width, &height, nullptr, nullptr);
            Report(size, block40, width, height);
        },
        [&] { Report(size, block40, 0, 0); });
}
