#include "tools/output/file_names.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace files {

#ifdef _WIN32
std::wstring Wide(const std::string& name) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return wide;
}

namespace {

std::string Narrow(const std::wstring& wide, UINT codePage, DWORD flags, BOOL* lossy) {
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, lossy);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), narrow.data(), length, nullptr,
                        lossy);
    return narrow;
}

}  // namespace

std::filesystem::path PathOf(const std::string& name) { return std::filesystem::path(Wide(name)); }

std::string NameOf(const std::filesystem::path& path) { return Narrow(path.native(), CP_UTF8, 0, nullptr); }

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
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i], CP_UTF8, 0, nullptr));
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
