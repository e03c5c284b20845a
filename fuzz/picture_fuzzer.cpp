// erf-convert's writers on what a file gives them: the thumbnail when the
// file holds one (else a small picture made of the input's bytes), turned as
// the camera notes say, written in every format the build writes, with the
// notes' texts, pixel size and the photograph's tags; and where the file's
// raw strip is intact, a DNG of its samples.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "plugin/raw_strip_of.h"
#include "tests/support/temp_file.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFile input;
    static const TempFile output;
    input.Write(data, size);

    Picture picture;
    DecodeReport report;
    const CameraNotes& camera = report.camera;
    std::string error;
    InputRead file;
    FUZZ_CHECK(ReadInput(input.path(), file, error));
    if (!ReadThumbnailPicture(input.path(), file, picture, report, error)) {
        FUZZ_CHECK(!error.empty());
        picture = FromBytes(data, size);
    }
    FUZZ_CHECK(picture.pixels.size() == picture.RowBytes() * static_cast<std::size_t>(picture.height));
    // Kept small: a thumbnail of the largest size a short input can claim is
    // still read, but written only when a fuzzer can afford it.
    if (picture.pixels.size() > (1u << 20)) return 0;
    const Picture oriented = Oriented(picture, camera.orientation);
    FUZZ_CHECK(oriented.pixels.size() == picture.pixels.size());

    for (const PictureFormat format :
         {PictureFormat::kBmp, PictureFormat::kPng, PictureFormat::kJpeg, PictureFormat::kTiff}) {
        if (!CanWrite(format)) continue;
        WriteRequest request;
        request.format = format;
        request.target = output.path();
        FUZZ_CHECK(WritePicture(oriented, camera.notes, request, error));
        std::error_code failure;
        const std::uint64_t written = std::filesystem::file_size(output.path(), failure);
        if (format == PictureFormat::kBmp) {
            const std::uint64_t row = (oriented.RowBytes() + 3) / 4 * 4;
            FUZZ_CHECK(written == 54 + row * static_cast<std::uint64_t>(oriented.height));
        } else {
            FUZZ_CHECK(written > 8);
        }
    }
    if (!CanWrite(PictureFormat::kDng)) return 0;
    report.strip = CheckRawStrip(RawStripOf(file.erf));
    report.notEpson = NotEpsonRaw(file.erf).value_or("");
    // Kept small, as above: a DNG's samples take 1.5 bytes a pixel.
    if (file.opened != 0 || !DngRefusal(input.path(), report).empty() ||
        std::uint64_t{report.strip.width} * report.strip.height > (1u << 20)) {
        return 0;
    }
    RawStripReader strip;
    FUZZ_CHECK(strip.Open(input.path(), file, error));
    WriteRequest request;
    request.format = PictureFormat::kDng;
    request.target = output.path();
    request.raw = &strip.Samples();
    FUZZ_CHECK(WritePicture(oriented, camera.notes, request, error));
    return 0;
}
