// The three row buffers shared by the raw decoder, the interpolation passes
// and the delivery of rows to the host: each holds one row of 3-byte pixels
// (blue, green, red). They are sized from the picture's width and make the
// module non-reentrant.
#pragma once

#include <cstdint>
#include <vector>

extern std::vector<std::uint8_t> gRowA;
extern std::vector<std::uint8_t> gRowB;
extern std::vector<std::uint8_t> gRowC;

// Makes each buffer hold at least `width` pixels (and never zero bytes);
// false when the memory cannot be had or the width is negative.
bool SizeRowBuffers(std::int64_t width);
