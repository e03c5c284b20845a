#include "tools/picture/bmp/bmp_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "tools/output/output_file.h"

namespace {

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value);
    Put16(at + 2, value >> 16);
}

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

// Rows are stored bottom first, each padded to a multiple of 4 bytes.
std::uint64_t Stride(std::uint64_t width) { return (3 * width + 3) / 4 * 4; }
std::uint64_t FileBytes(std::uint64_t width, std::uint64_t height) {
    return kFileHeaderBytes + kInfoHeaderBytes + Stride(width) * height;
}
constexpr std::uint64_t kLargestFile = 0xFFFFFFFFu;  // its size field's reach

bool Write(std::FILE* stream, const void* bytes, std::size_t count, std::string& reason) {
    if (std::fwrite(bytes, 1, count, stream) == count) return true;
    reason = ErrnoText(errno);
    return false;
}

}  // namespace

std::string BmpSizeProblem(std::uint64_t width, std::uint64_t height) {
    return FileBytes(width, height) > kLargestFile ? "the picture is too large for a BMP file" : "";
}

bool WriteBmp(const Picture& picture, std::FILE* stream, std::string& reason) {
    const auto width = static_cast<std::uint64_t>(picture.width);
    const auto height = static_cast<std::uint64_t>(picture.height);
    reason = BmpSizeProblem(width, height);
    if (!reason.empty()) return false;
    const auto stride = static_cast<std::size_t>(Stride(width));
    const std::uint64_t fileBytes = FileBytes(width, height);
    const std::uint64_t imageBytes = fileBytes - kFileHeaderBytes - kInfoHeaderBytes;
    std::uint8_t header[kFileHeaderBytes + kInfoHeaderBytes] = {'B', 'M'};
    Put32(header + 2, static_cast<std::uint32_t>(fileBytes));
    Put32(header + 10, kFileHeaderBytes + kInfoHeaderBytes);  // where the pixels start
    std::uint8_t* info = header + kFileHeaderBytes;
    Put32(info, kInfoHeaderBytes);
    Put32(info + 4, static_cast<std::uint32_t>(picture.width));
    Put32(info + 8, static_cast<std::uint32_t>(picture.height));
    Put16(info + 12, 1);   // planes
    Put16(info + 14, 24);  // bits per pixel
    Put32(info + 20, static_cast<std::uint32_t>(imageBytes));
    if (!Write(stream, header, sizeof header, reason)) return false;
    std::vector<std::uint8_t> row(stride, 0);
    for (std::int32_t y = picture.height - 1; y >= 0; --y) {
        std::copy_n(picture.Row(y), picture.RowBytes(), row.begin());
        if (!Write(stream, row.data(), stride, reason)) return false;
    }
    return true;
}
