#include "host/plugin_module.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/console_text.h"
#include "platform/windows_text.h"
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

#ifdef _WIN32
constexpr const char* kModuleFile = "R_UDI.dll";
#else
constexpr const char* kModuleFile = "R_UDI.so";
#endif

std::filesystem::path ProgramPath() {
#ifdef _WIN32
    // Wide, so that a folder the ANSI code page cannot name still works.
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
#else
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return std::string(path, length > 0 ? static_cast<std::size_t>(length) : 0);
#endif
}

// A path as UTF-8, for messages.
std::string Shown(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32
// The module's message boxes as a command-line host shows them: one line on
// standard error after the program's name, as on Linux, never a window that
// waits for a click in the middle of a batch. The module writes its text in
// the ANSI code page.
int WINAPI MessageOnStandardError(HWND, LPCSTR text, LPCSTR, UINT) {
    const std::string message = windows_text::Narrow(windows_text::Wide(text != nullptr ? text : "", CP_ACP));
    WriteText(stderr, Shown(ProgramPath().stem()) + ": " + message + "\n");
    return IDOK;
}

// Points the module's import of user32's MessageBoxA at the host's own. The
// module itself still calls MessageBoxA.
void TakeMessageBoxes(HMODULE module) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC messageBox = user32 != nullptr ? GetProcAddress(user32, "MessageBoxA") : nullptr;
    if (messageBox == nullptr) return;
    auto* const base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(messageBox)) continue;
            DWORD protection = 0;
            if (VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection) == 0) return;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&MessageOnStandardError);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
}
#endif

}  // namespace

std::filesystem::path PluginModule::DefaultPath() {
    const std::filesystem::path program = ProgramPath();
    return (program.has_parent_path() ? program.parent_path() : std::filesystem::path(".")) / kModuleFile;
}

std::unique_ptr<PluginModule> PluginModule::Load(const std::filesystem::path& path, std::string& error) {
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(LoadLibraryW(path.c_str()));
    if (handle == nullptr) {
        error = "cannot load the module " + Shown(path) + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    TakeMessageBoxes(static_cast<HMODULE>(handle));
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
            error = Shown(path) + " does not export " + entry.name;
            return nullptr;
        }
#ifdef _WIN32
        // Velna may find an export by its ordinal: both ways must agree.
        if (module->SymbolByOrdinal(entry.ordinal) != address) {
            error = Shown(path) + ": ordinal " + std::to_string(entry.ordinal) + " is not " + entry.name;
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
