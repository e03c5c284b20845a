// erf-convert: the host's side of the plug-in, as a command. It loads the
// module, asks it what it is and which format it reads.
#include <cstdio>
#include <cstring>
#include <string>

#include "host/plugin_module.h"
#include "host/shift_jis.h"

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: erf-convert [--module PATH] --info\n"
                 "  --info         print the module's description and the format it reads\n"
                 "  --module PATH  the plug-in module to load (default: the one beside this program)\n");
}

int PrintInfo(const PluginModule& module) {
    DllInfoRecord dllInfo{};
    FormatInfoRecord formatInfo{};
    module.readFileDllInfo(0, &dllInfo);
    module.readFileInit();
    module.readFileInfo(0, &formatInfo);
    std::printf("description: %s\n", ShiftJisToUtf8(dllInfo.description).c_str());
    std::printf("format: %s (*.%s)\n", formatInfo.formatName, formatInfo.extension);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string modulePath = PluginModule::DefaultPath();
    bool info = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--info") == 0) {
            info = true;
        } else if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
            modulePath = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "erf-convert: unknown argument '%s'\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    if (!info) {
        Usage(stderr);
        return 2;
    }
    std::string error;
    const auto module = PluginModule::Load(modulePath, error);
    if (module == nullptr) {
        std::fprintf(stderr, "erf-convert: %s\n", error.c_str());
        return 1;
    }
    return PrintInfo(*module);
}
