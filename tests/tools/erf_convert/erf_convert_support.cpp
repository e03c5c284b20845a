#include "tests/tools/erf_convert/erf_convert_support.h"

#include <fstream>

#include "plugin/exports.h"
#include "tests/support/delivered_rows.h"
#include "tests/support/erf_builder.h"
#include "tiff/erf_file.h"
#include "tools/make_erf/erf_writer.h"
#include "tools/make_erf/test_chart.h"

namespace fs = std::filesystem;

Outcome ErfConvert(const Scratch& scratch, const std::string& arguments) {
    return RunProgram(scratch, ERF_CONVERT, arguments);
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ErfBytes(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> samples;
    for (std::uint32_t i = 0; i < width * height; ++i) samples.push_back(static_cast<std::uint16_t>(i * 797 % 4096));
    return BuildErf({.width = width, .height = height, .strip = PackSamples(samples, width, height)});
}

void WriteChartErf(const fs::path& path, std::uint32_t width, std::uint32_t height) {
    std::string error;
    if (!WriteErf(path.string(), MakeTestChart(width, height), true, error)) throw std::runtime_error(error);
}

void SetOrientation(const fs::path& path, std::uint16_t value) {
    ErfFile erf;
    erf.Open(path.c_str());
    const TiffTag* tag = erf.mainIfd.FindTag("Orientation");
    if (tag == nullptr) throw std::runtime_error("no Orientation in " + path.string());
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(tag->entryOffset + 8);
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    file.write(bytes, 2);
}

Picture ModulePicture(const fs::path& path) {
    ImageSizeRecord size{};
    ReadFileGetSize(0, path.c_str(), &size, nullptr);
    return {static_cast<std::int32_t>(size.width), static_cast<std::int32_t>(size.height),
            ReadRows(path.c_str()).Pixels()};
}
