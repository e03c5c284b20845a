// Running the project's programs as a user runs them, in tests.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/temp_file.h"

struct Outcome {
    int status;  // the exit status, -1 when the program did not exit normally
    std::string out, err;
};

std::string Slurp(const std::filesystem::path& path);

// strace as the tests run it: the program it traces runs without
// LeakSanitizer, whose check at the end cannot work under ptrace.
#define RUDI_STRACE "ASAN_OPTIONS=detect_leaks=0 strace"

// Whether `program` is on the PATH (a peer the tests compare with).
bool Installed(const char* program);

// Runs `program arguments` through the shell, keeping its output in `scratch`.
Outcome RunProgram(const Scratch& scratch, const std::string& program, const std::string& arguments);
