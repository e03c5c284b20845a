// The plug-in's decode run in this process as the host runs it, every row its
// LineCallback receives kept for the test to look at. Tests that use it link
// the plug-in's code (rudi_plugin).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// One call of the LineCallback.
struct DeliveredRow {
    std::int32_t y, firstColumn, lastColumn, zero;
    std::vector<std::uint8_t> pixels;  // 3 bytes a column, firstColumn to lastColumn
};

struct Delivery {
    std::int32_t result = 0;  // what ReadFileExec returned
    std::vector<DeliveredRow> rows;

    // Every row's pixels, one row after the other.
    std::vector<std::uint8_t> Pixels() const;
};

// ReadFileExec on `path`, passing the arguments the module does not use as given.
Delivery ReadRows(const char* path, std::int32_t notUsed1 = 0, std::int32_t notUsed2 = 0, std::int32_t notUsed3 = 0,
                  std::int32_t notUsed4 = 0);

// The same with the arguments left at 0, `afterRow` called with each row's y
// once the row is kept (a test can start another call from inside the first).
Delivery ReadRows(const char* path, const std::function<void(std::int32_t y)>& afterRow);
