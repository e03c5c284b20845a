// make-erf's picture reader on the input as a file (PNG through libpng, or
// binary PPM): it reads a picture whose pixels fill it exactly, or refuses
// with a message; no size it allocates passes what the file can hold.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tests/support/temp_file.h"
#include "tools/make_erf/picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFile input;
    input.Write(data, size);

    Picture picture;
    std::string error;
    if (!ReadPicture(input.path(), picture, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    FUZZ_CHECK(picture.pixels.size() == picture.RowBytes() * static_cast<std::size_t>(picture.height));
    return 0;
}
