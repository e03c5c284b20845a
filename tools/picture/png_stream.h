// The compressed image data of a PNG file, made in bands of rows on several
// threads, as parallel compressors do: each band is filtered and deflated on
// its own (primed with the 32 KiB before it) and ends on a byte boundary, so
// the bands joined make one zlib stream. The bands do not depend on the
// number of threads: the bytes are the same however many there are.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/picture/picture.h"

// The filter every row gets and how its bytes are deflated: the pair that
// suits the picture is chosen from a sample of its rows.
struct PngCoding {
    int filter;    // PNG filter type: 1 Sub, 2 Up
    int level;     // zlib level
    int strategy;  // zlib strategy
};

PngCoding ChooseCoding(const Picture& picture);

// The zlib stream of the picture's rows (top first, RGB), in pieces to be
// written in order as the data of IDAT chunks. Empty when memory runs out.
// `progress(done, total)` is told of each band finished.
std::vector<std::vector<std::uint8_t>> CompressRows(const Picture& picture, const PngCoding& coding,
                                                    unsigned threads,
                                                    const std::function<void(std::size_t, std::size_t)>& progress);
