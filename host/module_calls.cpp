#include "host/module_calls.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/limits.h"

namespace {

// The decode under way; the callback has no other way to find it.
struct Decode {
    ModuleDelivery* delivery;
    const RowTaker* takeRow;
    std::string problem;
};
Decode* gDecode = nullptr;

std::int32_t RUDI_CDECL CheckRow(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                                 std::uint8_t* pixels, std::int32_t zero) {
    Decode& decode = *gDecode;
    ModuleDelivery& delivery = *decode.delivery;
    if (!decode.problem.empty()) return 0;
    decode.problem =
        RowContractBreach(y, firstColumn, lastColumn, pixels, zero, delivery.rows, delivery.width, delivery.height);
    if (!decode.problem.empty() || !(*decode.takeRow)(y, pixels, decode.problem)) return 0;
    ++delivery.rows;
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

std::string RowContractBreach(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                              const std::uint8_t* pixels, std::int32_t zero, std::int32_t rowsDone, std::int32_t width,
                              std::int32_t height) {
    if (y == rowsDone && y < height && firstColumn == 0 && lastColumn == width - 1 && zero == 0 && pixels != nullptr) {
        return {};
    }
    return "the module delivered row " + std::to_string(y) + " (columns " + std::to_string(firstColumn) + " to " +
           std::to_string(lastColumn) + ") where row " + std::to_string(rowsDone) + " was due";
}

bool DecodeFile(const PluginModule& module, const std::string& input, ModuleDelivery& delivery, const RowTaker& takeRow,
                std::string& error) {
    ImageSizeRecord size{};
    std::uint8_t block40[kBlock40Bytes];
    module.readFileGetSize(0, input.c_str(), &size, block40);
    if (size.width == 0 || size.height == 0) {
        error = input + ": no picture in the file (not an EPSON RAW file, or its raw image has no size)";
        return false;
    }
    delivery = {static_cast<std::int32_t>(std::min(size.width, kLargestPictureSide)),
                static_cast<std::int32_t>(std::min(size.height, kLargestPictureSide)), 0};
    Decode decode{&delivery, &takeRow, {}};
    gDecode = &decode;
    LineCallbackRecord callbacks{&CheckRow};
    if (size.width <= kLargestPictureSide && size.height <= kLargestPictureSide)
        module.readFileExec(0, input.c_str(), 0, 0, 0, &callbacks);
    gDecode = nullptr;
    if (!decode.problem.empty()) {
        error = input + ": " + decode.problem;
        return false;
    }
    return true;
}
