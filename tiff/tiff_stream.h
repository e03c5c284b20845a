// Byte-order-aware access to an open file: the lowest layer of the TIFF library.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "tiff/byte_view.h"

class TiffStream {
public:
    virtual ~TiffStream() = default;

    void SetByteOrder(std::uint8_t flag) { littleEndian = flag; }
    void SetHandle(HANDLE handle) { fileHandle = handle; }
    void SetBaseOffset(std::int32_t offset) { baseOffset = offset; }
    bool IsLittleEndian() const { return littleEndian != 0; }

    // Reads at the file pointer. Bytes past the end of the file count as 0.
    std::uint8_t Read8();
    std::uint16_t Read16();
    std::uint32_t Read32();
    // The one path by which the library reads file bytes: up to `length` bytes
    // into `destination`, the count actually read returned and the rest zeroed.
    std::uint32_t ReadBytes(std::uint8_t* destination, std::uint32_t length);
    // The next `size` bytes of the file as one view, read into `storage` in
    // pieces, so that memory grows only with bytes the file really holds.
    // False when fewer bytes are there.
    bool TakeBytes(std::uint64_t size, std::vector<std::uint8_t>& storage, ByteView& bytes);

    // Return what SetFilePointer returns: INVALID_SET_FILE_POINTER when the
    // position cannot be reached, and the file pointer then stays where it was.
    DWORD Seek(std::int32_t offset);
    DWORD SeekAbsolute(std::int32_t offset);
    DWORD Tell();
    std::int32_t TellRelative();

    // 0 on success, 1 on failure.
    int Write8(std::uint32_t value);
    int Write16(std::uint32_t value);
    int Write32(std::uint32_t value);

protected:
    std::int32_t baseOffset = 0;
    HANDLE fileHandle = nullptr;
    std::uint8_t littleEndian = 1;

private:
    int WriteBytes(const std::uint8_t* bytes, DWORD length);
};
