// Running the project's programs as a user runs them, in tests.
#pragma once

#include <filesystem>
#include <string>

struct Outcome {
    int status;  // the exit status, -1 when the program did not exit normally
    std::string out, err;
};

// A scratch directory, removed with everything in it.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string Slurp(const std::filesystem::path& path);

// Runs `program arguments` through the shell, keeping its output in `scratch`.
Outcome RunProgram(const Scratch& scratch, const std::string& program, const std::string& arguments);
