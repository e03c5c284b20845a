// The three fixed tone curves that map a sample, scaled to 0..255, to the
// 8-bit level of its colour.
#pragma once

#include <cstdint>

extern const std::uint8_t kRedCurve[256];
extern const std::uint8_t kGreenCurve[256];
extern const std::uint8_t kBlueCurve[256];
