// The image data of a PNG file: the picture's rows, every one filtered alike,
// compressed as they are filtered, a batch at a time, so that memory holds
// the picture and little more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/picture/png/deflate_stream.h"
#include "tools/picture/picture.h"

// PNG filter types used here.
constexpr int kFilterSub = 1;
constexpr int kFilterUp = 2;

// The filter that suits the picture, chosen by compressing a sample of its
// rows each way: Up suits drawings and charts (rows that repeat the row
// above), Sub suits photographs.
int ChooseFilter(const Picture& picture);

// Hands `emit` the zlib stream of the filtered rows in pieces (at least
// `pieceBytes` each but the last) and `progress(rowsDone, rows)` after each
// batch. False when the compressor fails, memory runs out or `emit` says so.
bool CompressRows(const Picture& picture, int filter, Deflater deflater, std::size_t pieceBytes,
                  const std::function<bool(const std::vector<std::uint8_t>&)>& emit,
                  const std::function<void(std::size_t, std::size_t)>& progress);
