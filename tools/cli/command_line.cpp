#include "tools/cli/command_line.h"

#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

#include "rudi_version.h"

namespace cli {

void AddVersion(CLI::App& app) {
    app.set_version_flag("--version", app.get_name() + " " + RUDI_VERSION, "Print the version and exit");
}

std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return 0;
    } catch (const CLI::ParseError& error) {
        return BadUsage(app, error.what());
    }
    return std::nullopt;
}

int BadUsage(const CLI::App& app, const std::string& reason) {
    const std::string& tool = app.get_name();
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", tool.c_str(), reason.c_str(),
                 tool.c_str());
    return kExitUsage;
}

std::string CurrentFailure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    } catch (const std::length_error&) {
        return "not enough memory";
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "an unexpected failure";
    }
}

int RunGuarded(const char* tool, const std::function<int()>& work) {
    try {
        return work();
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", tool, CurrentFailure().c_str());
        return kExitFailure;
    }
}

}  // namespace cli
