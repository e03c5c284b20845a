// The host's side of a conversion: the module asked for a file's size, then
// made to decode it, its rows collected into a picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/picture.h"
#include "host/plugin_module.h"

// What the module says it is: the identity calls the host makes once, first.
struct ModuleIdentity {
    std::string description;  // Shift-JIS, as the module gives it
    std::string formatName;
    std::string extension;
};
ModuleIdentity IdentifyModule(const PluginModule& module);

// Told of each row as it arrives: rows received so far and the picture's height.
using RowProgress = std::function<void(std::int32_t rowsDone, std::int32_t rows)>;

// ReadFileGetSize, then ReadFileExec with a LineCallback that checks and
// collects every row. False, with a message naming the file in `error`, when
// the file cannot be read, holds no picture, or the rows do not all arrive.
// Not reentrant: the module and its callback are not.
bool DecodeFile(const PluginModule& module, const std::string& input, Picture& picture,
                const RowProgress& progress, std::string& error);
