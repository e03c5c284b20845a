// An EPSON RAW file parsed: the TIFF header checked, IFD0 and the raw-image
// directory that IFD0's "SubIFDs" names read into memory.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win32.h"
#include "tiff/tiff_ifd.h"

class ErfFile {
public:
    static constexpr int kNameSize = 260;

    ErfFile() = default;
    ErfFile(const ErfFile&) = delete;
    ErfFile& operator=(const ErfFile&) = delete;
    virtual ~ErfFile() = default;

    // 0 on success, -1 when the file cannot be opened (or its directories need
    // more memory than can be had: both stay empty), -12 or -13 for a bad
    // header. Each directory has its own value budget; the entries the walk
    // needs (SubIFDs, and the raw image's size, layout and strip) are read
    // before the others, and entries beyond the budget are dropped.
    std::int32_t Open(const char* name);
    std::int32_t Parse();

    // First value of PhotometricInterpretation, ImageWidth, ImageLength,
    // StripOffsets and StripByteCounts (0 when absent) into each non-null result.
    std::int32_t QueryRawImageTags(std::uint32_t* photometric, std::uint32_t* width, std::uint32_t* length,
                                   std::uint32_t* stripOffset, std::uint32_t* stripByteCount) const;
    std::int32_t QueryMainImageTags(std::uint32_t* photometric, std::uint32_t* width, std::uint32_t* length,
                                    std::uint32_t* stripOffset, std::uint32_t* stripByteCount) const;


    HANDLE fileHandle = nullptr;
    // The file's size as Open found it; none when it could not be told.
    std::optional<std::uint64_t> fileBytes;
    char fileName[kNameSize] = {};
    TiffIfd mainIfd;
    TiffIfd rawIfd;

    // Where a directory lies as the header or IFD0 names it (offset 0: not
    // named), and where it ends (its count, entries and link) when its entry
    // count lies in the file: a reader can tell a directory the file's end cuts.
    struct DirectoryPlace {
        std::uint32_t offset = 0;
        std::optional<std::uint64_t> end;
    };
    DirectoryPlace mainPlace;
    DirectoryPlace rawPlace;

    // Shows the user `format` in a message box, formatted by wsprintfA with
    // the file's name and then `width` and `height` (for a format that names
    // them) in place of its conversions; nothing when showErrors is false.
    void ShowError(const char* format, std::uint32_t width = 0, std::uint32_t height = 0) const;
    // False for a reader that reports by Open's result alone: a tool's own
    // look at a file the module will show the same error for.
    bool showErrors = true;

protected:
    // Called at the end of Parse while the file is open: a reader that wants
    // more of the file's directories reads them here, each under a value
    // budget of its own.
    virtual void ReadFurtherDirectories() {}
    // Reads the directory at `offset` into `ifd` as Parse reads IFD0, in the
    // file's byte order, and records where it lies in `place`.
    void ReadDirectoryAt(TiffIfd& ifd, std::uint32_t offset, DirectoryPlace& place) const;

private:
    // Empties both directories: the file reads as one that cannot be read.
    std::int32_t Unreadable();
};
