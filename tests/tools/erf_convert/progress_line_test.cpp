#include "tools/erf_convert/progress_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgressLine, FitsTheTerminalByCuttingTheNameFromTheLeft) {
    const struct {
        std::string name;
        std::size_t columns;
        std::string line;
    } cases[] = {
        {"a.erf", 80, "[1/2] a.erf decoding 50%"},
        {"photos/2024/a.erf", 30, "[1/2] ...4/a.erf decoding 50%"},
        {"photos/2024/a.erf", 26, "[1/2] ...erf decoding 50%"},
        // Columns, not bytes: each of these takes three bytes and two columns.
        {"写真/写真/写真.erf", 30, "[1/2] ...真.erf decoding 50%"},
        {"写真/写真/写真.erf", 28, "[1/2] ....erf decoding 50%"},
        // A control character in a name shows as a dot: a name cannot drive the terminal.
        {"a\033[2J.erf", 80, "[1/2] a.[2J.erf decoding 50%"},
        // Narrower than the fixed parts: the end is kept.
        {"a.erf", 10, "oding 50%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + " in " + std::to_string(c.columns));
        EXPECT_EQ(ProgressLine::Fit("[1/2]", c.name, "decoding 50%", c.columns), c.line);
    }
}

}  // namespace
