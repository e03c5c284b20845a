// The whole plug-in path on one input file: the size query and, for a picture
// of at most 4 megapixels, the decode with every delivered byte read.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "host/module_calls.h"
#include "plugin/exports.h"
#include "tests/support/temp_file.h"

namespace {

constexpr std::uint64_t kMostPixels = 4u << 20;

struct Delivery {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rows = 0;
    std::uint32_t sum = 0;
};
Delivery gDelivery;

std::int32_t RUDI_CDECL TakeRow(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn, std::uint8_t* pixels,
                                std::int32_t zero) {
    FUZZ_CHECK(
        RowContractBreach(y, firstColumn, lastColumn, pixels, zero, gDelivery.rows, gDelivery.width, gDelivery.height)
            .empty());
    // Every byte handed over is read, so a row shorter than promised is found.
    for (std::int64_t i = 0; i < 3 * std::int64_t{gDelivery.width}; ++i) gDelivery.sum += pixels[i];
    ++gDelivery.rows;
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFile file;
    file.Write(data, size);

    ImageSizeRecord record{};
    std::uint8_t block40[kBlock40Bytes];
    FUZZ_CHECK(ReadFileGetSize(0, file.c_str(), &record, block40) == 1);
    FUZZ_CHECK(record.bitsPerPixel == 24);
    for (const std::uint8_t byte : block40) FUZZ_CHECK(byte == 0);
    if (std::uint64_t{record.width} * record.height > kMostPixels) return 0;

    gDelivery = {static_cast<std::int32_t>(record.width), static_cast<std::int32_t>(record.height), 0, 0};
    LineCallbackRecord callbacks{TakeRow};
    FUZZ_CHECK(ReadFileExec(0, file.c_str(), 0, 0, 0, &callbacks) == 1);
    // All rows or, for a picture the module refuses, none.
    FUZZ_CHECK(gDelivery.rows == 0 || gDelivery.rows == static_cast<std::int32_t>(record.height));
    return 0;
}
