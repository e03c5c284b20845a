// A zlib stream (deflate with the zlib header and checksum, as a PNG's image
// data is) made piece by piece, by one of two compressors: ISA-L, several
// times faster than zlib at the sizes of zlib's fastest level, where the
// build has it (64-bit x86 Linux); zlib everywhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/picture/picture_format.h"

class DeflateStream {
public:
    virtual ~DeflateStream() = default;
    // Compresses `count` bytes, appending to `out` what is ready; `last`
    // ends the stream. False when the compressor fails.
    virtual bool Add(const std::uint8_t* bytes, std::size_t count, bool last, std::vector<std::uint8_t>& out) = 0;
};

// Whether this build has the compressor.
bool HaveDeflater(Deflater deflater);
// ISA-L where the build has it, else zlib.
Deflater FastestDeflater();
// A new stream; `shortMatches` tells zlib that long matches are rare (rows
// filtered for a photograph), so that it looks only for runs. Null when the
// build lacks the compressor or memory runs out.
std::unique_ptr<DeflateStream> NewDeflateStream(Deflater deflater, bool shortMatches);
