#include "tools/picture/exif/embedded_notes.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>

#include "tiff/byte_order.h"
#include "tiff/photo_ifd.h"
#include "tiff/tag_numbers.h"
#include "tiff/type_facts.h"
#include "tools/picture/exif/exif_block.h"

namespace {

void AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
    std::uint8_t length[4];
    StoreOrdered32(length, static_cast<std::uint32_t>(data.size()), false);
    out.insert(out.end(), length, length + 4);
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data.
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    std::uint8_t check[4];
    StoreOrdered32(check, static_cast<std::uint32_t>(crc), false);
    out.insert(out.end(), check, check + 4);
}

// A text's chunk (see FitsTextChunk); iTXt uncompressed and without a language.
std::vector<std::uint8_t> TextChunkData(const std::string& keyword, const std::string& text, bool international) {
    std::vector<std::uint8_t> data(keyword.begin(), keyword.end());
    data.push_back(0);
    if (international)
        data.insert(data.end(), {0, 0, 0, 0});  // not compressed, its method, no language, no translation
    data.insert(data.end(), text.begin(), text.end());
    return data;
}

constexpr std::uint32_t Even(std::uint32_t offset) { return offset + offset % 2; }

}  // namespace

std::vector<std::uint8_t> PngNoteChunks(const PictureNotes& notes, const Picture& picture) {
    std::vector<std::uint8_t> chunks;
    for (const auto& [keyword, text] : notes.texts) {
        const bool international = !FitsTextChunk(text);
        AppendChunk(chunks, international ? "iTXt" : "tEXt", TextChunkData(keyword, text, international));
    }
    const std::vector<std::uint8_t> exif =
        ExifBlock(notes.photo, notes.orientation, static_cast<std::uint32_t>(picture.width),
                  static_cast<std::uint32_t>(picture.height));
    if (!exif.empty()) AppendChunk(chunks, "eXIf", exif);
    return chunks;
}

bool AddTiffNotes(ByteView file, const PictureNotes& notes, TiffNoteAddition& addition, std::string& reason) {
    addition = {};
    const std::uint8_t littleEndian[] = {'I', 'I', 42, 0};
    if (!file.within(0, 8) || !std::equal(littleEndian, littleEndian + 4, file.data())) {
        reason = "the encoder's TIFF is not little-endian";
        return false;
    }
    PlacedDirectory main;
    if (file.size() > INT32_MAX ||
        main.ifd.LoadFromFileImage(file.data(), file.size(), LoadOrdered32(file.data() + 4, true)) != 0) {
        reason = "the encoder's TIFF directory cannot be read";
        return false;
    }
    // An entry whose values the library does not hold (SSHORT, FLOAT, an
    // IFD pointer, ...) could not be written back as it was.
    for (const TiffTag* tag : main.ifd.InTagOrder()) {
        if (tag->count > 0 && TypeFactsOf(tag->type).kind == TypeKind::kNone) {
            reason = "the encoder's TIFF has an entry of a type this program cannot copy (tag " +
                     std::to_string(tag->tagNumber) + ")";
            return false;
        }
    }
    // What the tools' TIFF writer gives beside the picture's own entries.
    for (const TiffTag& tag : notes.photo.main) {
        if (tag.type != kTypeAscii) continue;
        const std::string text = TiffText(tag);
        main.ifd.SetTag(tag.tagNumber, kTypeAscii, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    }
    const auto start = Even(static_cast<std::uint32_t>(file.size()));
    const PhotoDirectories photo = LayOutTiffPhotoDirectories(notes.photo, start);
    if (!notes.photo.main.empty() || photo.exif != 0) {
        const auto orientation = static_cast<std::uint16_t>(notes.orientation);
        main.ifd.SetTag(kTagOrientation, kTypeShort, 1, &orientation);
    }
    if (photo.exif != 0) main.Set(kTagExifIFDPointer, photo.exif);
    if (photo.gps != 0) main.Set(kTagGPSInfoIFDPointer, photo.gps);
    main.at = Even(start + static_cast<std::uint32_t>(photo.bytes.size()));
    if (main.at + main.Bytes() > INT32_MAX) {
        reason = "the TIFF would be too large";
        return false;
    }
    addition.appended.assign(static_cast<std::size_t>(main.at + main.Bytes()) - file.size(), 0);
    std::copy(photo.bytes.begin(), photo.bytes.end(),
              addition.appended.begin() + static_cast<std::ptrdiff_t>(start - file.size()));
    main.Store(addition.appended, static_cast<std::int64_t>(file.size()));
    addition.firstDirectory = static_cast<std::uint32_t>(main.at);
    return true;
}
