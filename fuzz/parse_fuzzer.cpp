// The EPSON RAW parse alone, then the queries and a walk over every tag.
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "tests/support/temp_file.h"
#include "tiff/erf_file.h"

namespace {

// The visitor's user value is 32 bits wide, so the walk keeps its state here.
struct Walk {
    std::uint32_t lastNumber = 0;
    std::int32_t visits = 0;
    std::size_t textBytes = 0;
};
Walk gWalk;

std::int32_t VisitTag(TiffTag* tag, std::uint32_t stopAfter) {
    FUZZ_CHECK(tag != nullptr && tag->tagNumber >= gWalk.lastNumber);
    gWalk.lastNumber = tag->tagNumber;
    gWalk.textBytes += std::strlen(tag->valueText.c_str()) + std::strlen(tag->description.c_str());
    return ++gWalk.visits < static_cast<std::int32_t>(stopAfter) ? 1 : 0;
}

void WalkDirectory(const TiffIfd& ifd) {
    CheckDirectory(ifd);
    gWalk = {};
    FUZZ_CHECK(ifd.ForEachTag(VisitTag, INT32_MAX) == 1);
    FUZZ_CHECK(gWalk.visits == ifd.TagCount());
    gWalk = {};
    ifd.ForEachTag(VisitTag, 1);
    FUZZ_CHECK(gWalk.visits == (ifd.TagCount() > 0 ? 1 : 0));
}

void CheckQuery(const TiffIfd& ifd, const std::uint32_t (&answers)[5]) {
    const char* names[5] = {"PhotometricInterpretation", "ImageWidth", "ImageLength", "StripOffsets", "StripByteCounts"};
    for (int i = 0; i < 5; ++i) FUZZ_CHECK(answers[i] == ifd.FirstValue(names[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TempFile file;
    file.Write(data, size);

    ErfFile erf;
    const std::int32_t result = erf.Open(file.c_str());
    FUZZ_CHECK(result == 0 || result == -12 || result == -13);
    FUZZ_CHECK(erf.fileHandle == nullptr);
    CheckDirectoryInFile(erf.mainIfd, size);
    CheckDirectoryInFile(erf.rawIfd, size);
    if (result != 0) FUZZ_CHECK(erf.mainIfd.TagCount() == 0 && erf.rawIfd.TagCount() == 0);

    std::uint32_t raw[5] = {};
    std::uint32_t main[5] = {};
    FUZZ_CHECK(erf.QueryRawImageTags(&raw[0], &raw[1], &raw[2], &raw[3], &raw[4]) == 0);
    FUZZ_CHECK(erf.QueryMainImageTags(&main[0], &main[1], &main[2], &main[3], &main[4]) == 0);
    FUZZ_CHECK(erf.QueryRawImageTags(nullptr, nullptr, nullptr, nullptr, nullptr) == 0);
    CheckQuery(erf.rawIfd, raw);
    CheckQuery(erf.mainIfd, main);

    WalkDirectory(erf.mainIfd);
    WalkDirectory(erf.rawIfd);

    char make[8] = {};
    const std::int32_t makeLength = erf.mainIfd.GetMake(make, sizeof make);
    const TiffTag* makeTag = erf.mainIfd.FindTag("Make");
    FUZZ_CHECK(makeLength == (makeTag != nullptr ? static_cast<std::int32_t>(makeTag->valueText.size()) : 0));
    FUZZ_CHECK(make[sizeof make - 1] == '\0');
    return 0;
}
