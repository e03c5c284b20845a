#include "tests/support/erf_builder.h"

#include "tests/support/byte_builder.h"
#include "tiff/raw_entry.h"
#include "tiff/tag_numbers.h"

namespace {

constexpr std::uint32_t kShort = 3;
constexpr std::uint32_t kLong = 4;
constexpr std::uint32_t kAscii = 2;

struct Entry {
    std::uint32_t tag, type, value;
};

// A directory of entries whose values all fit in the entry; SHORTs sit in
// the first two bytes of the field whatever the byte order.
void PutDirectory(ByteBuilder& file, const std::vector<Entry>& entries, bool little) {
    file.U16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& entry : entries) {
        if (entry.type == kShort) {
            ByteBuilder field(little);
            field.U16(entry.value).U16(0);
            file.InlineEntry(entry.tag, entry.type, 1, field.bytes());
        } else {
            file.Entry(entry.tag, entry.type, 1, entry.value);
        }
    }
    file.U32(0);
}

std::size_t DirectoryBytes(std::size_t entries) { return 2 + RawEntry::kSize * entries + 4; }

}  // namespace

std::uint32_t StripRowBytes(std::uint32_t width) { return (width + 9) / 10 * 16; }

std::vector<std::uint8_t> PackSamples(const std::vector<std::uint16_t>& samples, std::uint32_t width,
                                      std::uint32_t height) {
    const std::uint32_t rowBytes = StripRowBytes(width);
    std::vector<std::uint8_t> strip(std::size_t{rowBytes} * height, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; x += 2) {
            const std::uint32_t first = samples.at(std::size_t{y} * width + x);
            const std::uint32_t second = x + 1 < width ? samples.at(std::size_t{y} * width + x + 1) : 0;
            std::uint8_t* pair = strip.data() + std::size_t{y} * rowBytes + x / 10 * 16 + (x % 10) / 2 * 3;
            pair[0] = static_cast<std::uint8_t>(first >> 4);
            pair[1] = static_cast<std::uint8_t>(((first & 0x0F) << 4) | (second >> 8));
            pair[2] = static_cast<std::uint8_t>(second);
        }
    }
    return strip;
}

std::vector<std::uint8_t> BuildErf(const ErfContent& content) {
    const bool little = content.littleEndian;
    const bool hasSubIfds = content.subIfdCount > 0;
    const std::size_t mainEntries = hasSubIfds ? 2 : 1;
    const std::size_t rawEntries = content.emptyRawIfd ? 0 : 7;
    constexpr std::size_t kDecoyEntries = 2;

    // Header, IFD0, raw directory, decoy directory, the values that do not
    // fit in their entries, the strip.
    const std::size_t rawIfd = 8 + DirectoryBytes(mainEntries);
    const std::size_t decoyIfd = rawIfd + DirectoryBytes(rawEntries);
    const std::size_t make = decoyIfd + DirectoryBytes(kDecoyEntries);
    const std::size_t subIfdList = make + 6;
    const std::size_t strip = subIfdList + (content.subIfdCount > 1 ? 4 * std::size_t{content.subIfdCount} : 0);
    const auto stripOffset = content.stripOffset.value_or(static_cast<std::uint32_t>(strip));

    ByteBuilder file(little);
    file.Header(8);
    file.U16(static_cast<std::uint32_t>(mainEntries));
    file.Entry(kTagMake, kAscii, 6, static_cast<std::uint32_t>(make));  // Make "EPSON"
    if (content.subIfdCount == 1) file.Entry(kTagSubIFDs, kLong, 1, static_cast<std::uint32_t>(rawIfd));
    if (content.subIfdCount > 1)
        file.Entry(kTagSubIFDs, kLong, content.subIfdCount, static_cast<std::uint32_t>(subIfdList));
    file.U32(0);

    std::vector<Entry> raw = {{kTagImageWidth, kLong, content.width},
                              {kTagImageLength, kLong, content.height},
                              {kTagBitsPerSample, kShort, 12},
                              {kTagCompression, kShort, 32769},                // the camera's packing
                              {kTagPhotometricInterpretation, kShort, 32803},  // CFA
                              {kTagStripOffsets, kLong, stripOffset},
                              {kTagStripByteCounts, kLong, static_cast<std::uint32_t>(content.strip.size())}};
    if (content.emptyRawIfd) raw.clear();
    PutDirectory(file, raw, little);
    PutDirectory(file, {{kTagImageWidth, kLong, 7}, {kTagImageLength, kLong, 9}}, little);

    file.Text("EPSON").U8(0);
    if (content.subIfdCount > 1) {
        file.U32(static_cast<std::uint32_t>(rawIfd));
        for (std::uint32_t i = 1; i < content.subIfdCount; ++i) file.U32(static_cast<std::uint32_t>(decoyIfd));
    }
    return file.PadTo(strip).Bytes(content.strip).bytes();
}
