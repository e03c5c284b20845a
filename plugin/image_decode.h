// The steps of ReadFileExec that are worth measuring on their own.
#pragma once

#include <cstdint>

#include "develop/dib.h"
#include "plugin/host_records.h"

// Hands every row of the DIB to the host's LineCallback, top row first, each
// copied into the shared row buffer for the time of the call.
void DeliverRows(DibImage dib, const LineCallbackRecord& callbacks);
