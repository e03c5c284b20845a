// The command-line convention of the project's tools: -h/--help, --version,
// --opt=value and --opt value, "--" before names that start with a dash.
// Bad usage ends with exit status 2, the reason first and a pointer to
// --help; a file that cannot be read or written ends with 1.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace cli {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Gives a tool's parser (named after the tool) the shared --version.
void AddVersion(CLI::App& app);

// A whole number from `least` to `most`, checked before CLI11 converts it.
CLI::Validator Whole(unsigned least, unsigned most);
// One of `choices`, in any case; the value becomes the choice's own spelling.
CLI::Validator OneOf(const std::vector<std::string>& choices);

// Parses the arguments; every message is in the tools' own words, not CLI11's. Returns the exit status when the tool
// should end here (after --help or --version: 0; bad usage: 2, reported), or nothing when it should go on.
std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv);

// Reports bad usage found after parsing (arguments that disagree), in the
// same words as the parser's own, and gives the exit status.
int BadUsage(const CLI::App& app, const std::string& reason);

// What the exception being handled says, for a message; call only inside a
// catch block. Running out of memory (or past a container's size) reads as
// "not enough memory".
std::string CurrentFailure();

// Runs a tool's whole work: an exception that escapes it ends the tool with
// one message, "TOOL: WHAT", and exit status 1, never with an abort.
int RunGuarded(const char* tool, const std::function<int()>& work);

}  // namespace cli
