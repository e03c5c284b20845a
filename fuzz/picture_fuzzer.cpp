// erf-convert's writers on what a file gives them: the thumbnail when the
// file holds one (else a small picture made of the input's bytes), turned as
// the camera notes say, written as PNG (with the notes' texts and pixel size)
// and as BMP.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/erf_convert/converter.h"
#include "tools/picture/orientation.h"
#include "tools/picture/picture_writer.h"

namespace {

// Up to 32 x 32 pixels, their bytes the input's in turn.
Picture FromBytes(const std::uint8_t* data, std::size_t size) {
    Picture picture;
    picture.width = 1 + (size > 0 ? data[0] % 32 : 0);
    picture.height = 1 + (size > 1 ? data[1] % 32 : 0);
    picture.pixels.resize(picture.RowBytes() * static_cast<std::size_t>(picture.height));
    for (std::size_t i = 0; i < picture.pixels.size() && size > 0; ++i) picture.pixels[i] = data[i % size];
    return picture;
}

std::uint64_t FileBytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    std::fseek(file, 0, SEEK_END);
    const long bytes = std::ftell(file);
    std::fclose(file);
    return bytes < 0 ? 0 : static_cast<std::uint64_t>(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile input;
    static const ScratchFile output;
    input.Write(data, size);

    Picture picture;
    CameraNotes camera;
    std::string error;
    if (!ReadThumbnailPicture(input.path(), picture, camera, error)) {
        FUZZ_CHECK(!error.empty());
        picture = FromBytes(data, size);
    }
    FUZZ_CHECK(picture.pixels.size() == picture.RowBytes() * static_cast<std::size_t>(picture.height));
    // Kept small: a thumbnail of the largest size a short input can claim is
    // still read, but written only when a fuzzer can afford it.
    if (picture.pixels.size() > (1u << 20)) return 0;
    const Picture oriented = Oriented(picture, camera.orientation);
    FUZZ_CHECK(oriented.pixels.size() == picture.pixels.size());

    for (const PictureFormat format : {PictureFormat::kBmp, PictureFormat::kPng}) {
        if (!CanWrite(format)) continue;
        const WriteRequest request{format, output.path(), true, 1, nullptr};
        FUZZ_CHECK(WritePicture(oriented, camera.notes, request, error));
        const std::uint64_t written = FileBytes(output.path());
        if (format == PictureFormat::kBmp) {
            const std::uint64_t row = (oriented.RowBytes() + 3) / 4 * 4;
            FUZZ_CHECK(written == 54 + row * static_cast<std::uint64_t>(oriented.height));
        } else {
            FUZZ_CHECK(written > 8);
        }
    }
    return 0;
}
