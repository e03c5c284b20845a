#include "host/plugin_module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <climits>
#include <cstring>

namespace {

#ifdef _WIN32
constexpr const char* kModuleFile = "R_UDI.dll";
#else
constexpr const char* kModuleFile = "R_UDI.so";
#endif

std::string ProgramDirectory() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path, length);
    const auto slash = program.find_last_of("\\/");
#else
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    std::string program(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    const auto slash = program.rfind('/');
#endif
    return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

}  // namespace

std::string PluginModule::DefaultPath() {
#ifdef _WIN32
    return ProgramDirectory() + "\\" + kModuleFile;
#else
    return ProgramDirectory() + "/" + kModuleFile;
#endif
}

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle == nullptr) {
        error = "cannot load the module " + path + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
#else
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = "cannot load the module: " + std::string(dlerror());
        return nullptr;
    }
#endif
    std::unique_ptr<PluginModule> module(new PluginModule(handle));
    // The exports with the ordinals the module's export table gives them.
    const struct {
        const char* name;
        int ordinal;
        void* slot;
    } exports[] = {
        {"ReadFileInfo", 1, &module->readFileInfo},       {"ReadFileGetSize", 2, &module->readFileGetSize},
        {"ReadFileExec", 3, &module->readFileExec},       {"ReadFileInit", 4, &module->readFileInit},
        {"ReadFileDllInfo", 5, &module->readFileDllInfo},
    };
    for (const auto& entry : exports) {
        void* address = module->Symbol(entry.name);
        if (address == nullptr) {
            error = path + " does not export " + entry.name;
            return nullptr;
        }
#ifdef _WIN32
        // Velna may find an export by its ordinal: both ways must agree.
        if (module->SymbolByOrdinal(entry.ordinal) != address) {
            error = path + ": ordinal " + std::to_string(entry.ordinal) + " is not " + entry.name;
            return nullptr;
        }
#endif
        std::memcpy(entry.slot, &address, sizeof address);
    }
    return module;
}

#ifdef _WIN32
void* PluginModule::SymbolByOrdinal(int ordinal) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), MAKEINTRESOURCEA(ordinal)));
}
#endif

void* PluginModule::Symbol(const char* name) const {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

PluginModule::~PluginModule() {
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}
