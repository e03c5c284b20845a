#include "tools/picture/png/png_rows.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

constexpr std::size_t kBatchBytes = 256 * 1024;  // filtered rows compressed at a time
// The sample: a few runs of rows spread over the picture (runs, so that a
// row can match the one before it as in the whole picture).
constexpr int kSampleRuns = 8;
constexpr std::int32_t kRunRows = 4;

// Row y of the picture filtered into `out`: the filter byte, then the
// filtered bytes in the order red, green, blue (the picture's are blue,
// green, red), taken from the picture in one pass.
void FilterRow(const Picture& picture, std::int32_t y, int filter, std::uint8_t* out) {
    const std::size_t bytes = picture.RowBytes();
    const std::uint8_t* row = picture.Row(y);
    // What each byte is less: the same colour one pixel to the left (Sub),
    // the byte above (Up), or nothing.
    const std::uint8_t* before = filter == kFilterUp && y > 0 ? picture.Row(y - 1) : nullptr;
    out[0] = static_cast<std::uint8_t>(filter);
    std::uint8_t* rgb = out + 1;
    for (std::size_t i = 0; i < bytes; i += 3) {
        std::uint8_t blue = row[i], green = row[i + 1], red = row[i + 2];
        if (filter == kFilterSub && i >= 3) {
            blue = static_cast<std::uint8_t>(blue - row[i - 3]);
            green = static_cast<std::uint8_t>(green - row[i - 2]);
            red = static_cast<std::uint8_t>(red - row[i - 1]);
        } else if (before != nullptr) {
            blue = static_cast<std::uint8_t>(blue - before[i]);
            green = static_cast<std::uint8_t>(green - before[i + 1]);
            red = static_cast<std::uint8_t>(red - before[i + 2]);
        }
        rgb[i] = red;
        rgb[i + 1] = green;
        rgb[i + 2] = blue;
    }
}

// Rows first..end-1 filtered into `lines`, one after another.
void FilterRows(const Picture& picture, std::int32_t first, std::int32_t end, int filter,
                std::vector<std::uint8_t>& lines) {
    const std::size_t lineBytes = picture.RowBytes() + 1;
    lines.resize(lineBytes * static_cast<std::size_t>(end - first));
    for (std::int32_t y = first; y < end; ++y) {
        FilterRow(picture, y, filter, lines.data() + lineBytes * static_cast<std::size_t>(y - first));
    }
}

// The size zlib makes of the sample filtered with `filter` (zlib judges for
// either compressor, so that every build picks the same filter); the largest
// size_t when it fails.
std::size_t SampleBytes(const Picture& picture, int filter) {
    const auto stream = NewDeflateStream(Deflater::kZlib, filter == kFilterSub);
    if (stream == nullptr) return SIZE_MAX;
    std::vector<std::uint8_t> lines;
    std::vector<std::uint8_t> out;
    for (int i = 0; i < kSampleRuns; ++i) {
        const auto first = static_cast<std::int32_t>(std::int64_t{picture.height} * i / kSampleRuns);
        FilterRows(picture, first, std::min(picture.height, first + kRunRows), filter, lines);
        if (!stream->Add(lines.data(), lines.size(), i + 1 == kSampleRuns, out)) return SIZE_MAX;
    }
    return out.size();
}

}  // namespace

int ChooseFilter(const Picture& picture) {
    return SampleBytes(picture, kFilterSub) < SampleBytes(picture, kFilterUp) ? kFilterSub : kFilterUp;
}

bool CompressRows(const Picture& picture, int filter, Deflater deflater, std::size_t pieceBytes,
                  const std::function<bool(const std::vector<std::uint8_t>&)>& emit,
                  const std::function<void(std::size_t, std::size_t)>& progress) {
    try {
        const auto stream = NewDeflateStream(deflater, filter == kFilterSub);
        if (stream == nullptr) return false;
        const std::size_t lineBytes = picture.RowBytes() + 1;
        const auto batchRows = static_cast<std::int32_t>(std::max<std::size_t>(1, kBatchBytes / lineBytes));
        std::vector<std::uint8_t> lines;
        std::vector<std::uint8_t> out;
        for (std::int32_t first = 0; first < picture.height; first += batchRows) {
            const std::int32_t end = std::min(picture.height, first + batchRows);
            FilterRows(picture, first, end, filter, lines);
            const bool last = end == picture.height;
            if (!stream->Add(lines.data(), lines.size(), last, out)) return false;
            if ((out.size() >= pieceBytes || last) && !out.empty()) {
                if (!emit(out)) return false;
                out.clear();
            }
            if (progress) progress(static_cast<std::size_t>(end), static_cast<std::size_t>(picture.height));
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
