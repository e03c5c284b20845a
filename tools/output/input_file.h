// The tools' inputs: a name checked before it is opened, so that a folder or
// an empty file is named as such; and standard input ("-") made into a file,
// for the module, which opens its files by name.
#pragma once

#include <string>

#include "tools/output/output_file.h"

// The name that means standard input.
inline constexpr const char* kStandardInput = "-";

// Why `path` cannot be an input ("no such file", "is a folder", "empty
// file"), or empty when it may be opened.
std::string InputProblem(const std::string& path);

// How messages name an input: "standard input" for "-".
inline std::string ShownInput(const std::string& input) { return input == kStandardInput ? "standard input" : input; }

// Standard input copied whole into a temporary file, removed when this ends
// (or by the next run, after a kill; see OutputFile).
class SpooledInput {
public:
    // False with the reason in `error` when standard input cannot be read or copied.
    bool Spool(std::string& error);
    const std::string& path() const { return file_.temporaryPath(); }

private:
    OutputFile file_;
};
