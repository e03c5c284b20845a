// The plug-in module loaded at run time, its exports found by name (and on
// Windows also by ordinal), as the host loads it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "plugin/host_records.h"

using ReadFileDllInfoFn = std::int32_t(RUDI_CDECL*)(std::int32_t, DllInfoRecord*);
using ReadFileInitFn = std::int32_t(RUDI_CDECL*)();
using ReadFileInfoFn = std::int32_t(RUDI_CDECL*)(std::int32_t, FormatInfoRecord*);
using ReadFileGetSizeFn = std::int32_t(RUDI_CDECL*)(std::int32_t, const char*, ImageSizeRecord*, void*);
using ReadFileExecFn = std::int32_t(RUDI_CDECL*)(std::int32_t, const char*, std::int32_t, std::int32_t, std::int32_t,
                                                 LineCallbackRecord*);

class PluginModule {
public:
    // Loads the module at `path` (on Windows through the wide functions, so
    // any name does); on failure returns null and says why in `error`, in UTF-8.
    static std::unique_ptr<PluginModule> Load(const std::filesystem::path& path, std::string& error);
    // The module's file beside this program.
    static std::filesystem::path DefaultPath();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    ~PluginModule();

    ReadFileDllInfoFn readFileDllInfo = nullptr;
    ReadFileInitFn readFileInit = nullptr;
    ReadFileInfoFn readFileInfo = nullptr;
    ReadFileGetSizeFn readFileGetSize = nullptr;
    ReadFileExecFn readFileExec = nullptr;

private:
    explicit PluginModule(void* handle) : handle_(handle) {}
    void* Symbol(const char* name) const;
#ifdef _WIN32
    void* SymbolByOrdinal(int ordinal) const;
#endif

    void* handle_;
};
