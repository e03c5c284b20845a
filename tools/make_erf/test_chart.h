// The built-in test chart: colour patches, smooth ramps, fine detail that
// shows the interpolation, and sharp edges.
#pragma once

#include <cstdint>

#include "tools/picture/picture.h"

Picture MakeTestChart(std::uint32_t width, std::uint32_t height);
