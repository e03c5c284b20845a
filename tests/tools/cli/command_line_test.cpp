#include "tools/cli/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Outcome {
    std::optional<int> status;
    std::string out;
    std::string err;
    std::string name;
};

Outcome ParseArguments(std::vector<const char*> arguments) {
    CLI::App app("A tool for the test.", "tool");
    cli::AddVersion(app);
    std::string name;
    app.add_option("--name", name);
    arguments.insert(arguments.begin(), "tool");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Outcome outcome;
    outcome.status = cli::Parse(app, static_cast<int>(arguments.size()), arguments.data());
    outcome.out = testing::internal::GetCapturedStdout();
    outcome.err = testing::internal::GetCapturedStderr();
    outcome.name = name;
    return outcome;
}

TEST(CommandLine, HelpAndVersionEndWithZeroOnStandardOutput) {
    const Outcome help = ParseArguments({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--name"), std::string::npos);
    EXPECT_EQ(ParseArguments({"-h"}).status, 0);

    const Outcome version = ParseArguments({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tool ", 0), 0u) << version.out;
    EXPECT_TRUE(version.err.empty());
}

TEST(CommandLine, ValuesTakeBothSpellings) {
    for (const auto& arguments : {std::vector<const char*>{"--name", "x"}, std::vector<const char*>{"--name=x"}}) {
        const Outcome outcome = ParseArguments(arguments);
        EXPECT_FALSE(outcome.status.has_value());
        EXPECT_EQ(outcome.name, "x");
    }
}

TEST(CommandLine, BadUsageGivesTheReasonFirstAndExitTwo) {
    for (const auto& arguments : {std::vector<const char*>{"--bogus"}, std::vector<const char*>{"--name"}}) {
        const Outcome outcome = ParseArguments(arguments);
        EXPECT_EQ(outcome.status, cli::kExitUsage);
        EXPECT_EQ(outcome.err.rfind("tool: ", 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("Try 'tool --help'"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
}

}  // namespace

namespace {

// Whatever escapes a tool's work ends it with one line and status 1.
TEST(CommandLine, AnEscapingExceptionEndsTheToolWithOneMessage) {
    const struct {
        std::function<int()> work;
        const char* message;
    } cases[] = {
        {[]() -> int { throw std::bad_alloc(); }, "tool: not enough memory\n"},
        {[]() -> int { throw std::length_error("vector::_M_default_append"); }, "tool: not enough memory\n"},
        {[]() -> int { throw std::runtime_error("the disk went away"); }, "tool: the disk went away\n"},
        {[]() -> int { throw 7; }, "tool: an unexpected failure\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        testing::internal::CaptureStderr();
        EXPECT_EQ(cli::RunGuarded("tool", c.work), cli::kExitFailure);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    }
    EXPECT_EQ(cli::RunGuarded("tool", [] { return 3; }), 3);
}

}  // namespace
