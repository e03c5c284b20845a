// big-file-bounds ERF_INFO ERF_CONVERT: large sparse files that name huge
// value lists, pictures and strips, each run through the module (a size query
// or a decode, in a child process of this program) and through the tools. Each
// run must end as decided, within its bound on wall time and on peak memory
// beyond what the same program takes for a tiny file; the bounds are those of
// docs/testing.md. Every run is printed with what it took.
//
// big-file-bounds --size FILE | --decode FILE: the module's part, run as a child.
// big-file-bounds --module RUNNER...: the module's part alone, each call made
// by RUNNER followed by --size FILE or --decode FILE (the Windows module under
// Wine: wine module-call.exe R_UDI.dll). The time and memory such a runner
// takes for the tiny file (Wine's own start) are not counted.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/byte_builder.h"
#include "tests/support/erf_builder.h"
#include "tests/support/memory_limit.h"
#include "tests/support/temp_file.h"
#include "tiff/tag_dictionary.h"
#include "tiff/tag_numbers.h"
#include "tiff/type_facts.h"

namespace {

constexpr std::uint64_t kMiB = 1u << 20;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
// The bounds hold CPU time: on a machine shared with other work the wall time
// may be longer, but not by this much, which would be a run that waits.
constexpr double kWallFactor = 10;
// Under qemu-i386 user emulation (tools/emulate-i386.sh) every program runs
// several times slower: the bounds on time grow by this factor there, those
// on memory stay.
constexpr double kEmulatedSlowdown = 10;

std::int32_t RUDI_CDECL DropRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) { return 0; }

int RunModule(const std::string& mode, const char* file) {
    if (mode == "--size") {
        ImageSizeRecord size{};
        ReadFileGetSize(0, file, &size, nullptr);
        return 0;
    }
    LineCallbackRecord callbacks{&DropRow};
    ReadFileExec(0, file, 0, 0, 0, &callbacks);
    return 0;
}

struct Cost {
    int status = -1;        // the exit status; -1 when the child did not exit by itself
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // user and system time, which a loaded machine does not stretch
    std::uint64_t peakBytes = 0;
    std::string output;  // standard output and error together
};

// Runs `command` in a child, its output to `log`, and measures it.
Cost Measure(const std::vector<std::string>& command, const std::string& log) {
    std::fflush(stdout);  // the child must not print this process's buffered lines again
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen(log.c_str(), "w", stdout) == nullptr || dup2(fileno(stdout), 2) < 0) _exit(126);
        std::vector<char*> arguments;
        for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
        arguments.push_back(nullptr);
        execv(arguments[0], arguments.data());
        _exit(127);
    }
    Cost cost;
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return cost;
    cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto toSeconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    cost.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    cost.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    cost.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (std::FILE* in = std::fopen(log.c_str(), "rb")) {
        char piece[4096];
        for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, in)) > 0;) cost.output.append(piece, got);
        std::fclose(in);
    }
    return cost;
}

struct Run {
    std::vector<std::string> command;  // the file's path follows
    double seconds;                    // bound on CPU time; wall time may take kWallFactor times more
    std::uint64_t extraBytes;          // bound on the peak beyond the tiny file's
    std::vector<int> statuses;         // the exit statuses allowed
    std::string says = {};             // a text the output must hold
};

struct Case {
    const char* name;
    std::vector<std::uint8_t> head;  // the file's first bytes; the rest is a hole
    std::uint64_t fileBytes;
    std::vector<Run> runs;
};

ByteBuilder Ifd0(std::uint32_t entries) { return std::move(ByteBuilder(true).Header(8).U16(entries)); }

