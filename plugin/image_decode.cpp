// The decode: the picture developed from the raw strip and handed to the host
// one row at a time, top row first.
#include "plugin/image_decode.h"

#include <atomic>
#include <cstdint>

#include "develop/dib.h"
#include "develop/raw_decoder.h"
#include "develop/row_buffers.h"
#include "plugin/export_guard.h"
#include "plugin/exports.h"
#include "plugin/raw_strip_of.h"
#include "tiff/erf_file.h"

namespace {

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
    if (dib == nullptr || !SizeRowBuffers(columns)) return tooLarge();
    // The rows go to the host as they are developed. A file that cannot be
    // reopened leaves the picture black, delivered after the decode gave up.
    RowDelivery delivery(dib.get(), callbacks);
    if (DecodeRawStrip(fileName, strip.stripOffset, strip.stripByteCount, dib.get(), columns, rows, &delivery) != 0)
        DeliverRows(dib.get(), callbacks);
}

// The row buffers serve one decode at a time. The host must not call the
// module from two threads at once; when it does anyway, the call that finds a
// decode in progress (or one made from inside a LineCallback) delivers
// nothing and returns as a call that failed does, rather than mixing its rows
// with the other's.
std::atomic_flag gDecoding;

class DecodeTurn {
public:
    DecodeTurn() : mine_(!gDecoding.test_and_set(std::memory_order_acquire)) {}
    ~DecodeTurn() {
        if (mine_) gDecoding.clear(std::memory_order_release);
    }
    DecodeTurn(const DecodeTurn&) = delete;
    DecodeTurn& operator=(const DecodeTurn&) = delete;
    bool mine() const { return mine_; }

private:
    bool mine_;
};

}  // namespace

void DeliverRows(DibImage dib, const LineCallbackRecord& callbacks) {
    std::int32_t height = 0;
    GetDibGeometry(dib, nullptr, &height, nullptr);
    for (std::int32_t y = 0; y < height; ++y) DeliverRow(dib, y, callbacks);
}

extern "C" std::int32_t RUDI_CDECL ReadFileExec(std::int32_t, const char* fileName, std::int32_t, std::int32_t,
                                                std::int32_t, LineCallbackRecord* callbacks) {
    // Should anything fail on the way, no further row is delivered.
    return RunExport(
        [&] {
            const DecodeTurn turn;
            if (turn.mine()) DecodeAndDeliver(fileName, *callbacks);
        },
        [] {});
}
