#include "tiff/tiff_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/limits.h"
#include "tiff/byte_order.h"

std::uint32_t TiffStream::ReadBytes(std::uint8_t* destination, std::uint32_t length) {
    DWORD got = 0;
    if (ReadFile(fileHandle, destination, length, &got, nullptr) == FALSE || got > length) {
        got = 0;
    }
    std::memset(destination + got, 0, length - got);
    return got;
}

bool TiffStream::TakeBytes(std::uint64_t size, std::vector<std::uint8_t>& storage, ByteView& bytes) {
    // A file position never passes 2^31 - 1, so neither can a run of its bytes.
    if (size > kLargestFileOffset) return false;
    constexpr std::uint32_t kPiece = 1u << 20;
    storage.clear();
    for (std::uint64_t have = 0; have < size;) {
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPiece, size - have));
        storage.resize(static_cast<std::size_t>(have) + want);
        if (ReadBytes(storage.data() + have, want) < want) return false;
        have += want;
    }
    bytes = ByteView(storage);
    return true;
}

std::uint8_t TiffStream::Read8() {
    std::uint8_t byte = 0;
    ReadBytes(&byte, 1);
    return byte;
}

std::uint16_t TiffStream::Read16() {
    std::uint8_t bytes[2];
    ReadBytes(bytes, 2);
    return LoadOrdered16(bytes, IsLittleEndian());
}

std::uint32_t TiffStream::Read32() {
    std::uint8_t bytes[4];
    ReadBytes(bytes, 4);
    return LoadOrdered32(bytes, IsLittleEndian());
}

DWORD TiffStream::Seek(std::int32_t offset) {
    // The sum is formed in 64 bits: a position beyond the signed 32-bit range
    // is unreachable, just as a negative one.
    const std::int64_t target = static_cast<std::int64_t>(baseOffset) + offset;
    if (target < 0 || target > kLargestFileOffset) return INVALID_SET_FILE_POINTER;
    return SetFilePointer(fileHandle, static_cast<LONG>(target), nullptr, FILE_BEGIN);
}

DWORD TiffStream::SeekAbsolute(std::int32_t offset) { return SetFilePointer(fileHandle, offset, nullptr, FILE_BEGIN); }

DWORD TiffStream::Tell() { return SetFilePointer(fileHandle, 0, nullptr, FILE_CURRENT); }

std::int32_t TiffStream::TellRelative() {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(Tell()) - baseOffset);
}

int TiffStream::WriteBytes(const std::uint8_t* bytes, DWORD length) {
    DWORD written = 0;
    return WriteFile(fileHandle, bytes, length, &written, nullptr) != FALSE ? 0 : 1;
}

int TiffStream::Write8(std::uint32_t value) {
    const std::uint8_t byte = static_cast<std::uint8_t>(value);
    return WriteBytes(&byte, 1);
}

int TiffStream::Write16(std::uint32_t value) {
    std::uint8_t bytes[2];
    StoreOrdered16(bytes, static_cast<std::uint16_t>(value), IsLittleEndian());
    return WriteBytes(bytes, 2);
}

int TiffStream::Write32(std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreOrdered32(bytes, value, IsLittleEndian());
    return WriteBytes(bytes, 4);
}
