// Whether a file holds the raw picture it names, judged the way the decode
// goes about it: which pictures it refuses, in what order, and how many rows
// of the strip the file really holds. The module decodes only what this
// judges intact or cut short (and rows of no pixels where the width is 0),
// and the tools report the same verdict, so they all refuse the same files
// for the same reason.
#pragma once

#include <cstdint>
#include <optional>

enum class RawStripVerdict {
    kIntact,             // every row of the strip lies inside the file
    kCutShort,           // the file ends inside the strip: only rowsPresent rows are whole
    kNoRawImage,         // a width or a height of 0: no picture
    kSizeUnknown,        // the file's size cannot be told, so nothing bounds the picture it names
    kLargerThanFile,     // more pixels than the decode accepts from a file of this size
    kTooLargeForMemory,  // the picture's DIB would be larger than one block of 2^31 - 1 bytes
};

// The numbers the check needs: the raw picture as its directory gives it, and
// the file's size (none when it could not be told).
struct RawStrip {
    std::uint32_t width = 0;           // ImageWidth of the raw-image directory
    std::uint32_t height = 0;          // ImageLength
    std::uint32_t stripOffset = 0;     // StripOffsets
    std::uint32_t stripByteCount = 0;  // StripByteCounts: not needed, a row's length follows from the width
    std::optional<std::uint64_t> fileBytes;
};

struct RawStripCheck {
    RawStripVerdict verdict = RawStripVerdict::kNoRawImage;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t rowsPresent = 0;  // whole packed rows of the strip inside the file (at most height)
    std::uint64_t rowBytes = 0;     // bytes of one packed row
    std::uint64_t dibBytes = 0;     // the DIB the decode would take (0 when it is not asked for)
    // The strip lies in the file but starts from 2^31 on, beyond the offsets
    // the module reads: its rows are there, yet none is read (kCutShort).
    bool outOfReach = false;

    // The rows the module delivers: every row of a picture it decodes (those
    // the file lacks repeat the last one read), and of a width of 0 every row
    // with no pixels; none of a picture it refuses.
    std::uint32_t RowsDelivered() const {
        const bool decoded = verdict == RawStripVerdict::kIntact || verdict == RawStripVerdict::kCutShort;
        return decoded || verdict == RawStripVerdict::kNoRawImage ? height : 0;
    }
};

// The verdicts are tried in the order the decode meets them: no rows, the
// file's size unknown or too small for the picture (a width of 0 counts as one
// column), too large for memory, no columns, then the strip itself. A strip
// offset beyond the largest file offset counts as no bytes of the strip.
RawStripCheck CheckRawStrip(const RawStrip& strip);
