// The steps of ReadFileExec that are worth measuring on their own.
#pragma once

#include <cstdint>
#include <vector>

#include "develop/dib.h"
#include "plugin/host_records.h"

// Hands every row of the DIB to the host's LineCallback, top row first, each
// copied into `row` (at least one DIB row wide) for the time of the call.
void DeliverRows(DibImage dib, std::vector<std::uint8_t>& row, const LineCallbackRecord& callbacks);
