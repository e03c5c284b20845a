#include "tests/support/delivered_rows.h"

#include "plugin/exports.h"

namespace {

// The calling thread's delivery under way and what to call after each row;
// the callback has no other way to find them.
thread_local Delivery* gDelivery = nullptr;
thread_local const std::function<void(std::int32_t)>* gAfterRow = nullptr;

std::int32_t RUDI_CDECL KeepRow(std::int32_t y, std::int32_t firstColumn, std::int32_t lastColumn, std::uint8_t* pixels,
                                std::int32_t zero) {
    const std::size_t bytes =
        lastColumn >= firstColumn ? 3 * (std::size_t(lastColumn) - std::size_t(firstColumn) + 1) : 0;
    gDelivery->rows.push_back({y, firstColumn, lastColumn, zero, std::vector<std::uint8_t>(pixels, pixels + bytes)});
    if (gAfterRow != nullptr && *gAfterRow) (*gAfterRow)(y);
    return 0;
}

}  // namespace

std::vector<std::uint8_t> Delivery::Pixels() const {
    std::vector<std::uint8_t> pixels;
    for (const DeliveredRow& row : rows) pixels.insert(pixels.end(), row.pixels.begin(), row.pixels.end());
    return pixels;
}

namespace {

// One call at a time or one inside another: the outer call's delivery is put back when the inner one ends.
Delivery Read(const char* path, const std::int32_t notUsed[4], const std::function<void(std::int32_t)>* afterRow) {
    Delivery delivery;
    Delivery* const outer = gDelivery;
    const std::function<void(std::int32_t)>* const outerAfterRow = gAfterRow;
    gDelivery = &delivery;
    gAfterRow = afterRow;
    LineCallbackRecord callbacks{&KeepRow};
    delivery.result = ReadFileExec(notUsed[0], path, notUsed[1], notUsed[2], notUsed[3], &callbacks);
    gDelivery = outer;
    gAfterRow = outerAfterRow;
    return delivery;
}

}  // namespace

Delivery ReadRows(const char* path, std::int32_t notUsed1, std::int32_t notUsed2, std::int32_t notUsed3,
                  std::int32_t notUsed4) {
    const std::int32_t notUsed[4] = {notUsed1, notUsed2, notUsed3, notUsed4};
    return Read(path, notUsed, nullptr);
}

Delivery ReadRows(const char* path, const std::function<void(std::int32_t y)>& afterRow) {
    const std::int32_t notUsed[4] = {};
    return Read(path, notUsed, &afterRow);
}
