// Damaged and hostile inputs, one builder each, with what the module must
// make of them. The tests run them; the fuzz corpus is seeded with them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/delivered_rows.h"
#include "tiff/erf_file.h"

// PhotometricInterpretation, ImageWidth, ImageLength, StripOffsets, StripByteCounts.
using ImageTags = std::array<std::uint32_t, 5>;

struct HostileFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::int32_t openResult = 0;
    std::vector<std::string> mainNames = {};  // filed in IFD0, in name order
    std::vector<std::string> rawNames = {};   // filed in the raw-image directory
    ImageTags raw = {};                       // the raw-image query; its width and length are the reported size
    std::uint32_t rows = 0;                   // rows ReadFileExec delivers
    std::function<void(const ErfFile&)> checkParse = {};
    std::function<void(const std::vector<DeliveredRow>&)> checkRows = {};
};

std::vector<HostileFile> HostileFiles();

struct HostileImage {
    std::string name;
    std::vector<std::uint8_t> image;  // raw entries and data, little-endian
    std::int32_t count = 0;
    std::int32_t loadResult = 0;          // of the bounded LoadFromMemory
    std::vector<std::string> names = {};  // filed, in name order
};

std::vector<HostileImage> HostileImages();
