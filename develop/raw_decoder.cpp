#include "develop/raw_decoder.h"

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

// Where the samples of one mosaic row go: the level table and the byte within
// the pixel for even and for odd columns. Even rows carry red and green, odd
// rows green and blue.
struct RowColours {
    const std::uint8_t* evenLevels;
    std::size_t evenByte;
    const std::uint8_t* oddLevels;
    std::size_t oddByte;
};

RowColours ColoursOfRow(std::int32_t y) {
    const SampleLevels& levels = Levels();
    if (y % 2 == 0) return {levels.red, 2, levels.green, 1};
    return {levels.green, 1, levels.blue, 0};
}

// Unpacks one packed row of `width` samples into 3-byte pixels, each sample's
// level in its colour's byte; the pixels' other bytes are left alone.
void UnpackRow(const std::uint8_t* packed, std::uint8_t* pixels, std::int32_t width, const RowColours& colours) {
    const std::int32_t fullGroups = width / kSamplesPerGroup;
    for (std::int32_t j = 0; j < fullGroups; ++j) {
        const std::uint8_t* group = packed + std::ptrdiff_t{kGroupBytes} * j;
        std::uint8_t* out = pixels + std::ptrdiff_t{3 * kSamplesPerGroup} * j;
        for (int p = 0; p < kSamplesPerGroup / 2; ++p) {
            out[6 * p + colours.evenByte] = colours.evenLevels[FirstSample(group + 3 * p)];
            out[6 * p + 3 + colours.oddByte] = colours.oddLevels[SecondSample(group + 3 * p)];
        }
    }
    // The last group may be partly used; it still fills 16 bytes of the row.
    const std::uint8_t* group = packed + std::ptrdiff_t{kGroupBytes} * fullGroups;
    std::uint8_t* out = pixels + std::ptrdiff_t{3 * kSamplesPerGroup} * fullGroups;
    for (std::int32_t k = 0; k < width % kSamplesPerGroup; ++k) {
        const std::uint8_t* pair = group + 3 * (k / 2);
        if (k % 2 == 0) out[3 * k + colours.evenByte] = colours.evenLevels[FirstSample(pair)];
        else out[3 * k + colours.oddByte] = colours.oddLevels[SecondSample(pair)];
    }
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
        std::memset(pixels, 0, 3 * static_cast<std::size_t>(width));
        UnpackRow(packed.data(), pixels, width, ColoursOfRow(y));
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
