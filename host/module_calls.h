// The calls the host makes on a module, in the host's order: its identity
// once, first; then for a file its size and its rows, each row checked
// against the contract the host holds the module to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/plugin_module.h"

// What the module says it is: the identity calls the host makes once, first.
struct ModuleIdentity {
    std::string description;  // Shift-JIS, as the module gives it
    std::string formatName;
    std::string extension;
};
ModuleIdentity IdentifyModule(const PluginModule& module);

// The row contract: rows come top first, one after the other, each whole
// (columns 0 to width - 1, 3 bytes a pixel), with a zero last argument.
// Empty when the row delivered after `rowsDone` rows keeps it; else what broke it.
std::string RowContractBreach(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                              const std::uint8_t* pixels, std::int32_t zero, std::int32_t rowsDone, std::int32_t width,
                              std::int32_t height);

// A file's picture as the module delivers it.
struct ModuleDelivery {
    std::int32_t width = 0;  // as ReadFileGetSize tells, kLargestPictureSide at most
    std::int32_t height = 0;
    std::int32_t rows = 0;  // rows delivered, each keeping the contract
};
// Given each row that keeps the contract (3 * width bytes, blue, green, red);
// false stops the decode, with the reason in `problem`.
using RowTaker = std::function<bool(std::int32_t y, const std::uint8_t* pixels, std::string& problem)>;

// ReadFileGetSize, then ReadFileExec with a LineCallback that checks every row
// and hands it on. False, with a message naming the file in `error`, when the
// module finds no picture or a row breaks the contract or is refused by
// `takeRow`; true otherwise, with `delivery.rows` telling how many arrived.
// Not reentrant: the module and its callback are not.
bool DecodeFile(const PluginModule& module, const std::string& input, ModuleDelivery& delivery, const RowTaker& takeRow,
                std::string& error);
