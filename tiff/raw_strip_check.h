// Whether an EPSON RAW file holds the raw picture its directories describe,
// judged the way the decode goes about it: which pictures it refuses, and
// how many rows of the strip the file really holds.
#pragma once

#include <cstdint>

#include "develop/dib.h"
#include "develop/raw_decoder.h"
#include "tiff/erf_file.h"

enum class RawStripVerdict {
    kIntact,             // every row of the strip lies inside the file
    kCutShort,           // the file ends inside the strip: only rowsPresent rows are whole
    kNoRawImage,         // the raw-image directory gives no width or no height
    kLargerThanFile,     // more pixels than the decode accepts from a file of this size
    kTooLargeForMemory,  // the picture's DIB would be larger than one block of 2^31 - 1 bytes
};

struct RawStripCheck {
    RawStripVerdict verdict = RawStripVerdict::kNoRawImage;
    std::uint32_t width = 0;        // ImageWidth of the raw-image directory
    std::uint32_t height = 0;       // ImageLength
    std::uint32_t rowsPresent = 0;  // whole packed rows of the strip inside the file (at most height)
    std::uint64_t rowBytes = 0;     // bytes of one packed row
    std::uint64_t dibBytes = 0;     // the DIB the decode would take (0 when it is not asked for)
};

// Checks the raw strip of `erf` (already opened) against the file's size in
// bytes. The verdicts are tried in the order the decode meets them: no
// picture, larger than the file can hold, too large for memory, then the
// strip itself. A strip offset from 2^31 on counts as no bytes of the strip.
RawStripCheck CheckRawStrip(const ErfFile& erf, std::uint64_t fileBytes);
