// Two threads decode with the Windows module at the same time, again and
// again, half of the time the same file, and every row delivered is checked
// against the picture the file gives alone: each decode owns what it works
// with, so every call must deliver its whole picture.
//   concurrent-calls R_UDI.dll [CALLS]
// Writes its files into the current folder; exits with 1 when any call
// delivered something other than its whole picture (2 on bad usage).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/plugin_module.h"
#include "tests/support/erf_builder.h"

namespace {

using Rows = std::vector<std::vector<std::uint8_t>>;

// The rows one call delivered, in order, with their row numbers.
struct Delivery {
    std::vector<std::int32_t> ys;
    Rows rows;
};

thread_local Delivery* tDelivery = nullptr;  // the calling thread's call

std::int32_t RUDI_CDECL TakeRow(std::int32_t y, std::int32_t first, std::int32_t last, std::uint8_t* pixels,
                                std::int32_t) {
    tDelivery->ys.push_back(y);
    tDelivery->rows.emplace_back(pixels, pixels + 3 * static_cast<std::size_t>(last - first + 1));
    return 1;
}

Delivery Decode(const PluginModule& module, const std::string& file) {
    Delivery delivery;
    tDelivery = &delivery;
    LineCallbackRecord callbacks{&TakeRow};
    module.readFileExec(0, file.c_str(), 0, 0, 0, &callbacks);
    tDelivery = nullptr;
    return delivery;
}

// A 640 x 480 picture whose samples depend on `seed`, so that two files'
// rows differ everywhere.
std::vector<std::uint8_t> PictureFile(std::uint32_t seed) {
    constexpr std::uint32_t kWidth = 640, kHeight = 480;
    std::vector<std::uint16_t> samples(kWidth * kHeight);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>((i * seed + seed) % 4096);
    return BuildErf({.width = kWidth, .height = kHeight, .strip = PackSamples(samples, kWidth, kHeight)});
}

// A file and the rows it gives alone.
struct Picture {
    std::string file;
    Rows expected;
};

struct Worker {
    const PluginModule* module;
    const Picture* pictures;  // two
    int first;                // the picture of the first two calls; then the other's, and so on
    int calls;
    int whole = 0;  // calls that delivered the whole picture
    int wrong = 0;  // anything else
};

DWORD WINAPI Run(LPVOID parameter) {
    Worker& worker = *static_cast<Worker*>(parameter);
    for (int i = 0; i < worker.calls; ++i) {
        // The threads start on different files and change every two calls:
        // about half of the calls meet one of the same file.
        const Picture& picture = worker.pictures[(worker.first + i / 2) % 2];
        std::vector<std::int32_t> order(picture.expected.size());
        for (std::size_t y = 0; y < order.size(); ++y) order[y] = static_cast<std::int32_t>(y);
        const Delivery delivery = Decode(*worker.module, picture.file);
        if (delivery.rows == picture.expected && delivery.ys == order) ++worker.whole;
        else ++worker.wrong;
        // A pause of 0 to 2 ms now and then, so that each thread also starts
        // calls while the other's is under way, rather than one always first.
        Sleep(static_cast<DWORD>(i % 3));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::atoi(argv[2]) < 1)) {
        std::fprintf(stderr, "usage: concurrent-calls R_UDI.dll [CALLS]\n");
        return 2;
    }
    const int calls = argc == 3 ? std::atoi(argv[2]) : 300;
    std::string error;
    const auto module = PluginModule::Load(argv[1], error);
    if (module == nullptr) {
        std::fprintf(stderr, "concurrent-calls: %s\n", error.c_str());
        return 1;
    }
    Picture pictures[2];
    for (int w = 0; w < 2; ++w) {
        pictures[w].file = "concurrent-" + std::to_string(w) + ".erf";
        const std::vector<std::uint8_t> bytes = PictureFile(w == 0 ? 37 : 1237);
        std::ofstream(pictures[w].file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        // What the file gives when nothing else runs.
        pictures[w].expected = Decode(*module, pictures[w].file).rows;
        if (pictures[w].expected.size() != 480) {
            std::fprintf(stderr, "concurrent-calls: %s: %zu rows alone\n", pictures[w].file.c_str(),
                         pictures[w].expected.size());
            return 1;
        }
    }
    Worker workers[2] = {{module.get(), pictures, 0, calls}, {module.get(), pictures, 1, calls}};
    HANDLE threads[2];
    for (int w = 0; w < 2; ++w) threads[w] = CreateThread(nullptr, 0, Run, &workers[w], 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    int wrong = 0;
    for (int w = 0; w < 2; ++w) {
        CloseHandle(threads[w]);
        DeleteFileA(pictures[w].file.c_str());
        std::printf("thread %d: %d calls, %d whole pictures, %d wrong\n", w, calls, workers[w].whole, workers[w].wrong);
        wrong += workers[w].wrong;
    }
    if (wrong > 0) std::printf("FAIL: %d calls did not deliver their whole picture\n", wrong);
    else std::printf("PASS: every call delivered its whole picture\n");
    return wrong > 0 ? 1 : 0;
}
