// The raw picture of an opened file as the numbers the strip check takes,
// for the module and the tools alike.
#pragma once

#include "develop/raw_strip_check.h"
#include "tiff/erf_file.h"

inline RawStrip RawStripOf(const ErfFile& erf) {
    RawStrip strip;
    erf.QueryRawImageTags(nullptr, &strip.width, &strip.height, &strip.stripOffset, &strip.stripByteCount);
    strip.fileBytes = erf.fileBytes;
    return strip;
}
