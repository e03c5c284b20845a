#include "tools/erf_convert/converter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "develop/dib.h"
#include "develop/file_owner.h"
#include "develop/packed_raw.h"
#include "develop/raw_decoder.h"
#include "platform/huge_pages.h"
#include "platform/limits.h"
#include "platform/win32.h"
#include "plugin/raw_strip_of.h"
#include "tools/output/file_names.h"
#include "tools/output/input_file.h"
#include "tools/output/output_file.h"
#include "tools/picture/picture_writer.h"

namespace {

// Opens `input` for reading, or says why it cannot be.
FileOwner OpenInput(const std::string& input, std::string& error) {
    FileOwner file(files::Open(input, "rb"));
    if (file == nullptr) error = input + ": cannot read the file (" + ErrnoText(errno) + ")";
    return file;
}

// While another program holds the file for itself alone, the module can only
// say it found no picture: asked after a failure, so that the reason is named.
bool InUseByAnotherProgram(const std::string& name) {
    const HANDLE handle =
        CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return false;
}

constexpr const char* kInUse = ": in use by another program";

std::string Size(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Why the module delivered no picture, as far as the check tells.
std::string Refusal(const RawStripCheck& strip, std::uint64_t fileBytes, std::int32_t rowsDelivered) {
    switch (strip.verdict) {
        case RawStripVerdict::kSizeUnknown:
            return "the file's size cannot be told, so nothing bounds the picture (" + Size(strip.width, strip.height) +
                   ") it names; nothing was decoded";
        case RawStripVerdict::kLargerThanFile:
            return "the picture (" + Size(strip.width, strip.height) +
                   ") is larger than the file can hold: " + std::to_string(fileBytes) + " bytes hold at most " +
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

bool ReadInput(const std::string& input, InputRead& file, std::string& error) {
    if (!files::ForModule(input, file.name, error)) return false;
    file.erf.showErrors = false;
    file.opened = file.erf.Open(file.name.c_str());
    return true;
}

bool DecodePicture(const PluginModule& module, const std::string& input, const InputRead& file, Picture& picture,
                   DecodeReport& report, const RowProgress& progress, std::string& error) {
    const std::string& name = file.name;
    ModuleDelivery delivery;
    const RowTaker takeRow = [&](std::int32_t y, const std::uint8_t* pixels, std::string& problem) {
        if (picture.pixels.empty()) {
            // Taken once the first row is in: the module then holds a picture this large too.
            picture = Picture{delivery.width, delivery.height, {}};
            // Sized in 64 bits: in a 32-bit build the product could wrap.
            const std::uint64_t bytes = 3 * static_cast<std::uint64_t>(std::max(picture.width, 0)) *
                                        static_cast<std::uint64_t>(std::max(picture.height, 0));
            try {
                if (bytes > picture.pixels.max_size()) throw std::bad_alloc();
                picture.pixels.reserve(static_cast<std::size_t>(bytes));
                AdviseHugePages(picture.pixels.data(), static_cast<std::size_t>(bytes));
                picture.pixels.resize(static_cast<std::size_t>(bytes));
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
    // The module does not say why a file gave nothing: asked here.
    if (!decoded && InUseByAnotherProgram(name)) {
        error = input + kInUse;
        return false;
    }
    if (!decoded && OpenInput(input, error) == nullptr) return false;
    // A file the module finds nothing in is named as erf-info names it.
    if (const std::string problem = decoded ? std::string() : HeaderProblem(file.opened); !problem.empty()) {
        error = input + ": not an EPSON RAW file: " + problem;
        return false;
    }
    const PhotoFile& erf = file.erf;
    const bool whole = decoded && delivery.rows == delivery.height;
    // A file from another camera is named as such, not as a damaged one.
    if (const std::optional<std::string> maker = OtherMaker(erf); maker && !whole) {
        error = input + ": made by " + *maker + ", not an EPSON RAW file";
        return false;
    }
    if (!decoded) {
        if (const std::string reason = NothingToDecode(erf); file.opened == 0 && !reason.empty()) {
            error = input + ": " + reason;
        }
        return false;
    }
    report.notEpson = NotEpsonRaw(erf).value_or("");
    report.strip = CheckRawStrip(RawStripOf(erf));
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
    if (strip.outOfReach) {
        return input +
               ": the raw data starts beyond the first 2 GiB of the file, which the module does not read: "
               "every row is black";
    }
    return input + ": the raw data ends at row " + std::to_string(strip.rowsPresent) + " of " +
           std::to_string(strip.height) + ": the rows below repeat the last row read";
}

std::string DngRefusal(const std::string& input, const DecodeReport& report) {
    constexpr const char* kOnlySamples = ": a DNG holds only the camera's own samples, so none was written";
    if (!report.notEpson.empty()) return input + ": " + report.notEpson + kOnlySamples;
    if (report.strip.verdict == RawStripVerdict::kIntact) return {};
    if (report.strip.outOfReach) {
        return input + ": the raw data starts beyond the first 2 GiB of the file, which the module does not read" +
               kOnlySamples;
    }
    return input + ": the raw data ends at row " + std::to_string(report.strip.rowsPresent) + " of " +
           std::to_string(report.strip.height) + kOnlySamples;
}

RawStripReader::~RawStripReader() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool RawStripReader::Open(const std::string& input, const InputRead& file, std::string& error) {
    const RawStrip strip = RawStripOf(file.erf);
    const RawStripCheck check = CheckRawStrip(strip);
    handle_ = CreateFileA(file.name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    stream_.SetHandle(handle_);
    // An intact strip lies whole in the file, within the offsets a stream seeks to.
    if (handle_ == INVALID_HANDLE_VALUE || check.verdict != RawStripVerdict::kIntact ||
        strip.stripOffset > kLargestFileOffset ||
        stream_.SeekAbsolute(static_cast<std::int32_t>(strip.stripOffset)) == INVALID_SET_FILE_POINTER) {
        error = input + ": cannot read the raw data again";
        return false;
    }
    packed_.resize(static_cast<std::size_t>(check.rowBytes));
    samples_.width = check.width;
    samples_.height = check.height;
    samples_.readRow = [this](std::uint32_t y, std::uint8_t* row, std::string& reason) {
        return ReadRow(y, row, reason);
    };
    return true;
}

bool RawStripReader::ReadRow(std::uint32_t y, std::uint8_t* row, std::string& reason) {
    // Read in turn: each row follows the last.
    if (y != nextRow_ ||
        stream_.ReadBytes(packed_.data(), static_cast<std::uint32_t>(packed_.size())) != packed_.size()) {
        reason = "the raw data of row " + std::to_string(y) + " cannot be read again";
        return false;
    }
    ++nextRow_;
    DngRowOf(packed_.data(), samples_.width, row);
    return true;
}

bool ReadThumbnailPicture(const std::string& input, const InputRead& file, Picture& picture, DecodeReport& report,
                          std::string& error) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string problem;
    if (!ReadThumbnail(file.name.c_str(), file.erf, width, height, picture.pixels, problem)) {
        // A file held by another program, or that cannot be opened, is said so.
        if (InUseByAnotherProgram(file.name)) {
            error = input + kInUse;
        } else if (OpenInput(input, error) != nullptr) {
            error = input + ": " + problem;
        }
        return false;
    }
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    // Stored red, green, blue; a picture here is blue, green, red.
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) std::swap(picture.pixels[i], picture.pixels[i + 2]);
    report.camera = ReadCameraNotes(file.erf);
    return true;
}

std::string PictureSizeProblem(const std::string& input, const InputRead& file, PictureFormat format, bool thumbnail,
                               bool upright) {
    // A format that holds any size the module delivers needs no look at the file.
    if (SizeProblem(format, UINT32_MAX, UINT32_MAX).empty() || file.opened != 0) return {};
    const PhotoFile& erf = file.erf;
    std::uint32_t width = 0, height = 0;
    if (thumbnail) {
        erf.QueryMainImageTags(nullptr, &width, &height, nullptr, nullptr);
    } else {
        const RawStripCheck check = CheckRawStrip(RawStripOf(erf));
        if (check.RowsDelivered() == 0) return {};  // the decode names what is wrong
        width = check.width;
        height = check.height;
    }
    if (upright && ReadCameraNotes(erf).orientation >= 5) std::swap(width, height);
    const std::string problem = width == 0 || height == 0 ? std::string() : SizeProblem(format, width, height);
    return problem.empty() ? problem
                           : input + ": a " + FormatName(format) + " file cannot hold its " + Size(width, height) +
                                 " pixels (" + problem + "); nothing was decoded";
}
