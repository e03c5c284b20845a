#include "develop/raw_decoder.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "develop/file_owner.h"
#include "develop/global_block.h"
#include "develop/interpolation.h"
#include "develop/row_buffers.h"
#include "develop/tone_curves.h"
#include "platform/limits.h"

namespace {

constexpr auto kGroupSamples = static_cast<std::int32_t>(kSamplesPerGroup);
// The strip is read this many bytes of whole rows at a time (at least one
// row), straight into the decoder's own memory: no copy passes through the C
// library's buffer, and the rows read stay in the processor's cache, beside
// the few rows being developed, until they are unpacked.
constexpr std::uint64_t kChunkBytes = 64 * 1024;

// The developed level of every 12-bit sample, per mosaic colour, looked up
// once so that unpacking a row takes one table read a sample.
struct SampleLevels {
    std::uint8_t of[3][kLargestSample + 1];

    SampleLevels() {
        for (const MosaicColour colour : {kMosaicRed, kMosaicGreen, kMosaicBlue}) {
            for (std::uint32_t s = 0; s <= kLargestSample; ++s) of[colour][s] = DevelopedLevel(colour, s);
        }
    }
};

const SampleLevels& Levels() {
    static const SampleLevels levels;
    return levels;
}

// Four bytes as one big-endian number.
std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return std::endian::native == std::endian::little ? __builtin_bswap32(value) : value;
}

// Unpacks one packed row of `width` samples: even columns put their level
// from `evenLevels` into byte EvenColour of their pixel, odd columns from
// `oddLevels` into byte OddColour. Only those bytes are written: the caller
// keeps the others 0, with one buffer for the even rows and one for the odd.
template <std::size_t EvenColour, std::size_t OddColour>
void UnpackRow(const std::uint8_t* packed, std::uint8_t* pixels, std::int32_t width, const std::uint8_t* evenLevels,
               const std::uint8_t* oddLevels) {
    const auto put = [&](std::uint8_t* out, std::uint32_t column, std::uint32_t sample) {
        if (column % 2 == 0) out[3 * std::size_t{column} + EvenColour] = evenLevels[sample];
        else out[3 * std::size_t{column} + OddColour] = oddLevels[sample];
    };
    const std::int32_t fullGroups = width / kGroupSamples;
    const std::uint8_t* group = packed;
    std::uint8_t* out = pixels;
    for (std::int32_t j = 0; j < fullGroups; ++j, group += kGroupBytes, out += 3 * kGroupSamples) {
        // Each pair of samples, an even column and an odd one, is the top 24
        // bits of the four bytes from its start (the last pair's fourth byte
        // is the group's unused one): 32-bit work, which a 32-bit processor
        // does in one register.
        for (std::uint32_t pair = 0; pair < kSamplesPerGroup / 2; ++pair) {
            const std::uint32_t bits = LoadBigEndian32(group + kPairBytes * pair);
            put(out, 2 * pair, bits >> 20);
            put(out, 2 * pair + 1, (bits >> 8) & 0xFFFu);
        }
    }
    // The last group may be partly used; it still fills 16 bytes of the row.
    const auto rest = static_cast<std::uint32_t>(width % kGroupSamples);
    for (std::uint32_t k = 0; k < rest; ++k) {
        const std::uint8_t* pair = group + PairOffset(k);
        put(out, k, k % 2 == 0 ? FirstSample(pair) : SecondSample(pair));
    }
}

// The byte of a DIB pixel (blue, green, red) that holds a mosaic colour.
constexpr std::size_t DibByte(MosaicColour colour) { return 2 - static_cast<std::size_t>(colour); }

// Unpacks a row of the mosaic whose columns alternate the colours of (0, Y)
// and (1, Y), Y being 0 or 1, into `pixels`.
template <std::uint32_t Y>
void UnpackRowOf(const std::uint8_t* packed, std::uint8_t* pixels, std::int32_t width) {
    constexpr MosaicColour kEven = MosaicColourAt(0, Y);
    constexpr MosaicColour kOdd = MosaicColourAt(1, Y);
    const SampleLevels& levels = Levels();
    UnpackRow<DibByte(kEven), DibByte(kOdd)>(packed, pixels, width, levels.of[kEven], levels.of[kOdd]);
}

// Mosaic row y. Even and odd rows carry different colours; each kind has its
// buffer (rowB, rowC), zeroed once, whose other bytes stay 0; returns the row.
const std::uint8_t* UnpackMosaicRow(const std::uint8_t* packed, std::int32_t width, std::int32_t y, RowBuffers& rows) {
    if (y % 2 == 0) {
        UnpackRowOf<0>(packed, rows.rowB.data(), width);
        return rows.rowB.data();
    }
    UnpackRowOf<1>(packed, rows.rowC.data(), width);
    return rows.rowC.data();
}

// Puts the file at the strip; false when the C library cannot seek there. An
// offset from 2^31 on is out of reach on every platform the module runs on.
bool SeekToStrip(std::FILE* file, std::uint32_t stripOffset) {
    return stripOffset <= kLargestFileOffset && std::fseek(file, static_cast<long>(stripOffset), SEEK_SET) == 0;
}

