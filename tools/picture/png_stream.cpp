#include "tools/picture/png_stream.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "tools/picture/workers.h"

namespace {

constexpr std::size_t kBandBytes = 1 << 20;  // about a megabyte of rows per band
constexpr std::size_t kWindowBytes = 32768;  // deflate's reach back
constexpr int kSampleRows = 16;

// The two ways tried: Up at zlib's fastest level suits drawings and charts
// (rows that repeat the row above); Sub with run-length matching suits
// photographs, where long matches are rare and searching for them costs most.
constexpr PngCoding kCodings[] = {{2, 1, Z_DEFAULT_STRATEGY}, {1, 1, Z_RLE}};

// Row y's pixels as red, green, blue (stored blue, green, red).
void RgbRow(const Picture& picture, std::int32_t y, std::uint8_t* out) {
    const std::uint8_t* row = picture.Row(y);
    for (std::size_t i = 0; i < picture.RowBytes(); i += 3) {
        out[i] = row[i + 2];
        out[i + 1] = row[i + 1];
        out[i + 2] = row[i];
    }
}

// Row y of the picture filtered into `out` (the filter byte, then the
// filtered RGB bytes); `above` is scratch for a row.
void FilterRow(const Picture& picture, std::int32_t y, int filter, std::uint8_t* out, std::uint8_t* above) {
    const std::size_t bytes = picture.RowBytes();
    out[0] = static_cast<std::uint8_t>(filter);
    std::uint8_t* rgb = out + 1;
    RgbRow(picture, y, rgb);
    if (filter == 1) {
        // Sub: each byte less the same colour's byte one pixel to the left.
        for (std::size_t i = bytes; i-- > 3;) rgb[i] = static_cast<std::uint8_t>(rgb[i] - rgb[i - 3]);
    } else if (filter == 2 && y > 0) {
        // Up: each byte less the byte above it.
        RgbRow(picture, y - 1, above);
        for (std::size_t i = 0; i < bytes; ++i) rgb[i] = static_cast<std::uint8_t>(rgb[i] - above[i]);
    }
}

// Rows first..end-1 filtered into `lines` (reused: its memory is taken once per thread).
void FilterRows(const Picture& picture, std::int32_t first, std::int32_t end, int filter,
                std::vector<std::uint8_t>& lines) {
    thread_local std::vector<std::uint8_t> above;
    const std::size_t lineBytes = picture.RowBytes() + 1;
    lines.resize(lineBytes * static_cast<std::size_t>(end - first));
    above.resize(picture.RowBytes());
    for (std::int32_t y = first; y < end; ++y) {
        FilterRow(picture, y, filter, lines.data() + lineBytes * static_cast<std::size_t>(y - first), above.data());
    }
}

struct Band {
    std::vector<std::uint8_t> deflated;
    uLong adler = 1;
    std::size_t bytes = 0;  // filtered bytes in the band
};

// Deflates `lines` raw (no zlib header), primed with `window`; the last band
// ends the stream, the others end with an empty stored block.
bool Deflate(const std::vector<std::uint8_t>& window, const std::vector<std::uint8_t>& lines, const PngCoding& coding,
             bool last, Band& band) {
    thread_local std::vector<std::uint8_t> out;
    z_stream stream{};
    if (deflateInit2(&stream, coding.level, Z_DEFLATED, -15, 8, coding.strategy) != Z_OK) return false;
    bool ok = window.empty() ||
              deflateSetDictionary(&stream, window.data(), static_cast<uInt>(window.size())) == Z_OK;
    out.resize(std::max<std::size_t>(out.size(), deflateBound(&stream, lines.size()) + 16));
    stream.next_in = const_cast<Bytef*>(lines.data());
    stream.avail_in = static_cast<uInt>(lines.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    ok = ok && deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH) == (last ? Z_STREAM_END : Z_OK) &&
         stream.avail_in == 0;
    band.deflated.assign(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(stream.total_out));
    deflateEnd(&stream);
    band.adler = adler32(1, lines.data(), static_cast<uInt>(lines.size()));
    band.bytes = lines.size();
    return ok;
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

PngCoding ChooseCoding(const Picture& picture) {
    // Each way deflates the same few rows spread over the picture; the smaller wins.
    const PngCoding* best = &kCodings[0];
    uLong bestBytes = 0;
    for (const PngCoding& coding : kCodings) {
        uLong total = 0;
        for (int i = 0; i < kSampleRows && i < picture.height; ++i) {
            const std::int32_t y = static_cast<std::int32_t>(std::int64_t{picture.height} * i / kSampleRows);
            std::vector<std::uint8_t> line;
            FilterRows(picture, y, y + 1, coding.filter, line);
            Band band;
            if (Deflate({}, line, coding, true, band)) total += band.deflated.size();
        }
        if (&coding == &kCodings[0] || total < bestBytes) {
            best = &coding;
            bestBytes = total;
        }
    }
    return *best;
}

std::vector<std::vector<std::uint8_t>> CompressRows(const Picture& picture, const PngCoding& coding,
                                                    unsigned threads,
                                                    const std::function<void(std::size_t, std::size_t)>& progress) {
    const std::size_t lineBytes = picture.RowBytes() + 1;
    const auto bandRows = static_cast<std::int32_t>(std::max<std::size_t>(1, kBandBytes / lineBytes));
    const auto bandCount = static_cast<std::size_t>((picture.height + bandRows - 1) / bandRows);
    // The rows before a band that deflate may refer back to.
    const auto windowRows = static_cast<std::int32_t>((kWindowBytes + lineBytes - 1) / lineBytes);
    std::vector<Band> bands(bandCount);
    std::vector<char> failed(bandCount, 0);
    RunJobs(
        bandCount, threads,
        [&](std::size_t i) {
            try {
                const std::int32_t first = static_cast<std::int32_t>(i) * bandRows;
                const std::int32_t end = std::min(picture.height, first + bandRows);
                thread_local std::vector<std::uint8_t> window;
                thread_local std::vector<std::uint8_t> lines;
                FilterRows(picture, std::max(0, first - windowRows), first, coding.filter, window);
                if (window.size() > kWindowBytes) window.erase(window.begin(), window.end() - kWindowBytes);
                FilterRows(picture, first, end, coding.filter, lines);
                failed[i] = !Deflate(window, lines, coding, i + 1 == bandCount, bands[i]);
            } catch (const std::bad_alloc&) {
                failed[i] = 1;
            }
        },
        progress);
    if (std::find(failed.begin(), failed.end(), 1) != failed.end()) return {};

    std::vector<std::vector<std::uint8_t>> pieces;
    uLong adler = 1;
    for (Band& band : bands) {
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.bytes));
        pieces.push_back(std::move(band.deflated));
    }
    // The zlib header (deflate, 32 KiB window, fastest level) and the checksum of all rows.
    pieces.front().insert(pieces.front().begin(), {0x78, 0x01});
    PutBigEndian32(pieces.back(), static_cast<std::uint32_t>(adler));
    return pieces;
}
