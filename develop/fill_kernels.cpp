#include "develop/fill_kernels.h"

namespace {

// The loops themselves, inlined into each build of them below so that the
// compiler vectorises them for that build's instruction set.
[[gnu::always_inline]] inline void AlongRowBlocks(const std::uint8_t* in, std::uint8_t* __restrict out,
                                                  const BlockMask& mask, std::ptrdiff_t blocks) {
    for (std::ptrdiff_t base = 0; base < blocks * kBlock; base += kBlock) {
        for (std::ptrdiff_t j = 0; j < kBlock; ++j) {
            const std::uint8_t m = mask.bytes[j];
            const std::ptrdiff_t i = base + j;
            out[i] = static_cast<std::uint8_t>((Average(in[i - 3], in[i + 3]) & m) | (in[i] & ~m));
        }
    }
}

[[gnu::always_inline]] inline void BetweenRowsBlocks(std::uint8_t* __restrict row, const std::uint8_t* above,
                                                     const std::uint8_t* below, const BlockMask& mask,
                                                     std::ptrdiff_t blocks) {
    for (std::ptrdiff_t base = 0; base < blocks * kBlock; base += kBlock) {
        for (std::ptrdiff_t j = 0; j < kBlock; ++j) {
            const std::uint8_t m = mask.bytes[j];
            const std::ptrdiff_t i = base + j;
            row[i] = static_cast<std::uint8_t>((Average(above[i], below[i]) & m) | (row[i] & ~m));
        }
    }
}

void AlongRowPortable(const std::uint8_t* in, std::uint8_t* out, const BlockMask& mask, std::ptrdiff_t blocks) {
    AlongRowBlocks(in, out, mask, blocks);
}
void BetweenRowsPortable(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below, const BlockMask& mask,
                         std::ptrdiff_t blocks) {
    BetweenRowsBlocks(row, above, below, mask, blocks);
}
constexpr FillKernels kPortable{AlongRowPortable, BetweenRowsPortable};

// RUDI_NO_AVX2_KERNELS (the build option RUDI_AVX2_KERNELS=OFF) leaves them
// out, so that a benchmark can time on any machine what a processor without
// AVX2 runs.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && !defined(RUDI_NO_AVX2_KERNELS)
#define RUDI_HAS_AVX2_KERNELS 1
[[gnu::target("avx2")]] void AlongRowAvx2(const std::uint8_t* in, std::uint8_t* out, const BlockMask& mask,
                                          std::ptrdiff_t blocks) {
    AlongRowBlocks(in, out, mask, blocks);
}
[[gnu::target("avx2")]] void BetweenRowsAvx2(std::uint8_t* row, const std::uint8_t* above, const std::uint8_t* below,
                                             const BlockMask& mask, std::ptrdiff_t blocks) {
    BetweenRowsBlocks(row, above, below, mask, blocks);
}
constexpr FillKernels kAvx2{AlongRowAvx2, BetweenRowsAvx2};

bool ProcessorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
#endif

}  // namespace

const FillKernels& PortableFillKernels() { return kPortable; }

const FillKernels& FastestFillKernels() {
#ifdef RUDI_HAS_AVX2_KERNELS
    static const bool avx2 = ProcessorHasAvx2();
    if (avx2) return kAvx2;
#endif
    return kPortable;
}