// IFD0 as an uncompressed RGB picture of `width` x `height` in one strip at
// 4096, its byte count stored in 32 bits.
std::vector<std::uint8_t> Thumbnail(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint32_t kBits = 8 + 2 + 7 * 12 + 4;
    ByteBuilder ifd = Ifd0(7);
    ifd.Entry(kTagImageWidth, kTypeLong, 1, width)
        .Entry(kTagImageLength, kTypeLong, 1, height)
        .Entry(kTagBitsPerSample, kTypeShort, 3, kBits)
        .InlineEntry(kTagCompression, kTypeShort, 1, {1, 0})
        .InlineEntry(kTagPhotometricInterpretation, kTypeShort, 1, {2, 0})
        .Entry(kTagStripOffsets, kTypeLong, 1, 4096)
        .Entry(kTagStripByteCounts, kTypeLong, 1, static_cast<std::uint32_t>(3ULL * width * height))
        .U32(0)
        .U16(8)
        .U16(8)
        .U16(8);
    return ifd.bytes();
}

std::vector<Case> Cases(const std::string& self, const std::string& erfInfo, const std::string& erfConvert,
                        const std::string& output) {
    const Run size{{self, "--size"}, 1.0, 64 * kMiB, {0}};
    const Run info{{erfInfo}, 2.0, 256 * kMiB, {1}};
    const Run json{{erfInfo, "--json"}, 2.0, 256 * kMiB, {1}};
    const Run decode{{self, "--decode"}, 1.0, 64 * kMiB, {0}};
    const Run convert{{erfConvert, "-o", output}, 2.0, 256 * kMiB, {1}};

    // The same block of 4 Mi LONGs (16 MiB) under every tag the dictionary knows.
    ByteBuilder everyTag = Ifd0(TagDictionary::kTagCount);
    for (const std::uint32_t number : TagDictionary::kTagNumbers) everyTag.Entry(number, kTypeLong, 4 * kMiB, 4096);
    everyTag.U32(0);

    std::vector<Case> cases = {
        {"one UNDEFINED entry of 64 MiB in a 68 MB file",
         Ifd0(1).Entry(kTagArtist, kTypeUndefined, 64 * kMiB, 4096).U32(0).bytes(),
         68000000,
         {size, info, json}},
        {"an UNDEFINED entry of 2 MiB, just within the value budget",
         Ifd0(1).Entry(kTagArtist, kTypeUndefined, 2 * kMiB, 4096).U32(0).bytes(),
         4096 + 2 * kMiB,
         {size, info, json}},
        {"an UNDEFINED entry of 2 MiB in each directory, each within its own budget",
         Ifd0(2)
             .Entry(kTagArtist, kTypeUndefined, 2 * kMiB, 4096)
             .Entry(kTagSubIFDs, kTypeLong, 1, 38)
             .U32(0)
             .U16(1)
             .Entry(kTagArtist, kTypeUndefined, 2 * kMiB, 4096)
             .U32(0)
             .bytes(),
         4096 + 2 * kMiB,
         {size, info, json}},
        {"a LONG entry of 1 Mi values, all the value budget takes",
         Ifd0(1).Entry(kTagStripOffsets, kTypeLong, 1u << 20, 4096).U32(0).bytes(),
         4096 + 4 * kMiB,
         {size, info, json}},
        {"a LONG entry of 2^29 - 1 values in a 2 GiB file",
         Ifd0(1).Entry(kTagStripOffsets, kTypeLong, (1u << 29) - 1, 0).U32(0).bytes(),
         2 * kGiB,
         {size, info, json}},
        {"36 entries of 4 Mi values each", everyTag.bytes(), 4096 + 16 * kMiB + 4096, {size, info, json}},
        {"a picture of height 0 and width 300,000,000",
         BuildErf({.width = 300000000, .height = 0, .stripOffset = 4096}),
         37500000,
         {size, decode, info, convert}},
        {"a 640 x 480 strip wholly in the file at 3 GiB",
         BuildErf({.width = 640, .height = 480, .stripOffset = static_cast<std::uint32_t>(3 * kGiB)}),
         3 * kGiB + 480 * 1024,
         {size,
          decode,
          {{erfInfo}, 2.0, 256 * kMiB, {1}, "strip out of reach"},
          {{erfConvert, "-o", output}, 2.0, 256 * kMiB, {3}, "beyond the first 2 GiB"}}},
        {"a thumbnail of 65,536 x 21,846 whose strip byte count wraps to 131,072",
         Thumbnail(65536, 21846),
         5 * kGiB,
         {{{erfConvert, "--thumbnail", "-o", output}, 2.0, 256 * kMiB, {1}, "thumbnail"}}},
    };
    return cases;
}

