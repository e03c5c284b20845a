#include "host/plugin_module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <climits>

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
    module->readFileDllInfo = reinterpret_cast<ReadFileDllInfoFn>(module->Symbol("ReadFileDllInfo"));
    module->readFileInit = reinterpret_cast<ReadFileInitFn>(module->Symbol("ReadFileInit"));
    module->readFileInfo = reinterpret_cast<ReadFileInfoFn>(module->Symbol("ReadFileInfo"));
    module->readFileGetSize = reinterpret_cast<ReadFileGetSizeFn>(module->Symbol("ReadFileGetSize"));
    module->readFileExec = reinterpret_cast<ReadFileExecFn>(module->Symbol("ReadFileExec"));
    for (const auto& [name, found] : {std::pair{"ReadFileDllInfo", module->readFileDllInfo != nullptr},
                                     std::pair{"ReadFileInit", module->readFileInit != nullptr},
                                     std::pair{"ReadFileInfo", module->readFileInfo != nullptr},
                                     std::pair{"ReadFileGetSize", module->readFileGetSize != nullptr},
                                     std::pair{"ReadFileExec", module->readFileExec != nullptr}}) {
        if (!found) {
            error = path + " does not export " + name;
            return nullptr;
        }
    }
    return module;
}

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
