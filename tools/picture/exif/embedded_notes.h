// What a picture carries, spliced into the bytes another encoder made (on
// Windows, the system's own, which cannot be given the camera's tags
// whole): the same chunks and directories the tools' own writers give.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tiff/byte_view.h"
#include "tools/picture/picture.h"
#include "tools/picture/picture_notes.h"

// PNG's chunks for the notes: a tEXt or iTXt chunk for each text and the
// eXIf chunk with the Exif block, each whole (length, type, data, CRC), to
// lie between the IHDR chunk and the image data.
std::vector<std::uint8_t> PngNoteChunks(const PictureNotes& notes, const Picture& picture);

// What a little-endian TIFF file needs to carry the notes' photograph tags
// as the tools' TIFF writer gives them (IFD0's texts, the Orientation, the
// Exif and GPS directories): `appended` after its last byte holds them and
// a new first directory, at `firstDirectory`, which has every entry of the
// old one beside them. The old one stays where it was, unused.
struct TiffNoteAddition {
    std::vector<std::uint8_t> appended;
    std::uint32_t firstDirectory = 0;
};
// False, with the reason, when the file is not a little-endian TIFF whose
// first directory lies whole inside it, when an entry there has a type whose
// values the TIFF library does not hold, or when the result would reach
// past 2 GiB, as far as the library's offsets go.
bool AddTiffNotes(ByteView file, const PictureNotes& notes, TiffNoteAddition& addition, std::string& reason);
