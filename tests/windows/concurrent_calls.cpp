// Two threads decode with the Windows module at the same time, each its own
// file, again and again, and every row delivered is checked against the
// picture the file gives alone: a call that meets the other under way must
// deliver nothing, never rows of the wrong picture or half-made ones.
//   concurrent-calls R_UDI.dll [CALLS]
// Writes its files into the current folder; exits with 1 when any call
// delivered something other than nothing or its whole picture, or when no
// call met the other under way (then nothing was shown; 2 on bad usage).
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
std::vector<std::uint8_t> Picture(std::uint32_t seed) {
    constexpr std::uint32_t kWidth = 640, kHeight = 480;
    std::vector<std::uint16_t> samples(kWidth * kHeight);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>((i * seed + seed) % 4096);
    return BuildErf({.width = kWidth, .height = kHeight, .strip = PackSamples(samples, kWidth, kHeight)});
}

struct Worker {
    const PluginModule* module;
    std::string file;
    Rows expected;
    int calls;
    int whole = 0;    // calls that delivered the whole picture
    int refused = 0;  // calls that delivered nothing
    int wrong = 0;    // anything else
};

DWORD WINAPI Run(LPVOID parameter) {
    Worker& worker = *static_cast<Worker*>(parameter);
    std::vector<std::int32_t> order(worker.expected.size());
    for (std::size_t y = 0; y < order.size(); ++y) order[y] = static_cast<std::int32_t>(y);
    for (int i = 0; i < worker.calls; ++i) {
        const Delivery delivery = Decode(*worker.module, worker.file);
        if (delivery.rows.empty()) ++worker.refused;
        else if (delivery.rows == worker.expected && delivery.ys == order) ++worker.whole;
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
    Worker workers[2];
    for (int w = 0; w < 2; ++w) {
        const std::string file = "concurrent-" + std::to_string(w) + ".erf";
        const std::vector<std::uint8_t> bytes = Picture(w == 0 ? 37 : 1237);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        // What the file gives when nothing else runs.
        workers[w] = {module.get(), file, Decode(*module, file).rows, calls};
        if (workers[w].expected.size() != 480) {
            std::fprintf(stderr, "concurrent-calls: %s: %zu rows alone\n", file.c_str(), workers[w].expected.size());
            return 1;
        }
    }
    HANDLE threads[2];
    for (int w = 0; w < 2; ++w) threads[w] = CreateThread(nullptr, 0, Run, &workers[w], 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    int wrong = 0;
    int refused = 0;
    for (int w = 0; w < 2; ++w) {
        CloseHandle(threads[w]);
        DeleteFileA(workers[w].file.c_str());
        std::printf("thread %d: %d calls, %d whole pictures, %d refused, %d wrong\n", w, calls, workers[w].whole,
                    workers[w].refused, workers[w].wrong);
        wrong += workers[w].wrong;
        refused += workers[w].refused;
    }
    if (wrong > 0) std::printf("FAIL: %d calls delivered rows that are not their picture\n", wrong);
    else if (refused == 0) std::printf("FAIL: no call met the other under way\n");
    else std::printf("PASS: every call delivered its whole picture or nothing\n");
    return wrong > 0 || refused == 0 ? 1 : 0;
}
