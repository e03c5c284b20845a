// The three fixed tone curves that map a sample, scaled to 0..255, to the
// 8-bit level of its colour: what the decoder develops and what make-erf
// aims at.
#pragma once

#include <cstdint>

#include "develop/packed_raw.h"

// The 256 levels of `colour`'s curve, non-decreasing.
const std::uint8_t* ToneCurveOf(MosaicColour colour);

// The 8-bit level a 12-bit sample of `colour` develops to.
inline std::uint8_t DevelopedLevel(MosaicColour colour, std::uint32_t sample) {
    return ToneCurveOf(colour)[ScaleSample(sample)];
}
