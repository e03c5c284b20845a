#include "tests/support/delivered_rows.h"

#include "plugin/exports.h"

namespace {

// The delivery under way; the callback has no other way to find it.
Delivery* gDelivery = nullptr;

std::int32_t RUDI_CDECL KeepRow(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn,
                                std::uint8_t* pixels, std::int32_t zero) {
    const std::size_t bytes = lastColumn >= firstColumn ? 3 * (std::size_t(lastColumn) - std::size_t(firstColumn) + 1) : 0;
    gDelivery->rows.push_back({y, firstColumn, lastColumn, zero, std::vector<std::uint8_t>(pixels, pixels + bytes)});
    return 0;
}

}  // namespace

std::vector<std::uint8_t> Delivery::Pixels() const {
    std::vector<std::uint8_t> pixels;
    for (const DeliveredRow& row : rows) pixels.insert(pixels.end(), row.pixels.begin(), row.pixels.end());
    return pixels;
}

Delivery ReadRows(const char* path, std::int32_t notUsed1, std::int32_t notUsed2, std::int32_t notUsed3,
                  std::int32_t notUsed4) {
    Delivery delivery;
    gDelivery = &delivery;
    LineCallbackRecord callbacks{&KeepRow};
    delivery.result = ReadFileExec(notUsed1, path, notUsed2, notUsed3, notUsed4, &callbacks);
    gDelivery = nullptr;
    return delivery;
}
