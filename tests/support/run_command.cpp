#include "tests/support/run_command.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

Outcome RunProgram(const Scratch& scratch, const std::string& program, const std::string& arguments) {
    const std::string command =
        program + " " + arguments + " >" + (scratch / "stdout").string() + " 2>" + (scratch / "stderr").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(scratch / "stdout"), Slurp(scratch / "stderr")};
}

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}
