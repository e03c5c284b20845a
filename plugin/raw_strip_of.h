// The raw picture of an opened file as the numbers the strip check takes,
// for the module and the tools alike; and the tools' words on a file that is
// not what the camera makes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "develop/raw_strip_check.h"
#include "tiff/camera_notes.h"
#include "tiff/erf_file.h"

inline RawStrip RawStripOf(const ErfFile& erf) {
    RawStrip strip;
    erf.QueryRawImageTags(nullptr, &strip.width, &strip.height, &strip.stripOffset, &strip.stripByteCount);
    strip.fileBytes = erf.fileBytes;
    return strip;
}

// The packing EPSON's cameras write in their raw-image directory's
// Compression ("packed raw").
constexpr std::uint32_t kEpsonPacking = 32769;

// Why a file is not an EPSON RAW file as a camera of EPSON's makes it, though
// the module may decode it (it reads the entries of any maker's file): IFD0's
// Make names another maker, or the raw-image directory's Compression is not
// EPSON's packing. None for a file that is.
inline std::optional<std::string> NotEpsonRaw(const ErfFile& erf) {
    if (const std::optional<std::string> maker = OtherMaker(erf)) {
        return "made by " + *maker + ", not an EPSON RAW file";
    }
    if (erf.rawIfd.HasTag("Compression") && erf.rawIfd.FirstValue("Compression") != kEpsonPacking) {
        return "not an EPSON RAW file: the raw-image directory's Compression is " +
               std::to_string(erf.rawIfd.FirstValue("Compression")) + ", not EPSON's packing (" +
               std::to_string(kEpsonPacking) + ")";
    }
    return std::nullopt;
}

// Where the file ends inside IFD0 or the raw-image directory; empty when both
// lie whole in it.
inline std::string DirectoryCutShort(const ErfFile& erf) {
    const std::uint64_t fileBytes = erf.fileBytes.value_or(0);
    const struct {
        const char* name;
        const ErfFile::DirectoryPlace& place;
    } directories[] = {{"IFD0", erf.mainPlace}, {"the raw-image directory", erf.rawPlace}};
    for (const auto& directory : directories) {
        if (directory.place.offset == 0) continue;
        const std::string size = ", the file has " + std::to_string(fileBytes) + " bytes";
        if (!directory.place.end) {
            return std::string("cut short inside ") + directory.name + ": it starts at byte " +
                   std::to_string(directory.place.offset) + size;
        }
        if (*directory.place.end > fileBytes) {
            return std::string("cut short inside ") + directory.name + ": it ends at byte " +
                   std::to_string(*directory.place.end) + size;
        }
    }
    return {};
}

// Why the module finds nothing to decode in a TIFF file, in the words both
// tools give: a directory cut short, another maker's file, no raw-image
// directory, or one without a size. Empty when none of these holds.
inline std::string NothingToDecode(const ErfFile& erf) {
    if (std::string cut = DirectoryCutShort(erf); !cut.empty()) return cut;
    if (const std::optional<std::string> maker = OtherMaker(erf))
        return "made by " + *maker + ", not an EPSON RAW file";
    if (erf.rawIfd.Tags().empty()) return "not an EPSON RAW file: a TIFF file without a raw-image directory";
    if (CheckRawStrip(RawStripOf(erf)).verdict == RawStripVerdict::kNoRawImage) {
        return "not an EPSON RAW file: the raw-image directory gives no width or height";
    }
    return {};
}
