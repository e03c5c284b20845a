// The row buffers of one decode, each holding one row of 3-byte pixels (blue,
// green, red), sized from the picture's width. rowA holds a row on its way:
// a DIB row copied to be filled along, or the row handed to the host; rowB
// and rowC the mosaic of the even and of the odd rows. Each decode owns its
// buffers for the time of the call, so decodes never meet: one may run inside
// another's LineCallback or beside it on another thread, and a call that
// never returns holds nothing a later call needs.
#pragma once

#include <cstdint>
#include <vector>

struct RowBuffers {
    // Makes each buffer hold at least `width` pixels (and never zero bytes);
    // false when the memory cannot be had or the width is negative.
    bool Size(std::int64_t width);

    std::vector<std::uint8_t> rowA;
    std::vector<std::uint8_t> rowB;
    std::vector<std::uint8_t> rowC;
};
