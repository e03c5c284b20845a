// Writes the hostile cases as seed inputs for the fuzz targets:
//   write-fuzz-seeds FILES_DIR IMAGES_DIR [ERF_FILE...]
// Each hostile file of at most 4 KiB goes to FILES_DIR; each hostile memory
// image, and both directories of every ERF_FILE stored as memory images, go
// to IMAGES_DIR, as the memory-image target reads them: a 16-bit
// little-endian entry count, then the image.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/hostile/hostile_cases.h"
#include "tiff/erf_file.h"

namespace {

constexpr std::size_t kMostSeedBytes = 4096;

bool Put(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> Seed(std::int32_t count, const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> seed(2 + image.size());
    seed[0] = static_cast<std::uint8_t>(count);
    seed[1] = static_cast<std::uint8_t>(count >> 8);
    std::copy(image.begin(), image.end(), seed.begin() + 2);
    return seed;
}

std::vector<std::uint8_t> Stored(const TiffIfd& ifd, std::int32_t& count) {
    std::int32_t entryBytes = 0, dataBytes = 0;
    count = ifd.MemoryImageSize(&entryBytes, &dataBytes);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(entryBytes) + static_cast<std::size_t>(dataBytes));
    ifd.StoreToMemory(image.data(), image.data() + entryBytes);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 3) {
        std::fprintf(stderr, "usage: write-fuzz-seeds FILES_DIR IMAGES_DIR [ERF_FILE...]\n");
        return 2;
    }
    const fs::path files = argv[1];
    const fs::path images = argv[2];
    fs::create_directories(files);
    fs::create_directories(images);
    bool ok = true;
    for (const HostileFile& c : HostileFiles()) {
        if (c.bytes.size() <= kMostSeedBytes) ok &= Put(files / ("hostile-" + c.name), c.bytes);
    }
    for (const HostileImage& c : HostileImages()) {
        if (c.count >= 0) ok &= Put(images / ("hostile-" + c.name), Seed(c.count, c.image));
    }
    for (int i = 3; i < argc; ++i) {
        ErfFile erf;
        if (erf.Open(argv[i]) != 0) {
            std::fprintf(stderr, "write-fuzz-seeds: %s is not an EPSON RAW file\n", argv[i]);
            return 1;
        }
        const std::string stem = fs::path(argv[i]).stem().string();
        std::int32_t count = 0;
        std::vector<std::uint8_t> image = Stored(erf.mainIfd, count);
        ok &= Put(images / (stem + "-main"), Seed(count, image));
        image = Stored(erf.rawIfd, count);
        ok &= Put(images / (stem + "-raw"), Seed(count, image));
    }
    if (!ok) std::fprintf(stderr, "write-fuzz-seeds: cannot write the seeds\n");
    return ok ? 0 : 1;
}
