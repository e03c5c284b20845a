#include <gtest/gtest.h>

#include <cstdint>

#include "host/module_calls.h"

namespace {

// Rows of a picture 4 wide and 3 high, each offered after `rowsDone` rows.
TEST(RowContract, TakesOnlyTheNextWholeRowWithAZeroLastArgument) {
    std::uint8_t pixels[12] = {};
    const struct {
        const char* what;
        std::int32_t y, first, last;
        const std::uint8_t* pixels;
        std::int32_t zero, rowsDone;
        bool kept;
    } cases[] = {
        {"the first row", 0, 0, 3, pixels, 0, 0, true},
        {"the last row", 2, 0, 3, pixels, 0, 2, true},
        {"a row skipped", 1, 0, 3, pixels, 0, 0, false},
        {"a row again", 0, 0, 3, pixels, 0, 1, false},
        {"a row below the picture", 3, 0, 3, pixels, 0, 3, false},
        {"a part of a row", 0, 1, 3, pixels, 0, 0, false},
        {"a row one column short", 0, 0, 2, pixels, 0, 0, false},
        {"a row one column long", 0, 0, 4, pixels, 0, 0, false},
        {"no pixels", 0, 0, 3, nullptr, 0, 0, false},
        {"a nonzero last argument", 0, 0, 3, pixels, 1, 0, false},
    };
    for (const auto& c : cases) {
        const std::string breach = RowContractBreach(c.y, c.first, c.last, c.pixels, c.zero, c.rowsDone, 4, 3);
        EXPECT_EQ(breach.empty(), c.kept) << c.what << ": " << breach;
    }
    EXPECT_EQ(RowContractBreach(1, 0, 2, pixels, 0, 0, 4, 3),
              "the module delivered row 1 (columns 0 to 2) where row 0 was due");
}

}  // namespace
