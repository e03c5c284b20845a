// The decode: the picture developed from the raw strip and handed to the host
// one row at a time, top row first.
#include "plugin/image_decode.h"

#include "develop/dib.h"
#include "develop/raw_decoder.h"
#include "develop/row_buffers.h"
#include "plugin/exports.h"
#include "platform/win32.h"
#include "tiff/erf_file.h"

namespace {

void ReleaseDib(DibImage dib) {
    GlobalUnlock(GlobalHandle(dib));
    GlobalFree(GlobalHandle(dib));
}

}  // namespace

void DeliverRows(DibImage dib, const LineCallbackRecord& callbacks) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    GetDibGeometry(dib, &width, &height, nullptr);
    for (std::int32_t y = 0; y < height; ++y) {
        ReadDibRow(dib, y, 0, width - 1, gRowA.data());
        callbacks.lineCallback(y, 0, width - 1, gRowA.data(), 0);
    }
}

extern "C" std::int32_t RUDI_CDECL ReadFileExec(std::int32_t, const char* fileName, std::int32_t, std::int32_t,
                                                std::int32_t, LineCallbackRecord* callbacks) {
    ErfFile erf;
    erf.Open(fileName);  // a failure leaves the size at 0 by 0: no rows
    std::uint32_t photometric = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stripOffset = 0;
    std::uint32_t stripByteCount = 0;
    erf.QueryRawImageTags(&photometric, &width, &height, &stripOffset, &stripByteCount);

    // Sizes from 2^31 on come through as negative and are refused, as is a
    // picture too large to hold: then no row is delivered.
    const auto columns = static_cast<std::int32_t>(width);
    const auto rows = static_cast<std::int32_t>(height);
    DibImage dib = CreateDib(columns, rows, 24);
    if (dib == nullptr) return 1;
    if (!SizeRowBuffers(columns)) {
        ReleaseDib(dib);
        return 1;
    }
    // A file that cannot be reopened leaves the picture black.
    DecodeRawStrip(fileName, stripOffset, stripByteCount, dib, columns, rows);
    DeliverRows(dib, *callbacks);
    ReleaseDib(dib);
    return 1;
}
