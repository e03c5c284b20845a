#include "tiff/erf_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/limits.h"
#include "tiff/tag_numbers.h"

namespace {

constexpr std::uint8_t kLittleEndianMark = 0x49;  // 'I'
constexpr std::uint8_t kBigEndianMark = 0x4D;     // 'M'
constexpr std::uint16_t kTiffMagic = 42;

// The entries the walk needs from IFD0 and from the raw directory.
constexpr std::uint32_t kMainWalk[] = {kTagSubIFDs};
constexpr std::uint32_t kRawWalk[] = {
    kTagImageWidth,   kTagImageLength,    kTagBitsPerSample, kTagCompression, kTagPhotometricInterpretation,
    kTagStripOffsets, kTagStripByteCounts};

bool IsWalkEntry(ByteView entry, bool littleEndian, std::span<const std::uint32_t> walk) {
    const std::optional<RawEntry> decoded = DecodeEntry(entry, littleEndian);
    return decoded && std::find(walk.begin(), walk.end(), decoded->tagNumber) != walk.end();
}

// Reads the directory at `offset` into `ifd`: a 16-bit entry count, then the
// 12-byte entries, read at once. Only entries that lie inside the file are
// visited. The directory has a value budget of its own, and the entries of
// `walk` are read first: no other entry's values, in this directory or the
// other, can take the room these need. `place` records where the directory
// lies and ends.
void ReadDirectory(TiffIfd& ifd, std::uint32_t offset, std::optional<std::uint64_t> fileBytes,
                   std::span<const std::uint32_t> walk, ErfFile::DirectoryPlace& place) {
    place = {offset, std::nullopt};
    if (offset > kLargestFileOffset || ifd.Seek(static_cast<std::int32_t>(offset)) == INVALID_SET_FILE_POINTER) return;
    const std::uint32_t count = ifd.Read16();
    // A count read past the file's end reads as 0: only one inside it tells the end.
    if (fileBytes && std::uint64_t{offset} + 2 <= *fileBytes) {
        place.end = std::uint64_t{offset} + 2 + std::uint64_t{RawEntry::kSize} * count + 4;
    }
    std::vector<std::uint8_t> table(static_cast<std::size_t>(RawEntry::kSize) * count);
    const ByteView present(table.data(),
                           table.empty() ? 0 : ifd.ReadBytes(table.data(), static_cast<std::uint32_t>(table.size())));
    ValueBudget budget;
    for (const bool walkPass : {true, false}) {
        for (std::uint64_t at = 0; present.within(at, RawEntry::kSize); at += RawEntry::kSize) {
            const std::int64_t entry = std::int64_t{offset} + 2 + static_cast<std::int64_t>(at);
            if (entry > kLargestFileOffset) break;
            const ByteView bytes = present.Part(at, RawEntry::kSize);
            if (IsWalkEntry(bytes, ifd.IsLittleEndian(), walk) != walkPass) continue;
            ifd.ReadEntryFrom(bytes, static_cast<std::int32_t>(entry), budget);
        }
    }
}

void Query(const TiffIfd& ifd, std::uint32_t* photometric, std::uint32_t* width, std::uint32_t* length,
           std::uint32_t* stripOffset, std::uint32_t* stripByteCount) {
    if (photometric != nullptr) *photometric = ifd.FirstValue("PhotometricInterpretation");
    if (width != nullptr) *width = ifd.FirstValue("ImageWidth");
    if (length != nullptr) *length = ifd.FirstValue("ImageLength");
    if (stripOffset != nullptr) *stripOffset = ifd.FirstValue("StripOffsets");
    if (stripByteCount != nullptr) *stripByteCount = ifd.FirstValue("StripByteCounts");
}

std::optional<std::uint64_t> SizeOf(HANDLE file) {
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return std::nullopt;
    return std::uint64_t{high} << 32 | low;
}

}  // namespace

