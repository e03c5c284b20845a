#include "tests/support/ifd_builder.h"

#include "tests/support/byte_builder.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_tag.h"

namespace {

std::vector<std::uint8_t> Encode(const IfdField& field, bool little) {
    ByteBuilder bytes(little);
    for (const std::uint32_t item : field.items) {
        switch (TypeFactsOf(field.type).itemBytes) {
            case 1: bytes.U8(item); break;
            case 2: bytes.U16(item); break;
            case 4: bytes.U32(item); break;
            default: break;
        }
    }
    return bytes.bytes();
}

std::size_t DirectorySize(const std::vector<IfdField>& fields, bool little) {
    std::size_t size = 2 + RawEntry::kSize * fields.size() + 4;
    for (const IfdField& field : fields) {
        if (!IsInline(field.type, field.count)) size += Encode(field, little).size();
    }
    return size;
}

// Appends the directory at the file's end, its blocks right after it.
void AppendDirectory(ByteBuilder& file, const std::vector<IfdField>& fields, bool little) {
    auto block = static_cast<std::uint32_t>(file.size() + 2 + RawEntry::kSize * fields.size() + 4);
    ByteBuilder data(little);
    file.U16(static_cast<std::uint32_t>(fields.size()));
    for (const IfdField& field : fields) {
        const auto bytes = Encode(field, little);
        if (IsInline(field.type, field.count)) {
            file.InlineEntry(field.tag, field.type, field.count, bytes);
        } else {
            file.Entry(field.tag, field.type, field.count, block);
            data.Bytes(bytes);
            block += static_cast<std::uint32_t>(bytes.size());
        }
    }
    file.U32(0).Bytes(data.bytes());
}

}  // namespace

std::vector<std::uint8_t> BuildTwoDirectoryFile(bool littleEndian, std::vector<IfdField> main,
                                                const std::vector<IfdField>& raw) {
    main.push_back({kTagSubIFDs, kTypeLong, 1, {0}});  // set below
    const auto rawIfd = static_cast<std::uint32_t>(8 + DirectorySize(main, littleEndian));
    main.back().items[0] = rawIfd;
    ByteBuilder file(littleEndian);
    file.Header(8);
    AppendDirectory(file, main, littleEndian);
    AppendDirectory(file, raw, littleEndian);
    return file.bytes();
}
