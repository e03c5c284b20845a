#include "develop/raw_decoder.h"

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "develop/interpolation.h"
#include "develop/row_buffers.h"
#include "develop/tone_curves.h"
#include "platform/win32.h"

namespace {

constexpr std::int32_t kSamplesPerGroup = 10;
constexpr std::int32_t kGroupBytes = 16;  // five 3-byte pairs and one unused byte
constexpr std::size_t kSpareBytes = 100;
// The C library's buffer for the strip: large enough that a picture takes a
// few dozen reads from the system instead of one or two a row.
constexpr std::size_t kFileBufferBytes = 256 * 1024;

// The 8-bit level of every 12-bit sample, per colour: the sample scaled to
// 0..255, then put through the colour's tone curve.
struct SampleLevels {
    std::uint8_t red[4096];
    std::uint8_t green[4096];
    std::uint8_t blue[4096];

    SampleLevels() {
        for (std::uint32_t s = 0; s < 4096; ++s) {
            const std::uint32_t index = ScaleSample(s);
            red[s] = kRedCurve[index];
            green[s] = kGreenCurve[index];
            blue[s] = kBlueCurve[index];
        }
    }
};

const SampleLevels& Levels() {
    static const SampleLevels levels;
    return levels;
}

// Sets one 3-byte pixel: `level` in byte `Colour`, 0 in the other two.
template <std::size_t Colour>
void PutPixel(std::uint8_t* pixel, std::uint8_t level) {
    pixel[0] = Colour == 0 ? level : 0;
    pixel[1] = Colour == 1 ? level : 0;
    pixel[2] = Colour == 2 ? level : 0;
}

// Unpacks one full group: ten samples into the ten pixels' 30 bytes, built
// in four machine words and stored a word at a time rather than byte by byte.
template <std::size_t EvenColour, std::size_t OddColour>
void UnpackGroup(const std::uint8_t* group, std::uint8_t* out, const std::uint8_t* evenLevels,
                 const std::uint8_t* oddLevels) {
    static_assert(std::endian::native == std::endian::little, "the words are stored as little-endian bytes");
    std::uint64_t words[4] = {};
    const auto put = [&words](int column, std::size_t colour, std::uint8_t level) {
        const std::size_t at = 3 * static_cast<std::size_t>(column) + colour;
        words[at / 8] |= std::uint64_t{level} << (8 * (at % 8));
    };
    for (int p = 0; p < kSamplesPerGroup / 2; ++p) {
        put(2 * p, EvenColour, evenLevels[FirstSample(group + 3 * p)]);
        put(2 * p + 1, OddColour, oddLevels[SecondSample(group + 3 * p)]);
    }
    // Word by word: one copy of all 30 bytes would read back what was just
    // stored, which the processor cannot forward and waits for.
    std::memcpy(out, &words[0], 8);
    std::memcpy(out + 8, &words[1], 8);
    std::memcpy(out + 16, &words[2], 8);
    std::memcpy(out + 24, &words[3], 3 * kSamplesPerGroup - 24);
}

// Unpacks one packed row of `width` samples into whole 3-byte pixels: even
// columns take their level from `evenLevels` into byte EvenColour, odd columns
// from `oddLevels` into byte OddColour; the other bytes are 0.
template <std::size_t EvenColour, std::size_t OddColour>
void UnpackRow(const std::uint8_t* packed, std::uint8_t* pixels, std::int32_t width, const std::uint8_t* evenLevels,
               const std::uint8_t* oddLevels) {
    const std::int32_t fullGroups = width / kSamplesPerGroup;
    for (std::int32_t j = 0; j < fullGroups; ++j) {
        UnpackGroup<EvenColour, OddColour>(packed + std::ptrdiff_t{kGroupBytes} * j,
                                           pixels + std::ptrdiff_t{3 * kSamplesPerGroup} * j, evenLevels, oddLevels);
    }
    // The last group may be partly used; it still fills 16 bytes of the row.
    const std::uint8_t* group = packed + std::ptrdiff_t{kGroupBytes} * fullGroups;
    std::uint8_t* out = pixels + std::ptrdiff_t{3 * kSamplesPerGroup} * fullGroups;
    for (std::int32_t k = 0; k < width % kSamplesPerGroup; ++k) {
        const std::uint8_t* pair = group + 3 * (k / 2);
        if (k % 2 == 0) PutPixel<EvenColour>(out + 3 * k, evenLevels[FirstSample(pair)]);
        else PutPixel<OddColour>(out + 3 * k, oddLevels[SecondSample(pair)]);
    }
}

// Mosaic row y into `pixels`: even rows carry red and green, odd rows green
// and blue.
void UnpackMosaicRow(const std::uint8_t* packed, std::uint8_t* pixels, std::int32_t width, std::int32_t y) {
    const SampleLevels& levels = Levels();
    if (y % 2 == 0) UnpackRow<2, 1>(packed, pixels, width, levels.red, levels.green);
    else UnpackRow<1, 0>(packed, pixels, width, levels.green, levels.blue);
}

// A locked, zeroed block of movable global memory, released on scope exit.
class GlobalBuffer {
public:
    explicit GlobalBuffer(std::size_t bytes)
        : data_(static_cast<std::uint8_t*>(GlobalLock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes)))) {}
    ~GlobalBuffer() {
        if (data_ == nullptr) return;
        GlobalUnlock(GlobalHandle(data_));
        GlobalFree(GlobalHandle(data_));
    }
    GlobalBuffer(const GlobalBuffer&) = delete;
    GlobalBuffer& operator=(const GlobalBuffer&) = delete;
    std::uint8_t* data() const { return data_; }

