// Runs a fuzz target over files and directories of inputs, without libFuzzer:
// the corpus as an ordinary test. Exits 1 when an argument cannot be read or
// no input was found; a finding aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Run(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> files;
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i], error)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const fs::path& file : files) {
            if (!Run(file)) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
                return 1;
            }
            ++inputs;
        }
    }
    std::printf("%zu inputs ran\n", inputs);
    return inputs > 0 ? 0 : 1;
}
