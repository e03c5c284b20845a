// erf-convert: the host's side of the plug-in, as a command. It loads the
// module, calls its exports in the host's order and writes each file's
// picture as a BMP or PNG file.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/converter.h"
#include "host/picture_writer.h"
#include "host/plugin_module.h"
#include "host/progress_line.h"
#include "host/shift_jis.h"

namespace {

namespace fs = std::filesystem;

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: erf-convert [--module PATH] [--format png|bmp] [-o OUTPUT] FILE.erf...\n"
                 "       erf-convert [--module PATH] --info\n"
                 "Converts EPSON RAW files to pictures through the R_UDI plug-in module.\n"
                 "  -o OUTPUT        with one FILE: the picture to write, a name ending in .png or .bmp,\n"
                 "                   or a directory; with several FILEs: a directory (made if missing)\n"
                 "                   into which each FILE's picture goes under FILE's name\n"
                 "                   without -o, each picture is written beside its FILE\n"
                 "  --format png|bmp the picture type when the name is made from FILE's (default png)\n"
                 "  --info           print the module's description and the format it reads\n"
                 "  --module PATH    the plug-in module to load (default: the one beside this program)\n"
                 "Exits with 1 when a file could not be converted (the others still are), 2 on bad usage.\n");
}

struct Options {
    std::string modulePath = PluginModule::DefaultPath();
    std::string output;
    std::string format = "png";
    bool info = false;
    std::vector<std::string> inputs;
};

// 0 when the arguments are understood, else the exit code.
int ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argument, "--info") == 0) {
            options.info = true;
        } else if (std::strcmp(argument, "--module") == 0 && hasValue) {
            options.modulePath = argv[++i];
        } else if (std::strcmp(argument, "-o") == 0 && hasValue) {
            options.output = argv[++i];
        } else if (std::strcmp(argument, "--format") == 0 && hasValue) {
            options.format = argv[++i];
            if (options.format != "png" && options.format != "bmp") {
                std::fprintf(stderr, "erf-convert: unknown format '%s' (png or bmp)\n", options.format.c_str());
                return 2;
            }
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            Usage(stdout);
            return -1;
        } else if (argument[0] == '-' && argument[1] != '\0') {
            std::fprintf(stderr, "erf-convert: unknown argument '%s'\n", argument);
            Usage(stderr);
            return 2;
        } else {
            options.inputs.push_back(argument);
        }
    }
    if (options.info == options.inputs.empty()) return 0;
    Usage(stderr);
    return 2;
}

int PrintInfo(const PluginModule& module) {
    const ModuleIdentity identity = IdentifyModule(module);
    std::printf("description: %s\n", ShiftJisToUtf8(identity.description).c_str());
    std::printf("format: %s (*.%s)\n", identity.formatName.c_str(), identity.extension.c_str());
    return 0;
}

// The picture file for each input, in order; empty with a message on failure.
std::vector<std::string> OutputNames(const Options& options) {
    const bool oneFile = options.inputs.size() == 1 && !options.output.empty() && !fs::is_directory(options.output);
    if (oneFile) {
        if (!IsPictureFileName(options.output)) {
            std::fprintf(stderr, "erf-convert: %s: the picture's name must end in .png or .bmp\n",
                         options.output.c_str());
            return {};
        }
        return {options.output};
    }
    if (!options.output.empty()) {
        std::error_code failure;
        fs::create_directories(options.output, failure);
        if (!fs::is_directory(options.output)) {
            std::fprintf(stderr, "erf-convert: %s: cannot make the directory (%s)\n", options.output.c_str(),
                         failure.message().c_str());
            return {};
        }
    }
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const std::string& input : options.inputs) {
        fs::path name = fs::path(input).filename().replace_extension(options.format);
        const fs::path folder = options.output.empty() ? fs::path(input).parent_path() : fs::path(options.output);
        names.push_back((folder / name).string());
        if (!taken.insert(names.back()).second) {
            std::fprintf(stderr, "erf-convert: two inputs would both be written to %s\n", names.back().c_str());
            return {};
        }
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = ParseArguments(argc, argv, options); status != 0) return status < 0 ? 0 : status;
    std::string error;
    const auto module = PluginModule::Load(options.modulePath, error);
    if (module == nullptr) {
        std::fprintf(stderr, "erf-convert: %s\n", error.c_str());
        return 1;
    }
    if (options.info) return PrintInfo(*module);

    const std::vector<std::string> outputs = OutputNames(options);
    if (outputs.empty()) return 2;
    IdentifyModule(*module);  // the host's first calls, before any file
    ProgressLine progress;
    int status = 0;
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        const std::string& input = options.inputs[i];
        progress.StartFile(i, options.inputs.size(), input);
        Picture picture;
        const bool converted =
            DecodeFile(*module, input, picture, [&](std::int32_t done, std::int32_t rows) { progress.Rows(done, rows); },
                       error) &&
            WritePicture(picture, outputs[i], error);
        progress.Clear();
        if (converted) {
            std::printf("%s -> %s (%d x %d)\n", input.c_str(), outputs[i].c_str(), picture.width, picture.height);
        } else {
            std::fprintf(stderr, "erf-convert: %s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}