private:
    std::uint8_t* data_;
};

// Puts the file at the strip; false when the C library cannot seek there. An
// offset from 2^31 on is out of reach on every platform the module runs on.
bool SeekToStrip(std::FILE* file, std::uint32_t stripOffset) {
    return stripOffset <= INT32_MAX && std::fseek(file, static_cast<long>(stripOffset), SEEK_SET) == 0;
}

}  // namespace

std::int32_t UnpackStrip(const char* fileName, std::uint32_t stripOffset, DibImage dib, std::int32_t width,
                         std::int32_t height) {
    if (width < 0 || height < 0) return -1;
    const std::uint64_t rowBytes = (std::uint64_t{static_cast<std::uint32_t>(width)} + kSamplesPerGroup - 1) /
                                   kSamplesPerGroup * kGroupBytes;
    if (rowBytes + kSpareBytes > SIZE_MAX) return -1;
    GlobalBuffer packed(static_cast<std::size_t>(rowBytes + kSpareBytes));
    if (packed.data() == nullptr || !SizeRowBuffers(width)) return -1;
    GlobalBuffer fileBuffer(kFileBufferBytes);  // outlives the file
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return -1;
    if (fileBuffer.data() != nullptr)
        std::setvbuf(file, reinterpret_cast<char*>(fileBuffer.data()), _IOFBF, kFileBufferBytes);
    const bool reachable = SeekToStrip(file, stripOffset);
    std::uint8_t* pixels = gRowA.data();
    for (std::int32_t y = 0; y < height; ++y) {
        // A short read keeps the rest of the buffer as it was.
        if (reachable) std::fread(packed.data(), 1, static_cast<std::size_t>(rowBytes), file);
        UnpackMosaicRow(packed.data(), pixels, width, y);
        WriteDibRow(dib, y, 0, width - 1, pixels);
    }
    std::fclose(file);
    return 0;
}

std::int32_t DecodeRawStrip(const char* fileName, std::uint32_t stripOffset, std::uint32_t /*stripByteCount*/,
                            DibImage dib, std::int32_t width, std::int32_t height) {
    const std::int32_t result = UnpackStrip(fileName, stripOffset, dib, width, height);
    if (result != 0) return result;
    InterpolateBlue(dib);
    InterpolateRed(dib);
    InterpolateGreen(dib);
    return 0;
}
