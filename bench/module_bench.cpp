// The module's ReadFileExec on one file beside a baseline in the same process:
// a block of the DIB's size taken, a filled block of that size copied into it,
// and released. Built natively (loading R_UDI.so) and for Windows (loading
// R_UDI.dll, run under Wine), so that the two builds of the module are timed
// the same way. Times are the thread's processor time (with the system's work
// for it, such as the page faults of a fresh block), which leaves out what the
// machine gives other processes; Wine counts it in 10 ms ticks, so it is taken
// over blocks of 40 calls. Blocks of the two alternate, BLOCKS times each; the
// medians per call are printed as one line:
//   module <ReadFileExec ms> baseline <ms> ratio <ReadFileExec/baseline>
// Usage: module-bench MODULE FILE.erf WIDTH HEIGHT [BLOCKS]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "host/plugin_module.h"

namespace {

volatile std::uint8_t gSink;

std::int32_t RUDI_CDECL TouchRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t* pixels, std::int32_t) {
    gSink = pixels[0];
    return 1;
}

constexpr int kCallsPerBlock = 40;

// The calling thread's processor time so far, user and system, in milliseconds.
double ThreadMilliseconds() {
#ifdef _WIN32
    FILETIME created, exited, system, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &system, &user);
    const auto ticks = [](const FILETIME& time) {  // of 100 ns
        return static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    };
    return (ticks(system) + ticks(user)) / 1e4;
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

// Milliseconds per call of a block of calls.
template <typename Work>
double PerCall(Work&& work) {
    const double start = ThreadMilliseconds();
    for (int i = 0; i < kCallsPerBlock; ++i) work();
    return (ThreadMilliseconds() - start) / kCallsPerBlock;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: module-bench MODULE FILE.erf WIDTH HEIGHT [REPETITIONS]\n");
        return 2;
    }
#ifdef __GLIBC__
    // Every picture-sized block fresh from the system, as large blocks are on Windows.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    const std::size_t width = std::strtoul(argv[3], nullptr, 10);
    const std::size_t height = std::strtoul(argv[4], nullptr, 10);
    const int blocks = argc == 6 ? std::atoi(argv[5]) : 7;
    std::string error;
    const auto module = PluginModule::Load(argv[1], error);
    if (module == nullptr) {
        std::fprintf(stderr, "module-bench: %s\n", error.c_str());
        return 1;
    }
    const std::size_t dibBytes = 40 + (3 * width + 3) / 4 * 4 * height;
    const std::vector<std::uint8_t> filled(dibBytes, 0x5A);
    LineCallbackRecord callbacks{&TouchRow};
    const auto decode = [&] { module->readFileExec(0, argv[2], 0, 0, 0, &callbacks); };
    const auto baseline = [&] {
        void* block = std::malloc(dibBytes);
        std::memcpy(block, filled.data(), dibBytes);
        gSink = static_cast<std::uint8_t*>(block)[dibBytes / 2];
        std::free(block);
    };
    decode();  // the file in the page cache, the module's buffers sized
    baseline();
    std::vector<double> decodes, baselines;
    for (int i = 0; i < blocks; ++i) {
        decodes.push_back(PerCall(decode));
        baselines.push_back(PerCall(baseline));
    }
    const double decodeMs = Median(decodes), baselineMs = Median(baselines);
    std::printf("module %.3f baseline %.3f ratio %.3f\n", decodeMs, baselineMs, decodeMs / baselineMs);
    return 0;
}
