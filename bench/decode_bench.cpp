// Speed of each step of the decode and of ReadFileExec end to end, on make-erf
// test charts of 1, 6 and 24 megapixels, beside a baseline: taking a block of
// the DIB's size, copying a filled block of that size into it and releasing
// it. At the end the ratio of ReadFileExec to the baseline is printed for each
// size; both come from the same run, so the ratio holds on a busy machine.
// Times are the thread's processor time, which includes the system's work for
// it (page faults, file reads) and leaves out time given to other processes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <malloc.h>
#include <unistd.h>

#include "develop/dib.h"
#include "develop/interpolation.h"
#include "develop/raw_decoder.h"
#include "develop/row_buffers.h"
#include "plugin/exports.h"
#include "plugin/image_decode.h"
#include "tools/make_erf/erf_writer.h"
#include "tools/make_erf/test_chart.h"

namespace {

struct BenchFile {
    std::int32_t width;
    std::int32_t height;
    std::string path;

    std::string Label() const { return std::to_string(width) + "x" + std::to_string(height); }
    double Megapixels() const { return static_cast<double>(width) * height / 1e6; }
    // The sizes are positive: the benchmark's own table sets them.
    std::uint32_t Width() const { return static_cast<std::uint32_t>(width); }
    std::uint32_t Height() const { return static_cast<std::uint32_t>(height); }
    std::size_t DibBytes() const { return sizeof(DibHeader) + std::size_t{(3 * Width() + 3) / 4 * 4} * Height(); }
};

std::int32_t RUDI_CDECL TouchRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t* pixels, std::int32_t) {
    benchmark::DoNotOptimize(pixels[0]);
    return 1;
}

void ReportMegapixels(benchmark::State& state, const BenchFile& file) {
    state.counters["MP/s"] = benchmark::Counter(file.Megapixels(), benchmark::Counter::kIsIterationInvariantRate);
}

// Where the file's strip starts: at its end, where make-erf puts it.
std::uint32_t StripOffset(const BenchFile& file) {
    const auto fileBytes = std::filesystem::file_size(file.path);
    return static_cast<std::uint32_t>(fileBytes - PackedRowBytes(file.Width()) * file.Height());
}

// A DIB holding the file's mosaic, as the passes find it; released on scope exit.
class MosaicDib {
public:
    explicit MosaicDib(const BenchFile& file) : dib_(CreateDib(file.width, file.height, 24)) {
        if (dib_ == nullptr || UnpackStrip(file.path.c_str(), StripOffset(file), get(), file.width, file.height) != 0) {
            std::fprintf(stderr, "decode_bench: cannot unpack %s\n", file.path.c_str());
            std::exit(1);
        }
    }
    DibImage get() const { return dib_.get(); }

private:
    DibOwner dib_;
};

void Baseline(benchmark::State& state, const BenchFile& file) {
    const std::size_t bytes = file.DibBytes();
    const std::vector<std::uint8_t> filled(bytes, 0x5A);
    for (auto _ : state) {
        void* block = std::malloc(bytes);
        std::memcpy(block, filled.data(), bytes);
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
        std::free(block);
    }
    ReportMegapixels(state, file);
}

void Unpack(benchmark::State& state, const BenchFile& file) {
    MosaicDib mosaic(file);
    const std::uint32_t offset = StripOffset(file);
    for (auto _ : state) UnpackStrip(file.path.c_str(), offset, mosaic.get(), file.width, file.height);
    ReportMegapixels(state, file);
}

template <void (*Pass)(DibImage)>
void Interpolate(benchmark::State& state, const BenchFile& file) {
    MosaicDib mosaic(file);
    for (auto _ : state) Pass(mosaic.get());
    ReportMegapixels(state, file);
}

void Deliver(benchmark::State& state, const BenchFile& file) {
    MosaicDib mosaic(file);
    const LineCallbackRecord callbacks{&TouchRow};
    RowBuffers rows;
    rows.Size(file.width);
    for (auto _ : state) DeliverRows(mosaic.get(), rows.rowA, callbacks);
    ReportMegapixels(state, file);
}

void WholeDecode(benchmark::State& state, const BenchFile& file) {
    LineCallbackRecord callbacks{&TouchRow};
    for (auto _ : state) ReadFileExec(0, file.path.c_str(), 0, 0, 0, &callbacks);
    ReportMegapixels(state, file);
}

constexpr const char* kBaseline = "Baseline";
constexpr const char* kWholeDecode = "ReadFileExec";

// The console report, and at its end the ratio of ReadFileExec to the
// baseline per size, from the median of each one's repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(OutputOptions options, std::vector<BenchFile> files)
        : ConsoleReporter(options), files_(std::move(files)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration) times_[name].push_back(run.GetAdjustedCPUTime());
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-12s %14s %14s %8s %10s\n", "size", "ReadFileExec", "baseline", "ratio", "MP/s");
        for (const BenchFile& file : files_) {
            const double decode = MedianTime(std::string(kWholeDecode) + "/" + file.Label());
            const double copy = MedianTime(std::string(kBaseline) + "/" + file.Label());
            if (decode == 0 || copy == 0) continue;
            std::printf("%-12s %11.3f ms %11.3f ms %8.2f %10.1f\n", file.Label().c_str(), decode, copy, decode / copy,
                        file.Megapixels() / (decode / 1e3));
        }
    }

private:
    // The repetitions' median, or the one run's time; 0 when it did not run.
    double MedianTime(const std::string& name) const {
        if (const auto median = medians_.find(name); median != medians_.end()) return median->second;
        const auto runs = times_.find(name);
        if (runs == times_.end() || runs->second.empty()) return 0;
        std::vector<double> values = runs->second;
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }

    std::vector<BenchFile> files_;
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> medians_;
};

bool MakeFile(BenchFile& file, const std::filesystem::path& directory) {
    file.path = (directory / ("chart-" + file.Label() + ".erf")).string();
    std::string error;
    if (WriteErf(file.path, MakeTestChart(file.Width(), file.Height()), true, error)) return true;
    std::fprintf(stderr, "decode_bench: %s: %s\n", file.path.c_str(), error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Every picture-sized block is fresh memory, as in a process that converts
    // one file and as large blocks are on Windows. Left to itself, glibc would
    // serve blocks up to 32 MiB from memory already touched by an earlier
    // iteration and larger ones fresh, so that sizes could not be compared.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    std::error_code ignored;
    const auto directory =
        std::filesystem::temp_directory_path() / ("rudi-decode-bench-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::create_directories(directory);
    static BenchFile files[] = {{1216, 810, {}}, {3040, 2024, {}}, {6080, 4048, {}}};
    for (BenchFile& file : files) {
        if (!MakeFile(file, directory)) {
            std::filesystem::remove_all(directory, ignored);
            return 1;
        }
    }

    using Step = void (*)(benchmark::State&, const BenchFile&);
    const std::pair<const char*, Step> steps[] = {
        {kBaseline, Baseline},
        {"Unpack", Unpack},
        {"InterpolateBlue", Interpolate<InterpolateBlue>},
        {"InterpolateRed", Interpolate<InterpolateRed>},
        {"InterpolateGreen", Interpolate<InterpolateGreen>},
        {"Deliver", Deliver},
        {kWholeDecode, WholeDecode},
    };
    for (const BenchFile& file : files) {
        for (const auto& [name, step] : steps) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + file.Label()).c_str(), step, file)
                ->Unit(benchmark::kMillisecond);
        }
    }

    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults : RatioReporter::OO_Tabular,
                           {std::begin(files), std::end(files)});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(directory, ignored);
    return 0;
}
