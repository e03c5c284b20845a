// The decode: the picture developed from the raw strip and handed to the host
// one row at a time, top row first.
#include "plugin/image_decode.h"

#include <cstdint>

#include "develop/dib.h"
#include "develop/raw_decoder.h"
#include "plugin/export_guard.h"
#include "plugin/exports.h"
#include "plugin/raw_strip_of.h"
#include "tiff/erf_file.h"

namespace {

// Row y of the DIB copied into `row` for the time of the call.
void DeliverRow(DibImage dib, std::int32_t y, std::vector<std::uint8_t>& row, const LineCallbackRecord& callbacks) {
    std::int32_t width = 0;
    GetDibGeometry(dib, &width, nullptr, nullptr);
    ReadDibRow(dib, y, 0, width - 1, row.data());
    callbacks.lineCallback(y, 0, width - 1, row.data(), 0);
}

// Hands each row to the host as soon as the decode has made it final, in the
// decode's rowA, which the decode leaves to it between rows.
class RowDelivery final : public RowSink {
public:
    RowDelivery(DibImage dib, RowBuffers& rows, const LineCallbackRecord& callbacks)
        : dib_(dib), rows_(rows), callbacks_(callbacks) {}
    void RowFinal(std::int32_t y) override { DeliverRow(dib_, y, rows_.rowA, callbacks_); }

private:
    DibImage dib_;
    RowBuffers& rows_;
    const LineCallbackRecord& callbacks_;
};

// Everything the decode works with (the parsed file, the DIB, the row buffers,
// the open strip) belongs to this call and is released when it ends. Nothing
// is shared with another call: a LineCallback may decode another picture, two
// threads may decode at once, and a callback that never returns (longjmp, or
// an exception unwinding through the module) costs that call's memory and
// file, never a later call's rows.
void DecodeAndDeliver(const char* fileName, const LineCallbackRecord& callbacks) {
    ErfFile erf;
    erf.Open(fileName);  // a failure leaves the size at 0 by 0: no rows
    // A picture the check refuses (no rows, a size the file does not justify
    // or cannot be told, too large to hold) delivers no row. The host was told
    // the size and expects rows: of a picture too large for memory, the user
    // learns why none come.
    const RawStrip strip = RawStripOf(erf);
    const auto tooLarge = [&] {
        erf.ShowError("Picture too large for memory: %s (%u x %u pixels)", strip.width, strip.height);
    };
    const RawStripCheck check = CheckRawStrip(strip);
    if (check.verdict == RawStripVerdict::kTooLargeForMemory) return tooLarge();
    if (check.RowsDelivered() == 0) return;
    const auto columns = static_cast<std::int32_t>(strip.width);
    const auto rows = static_cast<std::int32_t>(strip.height);
    const DibOwner dib(CreateDib(columns, rows, 24));
    RowBuffers buffers;
    if (dib == nullptr || !buffers.Size(columns)) return tooLarge();
    // The rows go to the host as they are developed. A file that cannot be
    // reopened leaves the picture black, delivered after the decode gave up.
    RowDelivery delivery(dib.get(), buffers, callbacks);
    if (DecodeRawStrip(fileName, strip.stripOffset, strip.stripByteCount, dib.get(), columns, rows, buffers,
                       &delivery) != 0)
        DeliverRows(dib.get(), buffers.rowA, callbacks);
}

}  // namespace

void DeliverRows(DibImage dib, std::vector<std::uint8_t>& row, const LineCallbackRecord& callbacks) {
    std::int32_t height = 0;
    GetDibGeometry(dib, nullptr, &height, nullptr);
    for (std::int32_t y = 0; y < height; ++y) DeliverRow(dib, y, row, callbacks);
}

extern "C" std::int32_t RUDI_CDECL ReadFileExec(std::int32_t, const char* fileName, std::int32_t, std::int32_t,
                                                std::int32_t, LineCallbackRecord* callbacks) {
    // Should anything fail on the way, no further row is delivered.
    return RunExport([&] { DecodeAndDeliver(fileName, *callbacks); }, [] {});
}