std::string Describe(const Cost& cost) {
    char text[96];
    std::snprintf(text, sizeof text, "status %d, %.2f s CPU, %.2f s, peak %.1f MiB", cost.status, cost.cpuSeconds,
                  cost.seconds, static_cast<double>(cost.peakBytes) / kMiB);
    return text;
}

// A run's command with the file's path last.
std::vector<std::string> With(std::vector<std::string> command, const std::string& file) {
    command.push_back(file);
    return command;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) != "--module") return RunModule(argv[1], argv[2]);
    const bool moduleOnly = argc >= 3 && std::string(argv[1]) == "--module";
    if (!moduleOnly && argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: big-file-bounds SELF ERF_INFO ERF_CONVERT [--measure] | --module RUNNER...\n");
        return 2;
    }
    // With --measure the costs are printed and no bound is checked.
    const bool checked = moduleOnly || argc == 4;
    const std::string self = moduleOnly ? "--module" : argv[1];  // in the module's runs only
    const std::vector<std::string> runner(argv + 2, argv + argc);
    const TempFile log;
    const TempFile output;
    const TempFile tiny(BuildErf({.width = 10, .height = 2, .strip = std::vector<std::uint8_t>(32)}));
    int failures = 0;
    for (const Case& c :
         Cases(self, moduleOnly ? "erf-info" : argv[2], moduleOnly ? "erf-convert" : argv[3], output.path() + ".png")) {
        const TempFile file(c.head);
        file.Resize(c.fileBytes);
        std::printf("%s (%llu bytes, sparse)\n", c.name, static_cast<unsigned long long>(c.fileBytes));
        for (Run run : c.runs) {
            if (moduleOnly) {
                if (run.command[0] != self) continue;
                run.command.insert(run.command.begin(), runner.begin(), runner.end());
                run.command.erase(run.command.begin() + static_cast<std::ptrdiff_t>(runner.size()));
            }
            const Cost base = Measure(With(run.command, tiny.path()), log.path());
            Cost cost = Measure(With(run.command, file.path()), log.path());
            if (moduleOnly) {
                cost.cpuSeconds = std::max(0.0, cost.cpuSeconds - base.cpuSeconds);
                cost.seconds = std::max(0.0, cost.seconds - base.seconds);
            }
            const std::uint64_t extra = cost.peakBytes > base.peakBytes ? cost.peakBytes - base.peakBytes : 0;
            std::string problem;
            if (std::find(run.statuses.begin(), run.statuses.end(), cost.status) == run.statuses.end()) {
                problem += " unexpected status;";
            }
            const double seconds = run.seconds * (UnderEmulator() ? kEmulatedSlowdown : 1);
            if (cost.cpuSeconds > seconds || cost.seconds > kWallFactor * seconds) problem += " too slow;";
            if (extra > run.extraBytes) problem += " too much memory;";
            if (!run.says.empty() && cost.output.find(run.says) == std::string::npos) {
                problem += " does not say \"" + run.says + "\";";
            }
            if (!checked) problem.clear();
            std::printf("  %-28s %s, %.1f MiB beyond the tiny file's%s\n",
                        (moduleOnly               ? run.command[runner.size()]
                         : run.command[0] == self ? run.command[1]
                                                  : run.command[0].substr(run.command[0].rfind('/') + 1) +
                                                        (run.command.size() > 1 ? " " + run.command[1] : ""))
                            .c_str(),
                        Describe(cost).c_str(), static_cast<double>(extra) / kMiB,
                        problem.empty() ? "" : (" FAILED:" + problem).c_str());
            if (!problem.empty()) std::printf("    output: %s\n", cost.output.substr(0, 400).c_str());
            failures += !problem.empty();
        }
    }
    std::remove((output.path() + ".png").c_str());
    return failures == 0 ? 0 : 1;
}