// Reads `rows` rows of the strip into the start of `chunk`, which holds
// `chunkRows` rows. Where the file ends first, every missing byte repeats the
// byte one row before it, as a single row buffer read again and again keeps
// the bytes of the last row it was given; the row before the first of a
// chunk is the last row of the chunk before it, all zeros at the start.
void ReadRows(std::FILE* file, bool reachable, std::uint8_t* chunk, std::size_t rowBytes, std::size_t chunkRows,
              std::size_t rows) {
    const std::size_t wanted = rowBytes * rows;
    const std::size_t got = reachable ? std::fread(chunk, 1, wanted, file) : 0;
    const std::uint8_t* lastRow = chunk + rowBytes * (chunkRows - 1);
    for (std::size_t at = got; at < wanted;) {
        const std::size_t column = at % rowBytes;
        const std::size_t bytes = std::min(rowBytes - column, wanted - at);
        const std::uint8_t* before = at < rowBytes ? lastRow + column : chunk + at - rowBytes;
        std::memmove(chunk + at, before, bytes);  // the same bytes when the chunk is one row
        at += bytes;
    }
}

// The strip of one file, opened for unpacking a band of rows at a time into
// the DIB, top to bottom.
class StripUnpacker {
public:
    // Takes the working memory, then opens the file at the strip; ready()
    // tells whether both could be had.
    StripUnpacker(const char* fileName, std::uint32_t stripOffset, std::int32_t width, std::int32_t height,
                  RowBuffers& rows)
        : rows_(rows),
          width_(width),
          height_(height),
          rowBytes_(PackedRowBytes(static_cast<std::uint32_t>(width))),
          chunkRows_(ChunkRows(rowBytes_, height)) {
        if (width < 0 || height < 0 || rowBytes_ * chunkRows_ > SIZE_MAX) return;
        chunk_.emplace(static_cast<std::size_t>(rowBytes_ * chunkRows_));
        if (chunk_->data() == nullptr || !rows_.Size(width)) return;
        file_.reset(std::fopen(fileName, "rb"));
        if (file_ == nullptr) return;
        std::setvbuf(file_.get(), nullptr, _IONBF, 0);
        reachable_ = SeekToStrip(file_.get(), stripOffset);
        std::fill(rows_.rowB.begin(), rows_.rowB.end(), 0);
        std::fill(rows_.rowC.begin(), rows_.rowC.end(), 0);
    }
    bool ready() const { return file_ != nullptr; }

    // The mosaic of the next row, in a row buffer, reading the strip a chunk
    // of rows at a time.
    const std::uint8_t* NextRow() {
        const std::int32_t y = next_++;
        const std::uint64_t inChunk = static_cast<std::uint64_t>(y) % chunkRows_;
        if (inChunk == 0) {
            const std::uint64_t rows = std::min<std::uint64_t>(chunkRows_, static_cast<std::uint64_t>(height_ - y));
            ReadRows(file_.get(), reachable_, chunk(), static_cast<std::size_t>(rowBytes_),
                     static_cast<std::size_t>(chunkRows_), static_cast<std::size_t>(rows));
        }
        return UnpackMosaicRow(chunk() + rowBytes_ * inChunk, width_, y, rows_);
    }

private:
    std::uint8_t* chunk() const { return static_cast<std::uint8_t*>(chunk_->data()); }
    static std::uint64_t ChunkRows(std::uint64_t rowBytes, std::int32_t height) {
        return rowBytes == 0 ? 1
                             : std::clamp<std::uint64_t>(kChunkBytes / rowBytes, 1,
                                                         static_cast<std::uint32_t>(std::max(height, 1)));
    }

    RowBuffers& rows_;
    std::int32_t width_;
    std::int32_t height_;
    std::uint64_t rowBytes_;
    std::uint64_t chunkRows_;
    std::optional<GlobalBlock> chunk_;  // none for a size no block can have
    FileOwner file_;
    bool reachable_ = false;
    std::int32_t next_ = 0;
};

}  // namespace

std::int32_t UnpackStrip(const char* fileName, std::uint32_t stripOffset, DibImage dib, std::int32_t width,
                         std::int32_t height) {
    RowBuffers rows;
    StripUnpacker strip(fileName, stripOffset, width, height, rows);
    if (!strip.ready()) return -1;
    for (std::int32_t y = 0; y < height; ++y) WriteDibRow(dib, y, 0, width - 1, strip.NextRow());
    return 0;
}

std::int32_t DecodeRawStrip(const char* fileName, std::uint32_t stripOffset, std::uint32_t /*stripByteCount*/,
                            DibImage dib, std::int32_t width, std::int32_t height, RowBuffers& rows, RowSink* sink) {
    // Everything that can fail fails before the first row is developed.
    RowDeveloper developer(dib, kDevelopAll, rows);
    if (!developer.ready()) return -1;
    StripUnpacker strip(fileName, stripOffset, width, height, rows);
    if (!strip.ready()) return -1;
    const auto deliver = [sink](std::int32_t y) {
        if (sink != nullptr && y >= 0) sink->RowFinal(y);
    };
    // Each row's mosaic goes into the DIB filled along, straight from the
    // unpacking, unless the strip's rows are not the DIB's width.
    const bool direct = developer.width() == width;
    for (std::int32_t y = 0; y < developer.height(); ++y) {
        const std::uint8_t* mosaic = y < height ? strip.NextRow() : nullptr;
        if (mosaic != nullptr && !direct) {
            WriteDibRow(dib, y, 0, width - 1, mosaic);
            mosaic = nullptr;
        }
        deliver(developer.Arrive(mosaic));
    }
    deliver(developer.FinishLast());
    return 0;
}
