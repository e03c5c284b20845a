// The tools' inputs: a name checked before it is opened, so that a folder or
// an empty file is named as such; and standard input ("-") made into a file,
// for the module, which opens its files by name.
#pragma once

#include <cstdint>
#include <string>

#include "tools/output/output_file.h"

// The name that means standard input.
inline constexpr const char* kStandardInput = "-";

// Why `path` cannot be an input ("no such file", "is a folder", "empty
// file"), or empty when it may be opened.
std::string InputProblem(const std::string& path);

// What a TIFF reader's open result (ErfFile::Open: -12, -13) says of a
// file's header, as the tools say it; empty for any other result.
std::string HeaderProblem(std::int32_t opened);

// How messages name an input: "standard input" for "-".
inline std::string ShownInput(const std::string& input) { return input == kStandardInput ? "standard input" : input; }

// The most bytes of a stream copied to a file: an EPSON RAW file's 32-bit
// offsets address nothing beyond 4 GiB, so a longer stream is refused there.
constexpr std::uint64_t kLargestSpooledInput = std::uint64_t{1} << 32;

// Whether `input` is read as a stream and copied to a file first: standard
// input ("-"), or a pipe, FIFO, socket or device (as `<(cat file)` names),
// which the module could not read by name.
bool ReadAsStream(const std::string& input);

// A stream copied whole into a temporary file, removed when this ends (or by
// the next run, after a kill; see OutputFile).
class SpooledInput {
public:
    // False with the reason in `error` when `input` ("-" or a stream, see
    // ReadAsStream) cannot be read or copied, or passes kLargestSpooledInput.
    bool Spool(const std::string& input, std::string& error);
    const std::string& path() const { return file_.temporaryPath(); }

private:
    OutputFile file_;
};
