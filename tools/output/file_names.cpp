#include "tools/output/file_names.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/windows_text.h"
#endif

namespace files {

#ifdef _WIN32
std::wstring Wide(const std::string& name) { return windows_text::Wide(name); }

using windows_text::Narrow;

std::filesystem::path PathOf(const std::string& name) { return std::filesystem::path(Wide(name)); }

std::string NameOf(const std::filesystem::path& path) { return Narrow(path.native()); }

std::FILE* Open(const std::string& name, const char* mode) { return _wfopen(Wide(name).c_str(), Wide(mode).c_str()); }

bool Remove(const std::string& name) { return DeleteFileW(Wide(name).c_str()) != 0; }

bool ForModule(const std::string& name, std::string& moduleName, std::string& error) {
    BOOL lossy = FALSE;
    moduleName = Narrow(Wide(name), CP_ACP, WC_NO_BEST_FIT_CHARS, &lossy);
    if (!lossy) return true;
    error = name + ": the name has characters that code page " + std::to_string(GetACP()) +
            " (the one the module takes names in) cannot express; rename the file";
    return false;
}

std::vector<std::string> Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}
#else
std::filesystem::path PathOf(const std::string& name) { return std::filesystem::path(name); }

std::string NameOf(const std::filesystem::path& path) { return path.string(); }

std::FILE* Open(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }

bool Remove(const std::string& name) { return std::remove(name.c_str()) == 0; }

bool ForModule(const std::string& name, std::string& moduleName, std::string&) {
    moduleName = name;
    return true;
}

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
#endif

}  // namespace files
