// Directories through their memory image: what a round trip keeps of them.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "tiff/tiff_ifd.h"

// What a round trip must keep of each entry, in name order.
using Entry = std::tuple<std::string, std::uint32_t, std::uint32_t, std::vector<std::uint32_t>, std::string>;
std::vector<Entry> Contents(const TiffIfd& ifd);
// The names of the directory's entries, in name order.
std::vector<std::string> Names(const TiffIfd& ifd);

// A memory image of `ifd`: entries, then the data area, in one block.
std::vector<std::uint8_t> Image(const TiffIfd& ifd, std::int32_t* count = nullptr);

// `ifd` stored to memory and loaded back has the same entries.
void ExpectRoundTrip(const TiffIfd& ifd);
