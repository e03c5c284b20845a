#include "host/converter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The rows of the decode under way; the callback has no other way to find them.
struct Collection {
    Picture* picture;
    const RowProgress* progress;
    std::int32_t nextRow = 0;
    std::string problem;
};
Collection* gCollection = nullptr;

std::int32_t RUDI_CDECL CollectRow(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                                   std::uint8_t* pixels, std::int32_t zero) {
    Collection& collection = *gCollection;
    Picture& picture = *collection.picture;
    if (!collection.problem.empty()) return 0;
    if (y != collection.nextRow || y >= picture.height || firstColumn != 0 || lastColumn != picture.width - 1 ||
        zero != 0 || pixels == nullptr) {
        collection.problem = "the module delivered row " + std::to_string(y) + " (columns " +
                             std::to_string(firstColumn) + " to " + std::to_string(lastColumn) + ") where row " +
                             std::to_string(collection.nextRow) + " was due";
        return 0;
    }
    if (picture.pixels.empty()) {
        // Taken once the first row is in: the module then holds a picture this large too.
        try {
            picture.pixels.resize(picture.RowBytes() * static_cast<std::size_t>(picture.height));
        } catch (const std::bad_alloc&) {
            collection.problem = "not enough memory for the picture";
            return 0;
        }
    }
    std::memcpy(picture.pixels.data() + picture.RowBytes() * static_cast<std::size_t>(y), pixels, picture.RowBytes());
    ++collection.nextRow;
    if (*collection.progress) (*collection.progress)(collection.nextRow, picture.height);
    return 1;
}

}  // namespace

ModuleIdentity IdentifyModule(const PluginModule& module) {
    DllInfoRecord dllInfo{};
    FormatInfoRecord formatInfo{};
    module.readFileDllInfo(0, &dllInfo);
    module.readFileInit();
    module.readFileInfo(0, &formatInfo);
    return {std::string(dllInfo.description, strnlen(dllInfo.description, sizeof dllInfo.description)),
            std::string(formatInfo.formatName, strnlen(formatInfo.formatName, sizeof formatInfo.formatName)),
            std::string(formatInfo.extension, strnlen(formatInfo.extension, sizeof formatInfo.extension))};
}

bool DecodeFile(const PluginModule& module, const std::string& input, Picture& picture,
                const RowProgress& progress, std::string& error) {
    // The module does not say why a file gave nothing, so ask first.
    if (std::FILE* file = std::fopen(input.c_str(), "rb")) {
        std::fclose(file);
    } else {
        error = input + ": cannot read the file (" + std::strerror(errno) + ")";
        return false;
    }
    ImageSizeRecord size{};
    std::uint8_t block40[kBlock40Bytes];
    module.readFileGetSize(0, input.c_str(), &size, block40);
    if (size.width == 0 || size.height == 0) {
        error = input + ": no picture in the file (not an EPSON RAW file, or its raw image has no size)";
        return false;
    }
    if (size.width > INT32_MAX || size.height > INT32_MAX) {
        error = input + ": the picture's size " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                " is too large";
        return false;
    }
    picture = Picture{static_cast<std::int32_t>(size.width), static_cast<std::int32_t>(size.height), {}};
    Collection collection{&picture, &progress, 0, {}};
    gCollection = &collection;
    LineCallbackRecord callbacks{&CollectRow};
    module.readFileExec(0, input.c_str(), 0, 0, 0, &callbacks);
    gCollection = nullptr;
    if (!collection.problem.empty()) {
        error = input + ": " + collection.problem;
        return false;
    }
    if (collection.nextRow != picture.height) {
        error = input + ": the module delivered " + std::to_string(collection.nextRow) + " of the picture's " +
                std::to_string(picture.height) + " rows (" + std::to_string(picture.width) + " x " +
                std::to_string(picture.height) + " may be too large to decode)";
        return false;
    }
    return true;
}
