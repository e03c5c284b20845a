#include "tools/erf_convert/converter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>

#include "develop/file_owner.h"
#include "tools/output/file_names.h"
#include "tools/output/output_file.h"

namespace {

// Opens `input` for reading, or says why it cannot be.
FileOwner OpenInput(const std::string& input, std::string& error) {
    FileOwner file(files::Open(input, "rb"));
    if (file == nullptr) error = input + ": cannot read the file (" + ErrnoText(errno) + ")";
    return file;
}

bool HasTiffHeader(const std::string& input) {
    std::string error;
    const FileOwner file = OpenInput(input, error);
    char header[4] = {};
    return file != nullptr && std::fread(header, 1, sizeof header, file.get()) == sizeof header &&
           (std::memcmp(header, "II*\0", 4) == 0 || std::memcmp(header, "MM\0*", 4) == 0);
}

std::uint64_t FileBytes(const std::string& input) {
    std::error_code failure;
    const std::uintmax_t bytes = std::filesystem::file_size(files::PathOf(input), failure);
    return failure ? 0 : bytes;
}

std::string Size(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Why the module delivered no picture, as far as the check tells.
std::string Refusal(const RawStripCheck& strip, std::uint64_t fileBytes, std::int32_t rowsDelivered) {
    switch (strip.verdict) {
        case RawStripVerdict::kLargerThanFile:
            return "the picture (" + Size(strip.width, strip.height) + ") is larger than the file can hold: " +
                   std::to_string(fileBytes) + " bytes hold at most " +
                   std::to_string(kPixelsPerFileByte * fileBytes) +
                   " pixels, so the file is cut short or damaged; nothing was decoded";
        case RawStripVerdict::kTooLargeForMemory:
            return "the picture (" + Size(strip.width, strip.height) + ") is too large to decode: it needs " +
                   (strip.dibBytes > 0 ? std::to_string(strip.dibBytes) + " bytes" : std::string("more")) +
                   " of memory in one block, at most " + std::to_string(kLargestDibBytes) + " can be had";
        default:
            return "the module delivered " + std::to_string(rowsDelivered) + " of the picture's " +
                   std::to_string(strip.height) + " rows";
    }
}

}  // namespace

bool DecodePicture(const PluginModule& module, const std::string& input, Picture& picture, DecodeReport& report,
                   const RowProgress& progress, std::string& error) {
    // The module does not say why a file gave nothing, so ask first.
    if (OpenInput(input, error) == nullptr) return false;
    std::string name;  // as the module takes it
    if (!files::ForModule(input, name, error)) return false;
    ModuleDelivery delivery;
    const RowTaker takeRow = [&](std::int32_t y, const std::uint8_t* pixels, std::string& problem) {
        if (picture.pixels.empty()) {
            // Taken once the first row is in: the module then holds a picture this large too.
            picture = Picture{delivery.width, delivery.height, {}};
            try {
                picture.pixels.resize(picture.RowBytes() * static_cast<std::size_t>(picture.height));
            } catch (const std::bad_alloc&) {
                problem = "not enough memory for the picture";
                return false;
            }
        }
        std::memcpy(picture.pixels.data() + picture.RowBytes() * static_cast<std::size_t>(y), pixels,
                    picture.RowBytes());
        if (progress) progress(y + 1, picture.height);
        return true;
    };
    picture = Picture{};
    const bool decoded = DecodeFile(module, name, delivery, takeRow, error);
    error = NamedAs(error, name, input);
    // Parsed again only past a good header, whose errors the module has shown already.
    if (!decoded && !HasTiffHeader(input)) return false;
    ErfFile erf;
    erf.Open(name.c_str());
    const bool whole = decoded && delivery.rows == delivery.height;
    // A file from another camera is named as such, not as a damaged one.
    if (const std::optional<std::string> maker = OtherMaker(erf); maker && !whole) {
        error = input + ": made by " + *maker + ", not an EPSON RAW file";
        return false;
    }
    if (!decoded) return false;
    report.strip = CheckRawStrip(erf, erf.fileBytes.value_or(0));
    report.camera = ReadCameraNotes(erf);
    if (delivery.rows != delivery.height) {
        error = input + ": " + Refusal(report.strip, erf.fileBytes.value_or(0), delivery.rows);
        return false;
    }
    return true;
}

std::string NamedAs(std::string message, const std::string& path, const std::string& shown) {
    if (path != shown && message.rfind(path + ": ", 0) == 0) message.replace(0, path.size(), shown);
    return message;
}

std::string DamageWarning(const std::string& input, const RawStripCheck& strip) {
    if (strip.verdict != RawStripVerdict::kCutShort) return {};
    return input + ": the raw data ends at row " + std::to_string(strip.rowsPresent) + " of " +
           std::to_string(strip.height) + ": the rows below repeat the last row read";
}

bool ReadThumbnail(const std::string& input, Picture& picture, CameraNotes& camera, std::string& error) {
    auto file = OpenInput(input, error);
    std::string name;  // as the module's library takes it
    if (file == nullptr || !files::ForModule(input, name, error)) return false;
    ErfFile erf;
    const std::int32_t opened = erf.Open(name.c_str());
    const TiffIfd& ifd = erf.mainIfd;
    const TiffTag* bits = ifd.FindTag("BitsPerSample");
    const TiffTag* offsets = ifd.FindTag("StripOffsets");
    const TiffTag* counts = ifd.FindTag("StripByteCounts");
    const std::uint32_t width = ifd.FirstValue("ImageWidth");
    const std::uint32_t height = ifd.FirstValue("ImageLength");
    const std::uint64_t bytes = 3 * std::uint64_t{width} * height;
    const bool rgb = opened == 0 && ifd.FirstValue("PhotometricInterpretation") == 2 && bits != nullptr &&
                     bits->values.size() >= 3 && bits->values[0] == 8 && bits->values[1] == 8 && bits->values[2] == 8 &&
                     ifd.FirstValue("Compression") <= 1 && ifd.FirstValue("PlanarConfiguration") <= 1 &&
                     offsets != nullptr && counts != nullptr && width > 0 &&
                     height > 0 && width <= INT32_MAX / 3 && height <= INT32_MAX;
    if (!rgb) {
        error = input + ": no thumbnail in the file (IFD0 holds no uncompressed 8-bit RGB picture)";
        return false;
    }
    if (bytes > FileBytes(input)) {
        error = input + ": the thumbnail (" + Size(width, height) + ") is larger than the file";
        return false;
    }
    picture = Picture{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), {}};
    picture.pixels.resize(static_cast<std::size_t>(bytes));
    std::size_t got = 0;
    const std::size_t strips = std::min(offsets->values.size(), counts->values.size());
    for (std::size_t i = 0; i < strips && got < picture.pixels.size(); ++i) {
        const std::size_t wanted = std::min<std::size_t>(counts->values[i], picture.pixels.size() - got);
        if (offsets->values[i] > INT32_MAX ||
            std::fseek(file.get(), static_cast<long>(offsets->values[i]), SEEK_SET) != 0 ||
            std::fread(picture.pixels.data() + got, 1, wanted, file.get()) != wanted) {
            break;
        }
        got += wanted;
    }
    if (got != picture.pixels.size()) {
        error = input + ": the thumbnail's strips end before its " + Size(width, height) + " pixels";
        return false;
    }
    // Stored red, green, blue; a picture here is blue, green, red.
    for (std::size_t i = 0; i < got; i += 3) std::swap(picture.pixels[i], picture.pixels[i + 2]);
    camera = ReadCameraNotes(erf);
    return true;
}
