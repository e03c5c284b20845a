#include "tiff/thumbnail.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <new>

#include "platform/limits.h"

namespace {

std::string Size(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Whether IFD0 describes a picture this reads: RGB, 8 bits a sample, uncompressed, in strips.
bool IsPlainRgb(const TiffIfd& ifd, std::uint32_t width, std::uint32_t height) {
    const TiffTag* bits = ifd.FindTag("BitsPerSample");
    return ifd.FirstValue("PhotometricInterpretation") == 2 && bits != nullptr && bits->values.size() >= 3 &&
           bits->values[0] == 8 && bits->values[1] == 8 && bits->values[2] == 8 && ifd.FirstValue("Compression") <= 1 &&
           ifd.FirstValue("PlanarConfiguration") <= 1 && ifd.FindTag("StripOffsets") != nullptr &&
           ifd.FindTag("StripByteCounts") != nullptr && width > 0 && height > 0 && width <= kLargestPictureSide / 3 &&
           height <= kLargestPictureSide;
}

// `bytes` of zeros in `rgb`; false when memory (or, in a 32-bit build, the
// address space) cannot hold them.
bool Allocate(std::vector<std::uint8_t>& rgb, std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max()) return false;
    try {
        rgb.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The bytes the strips can give: each strip's count, up to the end of the
// file or of the offsets the stream reaches, whichever comes first.
std::uint64_t StripBytes(const TiffIfd& ifd, std::uint64_t fileBytes) {
    const std::vector<std::uint32_t>& offsets = ifd.FindTag("StripOffsets")->values;
    const std::vector<std::uint32_t>& counts = ifd.FindTag("StripByteCounts")->values;
    const std::uint64_t end = std::min<std::uint64_t>(fileBytes, std::uint64_t{kLargestFileOffset} + 1);
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < std::min(offsets.size(), counts.size()); ++i) {
        if (offsets[i] < end) bytes += std::min<std::uint64_t>(counts[i], end - offsets[i]);
    }
    return bytes;
}

// Fills `rgb` from the strips in turn; the bytes it got before a strip failed.
std::size_t ReadStrips(HANDLE handle, const TiffIfd& ifd, std::vector<std::uint8_t>& rgb) {
    TiffStream file;
    file.SetHandle(handle);
    const std::vector<std::uint32_t>& offsets = ifd.FindTag("StripOffsets")->values;
    const std::vector<std::uint32_t>& counts = ifd.FindTag("StripByteCounts")->values;
    std::size_t got = 0;
    const std::size_t strips = std::min(offsets.size(), counts.size());
    for (std::size_t i = 0; i < strips && got < rgb.size(); ++i) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::size_t>(counts[i], rgb.size() - got));
        if (offsets[i] > kLargestFileOffset ||
            file.SeekAbsolute(static_cast<std::int32_t>(offsets[i])) == INVALID_SET_FILE_POINTER ||
            file.ReadBytes(rgb.data() + got, wanted) != wanted) {
            break;
        }
        got += wanted;
    }
    return got;
}

}  // namespace

bool ReadThumbnail(const char* name, const ErfFile& erf, std::uint32_t& width, std::uint32_t& height,
                   std::vector<std::uint8_t>& rgb, std::string& problem) {
    const TiffIfd& ifd = erf.mainIfd;
    width = ifd.FirstValue("ImageWidth");
    height = ifd.FirstValue("ImageLength");
    // A failed Open leaves IFD0 empty.
    if (!IsPlainRgb(ifd, width, height)) {
        problem = "no thumbnail in the file (IFD0 holds no uncompressed 8-bit RGB picture)";
        return false;
    }
    const std::uint64_t bytes = 3 * std::uint64_t{width} * height;
    if (bytes > erf.fileBytes.value_or(0)) {
        problem = "the thumbnail (" + Size(width, height) + ") is larger than the file";
        return false;
    }
    // Checked before the memory is taken: strips that cannot fill the
    // picture must not cost a picture's worth of memory.
    if (StripBytes(ifd, erf.fileBytes.value_or(0)) < bytes) {
        problem = "the thumbnail's strips end before its " + Size(width, height) + " pixels";
        return false;
    }
    if (!Allocate(rgb, bytes)) {
        problem = "the thumbnail (" + Size(width, height) + ") is too large for memory";
        return false;
    }
    // Open gave the file's handle back once it had read the directories.
    const HANDLE file = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::size_t got = file == INVALID_HANDLE_VALUE ? 0 : ReadStrips(file, ifd, rgb);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (got != rgb.size()) {
        problem = "the thumbnail's strips end before its " + Size(width, height) + " pixels";
        return false;
    }
    return true;
}
