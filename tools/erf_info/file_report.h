// What erf-info tells about one file: its directories as the module's own
// TIFF library reads them, with every text as UTF-8, and the verdict on the
// raw strip the module would decode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/erf_info/english_texts.h"

struct EntryReport {
    std::uint32_t number = 0;
    std::string name;
    std::uint32_t type = 0;
    std::string typeName;  // empty for a type TIFF does not define
    std::uint32_t count = 0;
    std::vector<std::uint32_t> values;  // the first `count` values' items, two for a rational (fewer when the
                                        // library holds fewer)
    std::string valueText;              // UTF-8, without the library's leading blank; in the report's language
    bool cut = false;                   // values or text beyond the report's budget were left out
    std::string description;            // UTF-8, in the report's language
};

struct ImageReport {
    std::uint32_t photometric = 0, width = 0, length = 0, stripOffset = 0, stripByteCount = 0;
};

enum class Verdict {
    kComplete,           // an EPSON RAW file with every byte of its raw strip in the file
    kCutShort,           // the file ends inside the raw strip
    kDirectoryCutShort,  // the file ends inside IFD0 or the raw-image directory
    kOtherCamera,        // IFD0's Make names a maker other than EPSON, and nothing decodes
    kNotEpsonRaw,        // decoded all the same, though another maker's or packed otherwise
    kNotTiff,            // no TIFF header
    kPlainTiff,          // no raw-image directory
    kNoRawSize,          // the raw-image directory gives no width or height
    kSizeUnknown,        // the file's size cannot be told, so the module refuses the picture
    kLargerThanFile,     // more pixels than the module decodes from a file of this size
    kTooLargeForMemory,  // a picture larger than the module's one block of memory
};

struct FileReport {
    std::string file;
    std::string error;  // why the file could not be read; empty when it could
    Verdict verdict = Verdict::kNotTiff;
    std::string verdictText;
    std::uint32_t rowsPresent = 0;  // whole rows of the raw strip in the file
    bool littleEndian = true;
    std::vector<EntryReport> ifd0, rawIfd;
    std::vector<EntryReport> exifIfd, gpsIfd;  // the photograph's metadata, where IFD0 points to it
    std::optional<std::string> make;
    ImageReport ifd0Image, rawImage;

    bool Usable() const { return verdict == Verdict::kComplete; }
    bool Parsed() const { return error.empty(); }
};

// What a report shows of one entry, at most: a long list of values or a long
// text is cut, so that a report costs a few megabytes however large the
// entries the library keeps.
constexpr std::size_t kReportValues = 4096;
constexpr std::size_t kReportTextBytes = 16384;

// Reads `file`. A file that cannot be opened comes back with `error` set and
// no verdict text; one that is not TIFF with both.
// Descriptions and names of values are in `language`.
FileReport Examine(const std::string& file, Language language);

// Text of a value or of the Make: an ASCII field that is UTF-8 stays as it is,
// any other text is read as Shift-JIS (the dictionary's and the camera's).
std::string FieldText(const std::string& text, bool asciiField);
