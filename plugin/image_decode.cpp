// The decode: the picture developed from the raw strip and handed to the host
// one row at a time, top row first.
#include "plugin/image_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "develop/dib.h"
#include "develop/raw_decoder.h"
#include "develop/row_buffers.h"
#include "plugin/export_guard.h"
#include "plugin/exports.h"
#include "tiff/erf_file.h"

namespace {

// An intact file holds its strip: ten pixels in 16 bytes, 0.625 pixels per
// byte of the file at most. A picture of up to 8 pixels per byte is decoded,
// so a file cut short still shows what it holds; a file that claims more (a
// few bytes naming a picture of millions of rows) is refused like a picture
// too large to hold, so the decode's time and memory stay in proportion to
// the file. Each side counts as at least one pixel: rows of width 0 are
// bounded too, and so is the width of a picture of no rows, which still
// sizes the row buffers.
constexpr std::uint64_t kPixelsPerFileByte = 8;

// The file's size; none when it cannot be told (the decode then finds the
// file as it is, and a file it cannot open leaves the picture black).
std::optional<std::uint64_t> FileBytes(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return std::nullopt;
    const long end = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1L;
    std::fclose(file);
    if (end < 0) return std::nullopt;
    return static_cast<std::uint64_t>(end);
}

bool FileJustifies(const char* fileName, std::uint32_t width, std::uint32_t height) {
    const std::optional<std::uint64_t> bytes = FileBytes(fileName);
    const std::uint64_t pixels = std::max<std::uint64_t>(width, 1) * std::max<std::uint64_t>(height, 1);
    return !bytes || pixels <= kPixelsPerFileByte * *bytes;
}

// Row y of the DIB copied into the shared row buffer for the time of the call.
void DeliverRow(DibImage dib, std::int32_t y, const LineCallbackRecord& callbacks) {
    std::int32_t width = 0;
    GetDibGeometry(dib, &width, nullptr, nullptr);
    ReadDibRow(dib, y, 0, width - 1, gRowA.data());
    callbacks.lineCallback(y, 0, width - 1, gRowA.data(), 0);
}

// Hands each row to the host as soon as the decode has made it final.
class RowDelivery final : public RowSink {
public:
    RowDelivery(DibImage dib, const LineCallbackRecord& callbacks) : dib_(dib), callbacks_(callbacks) {}
    void RowFinal(std::int32_t y) override { DeliverRow(dib_, y, callbacks_); }

private:
    DibImage dib_;
    const LineCallbackRecord& callbacks_;
};

void DecodeAndDeliver(const char* fileName, const LineCallbackRecord& callbacks) {
    ErfFile erf;
    erf.Open(fileName);  // a failure leaves the size at 0 by 0: no rows
    std::uint32_t photometric = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stripOffset = 0;
    std::uint32_t stripByteCount = 0;
    erf.QueryRawImageTags(&photometric, &width, &height, &stripOffset, &stripByteCount);

    // Sizes from 2^31 on come through as negative and are refused, as is a
    // picture too large to hold or larger than the file justifies: then no
    // row is delivered.
    if (!FileJustifies(fileName, width, height)) return;
    const auto columns = static_cast<std::int32_t>(width);
    const auto rows = static_cast<std::int32_t>(height);
    const DibOwner dib(CreateDib(columns, rows, 24));
    if (dib == nullptr || !SizeRowBuffers(columns)) return;
    // The rows go to the host as they are developed. A file that cannot be
    // reopened leaves the picture black, delivered after the decode gave up.
    RowDelivery delivery(dib.get(), callbacks);
    if (DecodeRawStrip(fileName, stripOffset, stripByteCount, dib.get(), columns, rows, &delivery) != 0)
        DeliverRows(dib.get(), callbacks);
}

}  // namespace

void DeliverRows(DibImage dib, const LineCallbackRecord& callbacks) {
    std::int32_t height = 0;
    GetDibGeometry(dib, nullptr, &height, nullptr);
    for (std::int32_t y = 0; y < height; ++y) DeliverRow(dib, y, callbacks);
}

extern "C" std::int32_t RUDI_CDECL ReadFileExec(std::int32_t, const char* fileName, std::int32_t, std::int32_t,
                                                std::int32_t, LineCallbackRecord* callbacks) {
    // Should anything fail on the way, no further row is delivered.
    return RunExport([&] { DecodeAndDeliver(fileName, *callbacks); }, [] {});
}
