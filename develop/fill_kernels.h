// The inner loops of the interpolation passes: one colour of a run of 48-byte
// blocks set through a fixed mask to the average of two neighbours. They are
// built twice, for any processor of the module's target and for x86
// processors with AVX2 (32-byte vectors), and a pass takes the fastest one the
// processor runs; both give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// A whole number of pixel pairs (6 bytes) and of 16-byte vectors, so that the
// bytes a fill changes lie at the same places in every block and a loop over
// blocks turns into a few vector operations without a branch.
constexpr std::ptrdiff_t kBlock = 48;
struct BlockMask {
    std::uint8_t bytes[kBlock];  // 0xFF where the fill changes the byte, else 0
};

// The masks of a fill along rows of a given length: the row's own (byte i
// under bytes[i % kBlock]), that of blocks from the row's second pixel on,
// and that of the block that ends before the last pixel.
struct AlongMasks {
    BlockMask whole;
    BlockMask fromSecondPixel;
    BlockMask lastBlock;
};

// (a + b) / 2 rounded down, worked out without leaving 8 bits: the bits both
// have, plus half of those only one has.
[[gnu::always_inline]] inline std::uint8_t Average(std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>((a & b) + ((a ^ b) >> 1));
}

struct FillKernels {
    // For `blocks` blocks from `in` into `out`: where the mask is set the
    // average of the bytes 3 before and 3 after (one pixel left and right),
    // elsewhere the byte itself. in[-3] and the 3 bytes past the last block
    // must be readable.
    void (*alongRow)(const std::uint8_t* in, std::uint8_t* out, const BlockMask& mask, std::ptrdiff_t blocks);
    // For `blocks` blocks of `row`, in place: where the mask is set the
    // average of the same byte of `above` and `below`.
    void (*betweenRows)(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below, const BlockMask& mask,
                        std::ptrdiff_t blocks);
};

// The loops built for any processor the module runs on.
const FillKernels& PortableFillKernels();
// The fastest loops this processor runs, chosen on the first call.
const FillKernels& FastestFillKernels();
