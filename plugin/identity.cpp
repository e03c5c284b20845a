// The identity queries: what the plug-in is and which format it reads.
#include <cstring>

#include "plugin/export_guard.h"
#include "plugin/exports.h"

namespace {

// "Velna用のERF読み込みDLL by Tobrell" in Shift-JIS: 34 bytes and the NUL.
constexpr char kDescription[] =
    "Velna"
    "\x97\x70\x82\xcc"  // 用の
    "ERF"
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd"  // 読み込み
    "DLL by Tobrell";
static_assert(sizeof kDescription == 35);

constexpr char kExtension[] = "erf";
constexpr char kFormatName[] = "EPSON RAW";

}  // namespace

extern "C" {

std::int32_t RUDI_CDECL ReadFileDllInfo(std::int32_t, DllInfoRecord* info) {
    return RunExport(
        [&] {
            info->reserved = 0;
            std::memcpy(info->description, kDescription, sizeof kDescription);
        },
        [] {});
}

std::int32_t RUDI_CDECL ReadFileInit() {
    return RunExport([] {}, [] {});
}

std::int32_t RUDI_CDECL ReadFileInfo(std::int32_t, FormatInfoRecord* info) {
    return RunExport(
        [&] {
            std::memcpy(info->extension, kExtension, sizeof kExtension);
            std::memcpy(info->formatName, kFormatName, sizeof kFormatName);
            for (std::uint32_t& flag : info->flags) flag = 1;
        },
        [] {});
}
}