std::int32_t ErfFile::Open(const char* name) {
    fileBytes.reset();
    // Other readers are admitted, and admit this one: the same file may be
    // decoded by two calls at once (one inside another's LineCallback, or on
    // two threads), or after a call that never ended left its strip open.
    fileHandle =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (fileHandle == INVALID_HANDLE_VALUE) return -1;
    fileBytes = SizeOf(fileHandle);
    SetFilePointer(fileHandle, 0, nullptr, FILE_BEGIN);
    mainIfd.SetHandle(fileHandle);
    rawIfd.SetHandle(fileHandle);
    // A longer name is cut for the messages; the file was opened by its full name.
    const std::size_t length = std::min(std::strlen(name), sizeof fileName - 1);
    std::memcpy(fileName, name, length);
    fileName[length] = '\0';
    std::int32_t result = -1;
    try {
        result = Parse();
    } catch (const std::bad_alloc&) {
        // Directories whose values need more memory than the process can get
        // (a file can name the same large block under every tag): the file
        // reads as one that cannot be read, rather than ending the host.
        result = Unreadable();
    } catch (const std::length_error&) {
        // The same for more values or text than a container can hold.
        result = Unreadable();
    }
    CloseHandle(fileHandle);
    fileHandle = nullptr;
    return result;
}

std::int32_t ErfFile::Unreadable() {
    mainIfd.Clear();
    rawIfd.Clear();
    return -1;
}

std::int32_t ErfFile::Parse() {
    const std::uint8_t first = mainIfd.Read8();
    const std::uint8_t second = mainIfd.Read8();
    if (first == kLittleEndianMark && second == kLittleEndianMark) {
        mainIfd.SetByteOrder(1);
        rawIfd.SetByteOrder(1);
    } else if (first == kBigEndianMark && second == kBigEndianMark) {
        mainIfd.SetByteOrder(0);
        rawIfd.SetByteOrder(0);
    } else {
        ShowError("TIFF endian error: %s");
        return -12;
    }
    if (mainIfd.Read16() != kTiffMagic) {
        ShowError("TIFFID error: %s");
        return -13;
    }
    const std::uint32_t ifd0 = mainIfd.Read32();
    mainIfd.SetBaseOffset(0);
    rawIfd.SetBaseOffset(0);
    ReadDirectory(mainIfd, ifd0, fileBytes, kMainWalk, mainPlace);
    // Only the first sub-directory counts. Without a usable offset the raw
    // directory stays empty: offset 0 holds the header, never a directory.
    const std::uint32_t sub = mainIfd.FirstValue("SubIFDs");
    rawPlace = {};
    if (sub != 0) ReadDirectory(rawIfd, sub, fileBytes, kRawWalk, rawPlace);
    ReadFurtherDirectories();
    return 0;
}

void ErfFile::ReadDirectoryAt(TiffIfd& ifd, std::uint32_t offset, DirectoryPlace& place) const {
    ifd.SetHandle(fileHandle);
    ifd.SetByteOrder(mainIfd.IsLittleEndian() ? 1 : 0);
    ifd.SetBaseOffset(0);
    ReadDirectory(ifd, offset, fileBytes, {}, place);
}

void ErfFile::ShowError(const char* format, std::uint32_t width, std::uint32_t height) const {
    if (!showErrors) return;
    char text[1024];  // the most wsprintfA writes
    wsprintfA(text, format, fileName, width, height);
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}

std::int32_t ErfFile::QueryRawImageTags(std::uint32_t* photometric, std::uint32_t* width, std::uint32_t* length,
                                        std::uint32_t* stripOffset, std::uint32_t* stripByteCount) const {
    Query(rawIfd, photometric, width, length, stripOffset, stripByteCount);
    return 0;
}

std::int32_t ErfFile::QueryMainImageTags(std::uint32_t* photometric, std::uint32_t* width, std::uint32_t* length,
                                         std::uint32_t* stripOffset, std::uint32_t* stripByteCount) const {
    Query(mainIfd, photometric, width, length, stripOffset, stripByteCount);
    return 0;
}
