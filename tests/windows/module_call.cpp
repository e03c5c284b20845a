// Loads the module and makes one call on one file, as the host would: the
// module's part of the big-file bounds, measured by big-file-bounds --module
// (run.sh runs it under Wine).
//   module-call R_UDI.dll --size|--decode FILE
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/plugin_module.h"

namespace {

std::int32_t RUDI_CDECL DropRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) { return 0; }

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 4 ? argv[2] : "";
    if (mode != "--size" && mode != "--decode") {
        std::fprintf(stderr, "usage: module-call MODULE --size|--decode FILE\n");
        return 2;
    }
    std::string error;
    const auto module = PluginModule::Load(argv[1], error);
    if (module == nullptr) {
        std::fprintf(stderr, "module-call: %s\n", error.c_str());
        return 2;
    }
    if (mode == "--size") {
        ImageSizeRecord size{};
        module->readFileGetSize(0, argv[3], &size, nullptr);
        return 0;
    }
    LineCallbackRecord callbacks{&DropRow};
    module->readFileExec(0, argv[3], 0, 0, 0, &callbacks);
    return 0;
}
