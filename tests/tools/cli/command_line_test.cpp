#include "tools/cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
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

Outcome ParseArguments(const std::vector<const char*>& options) {
    CLI::App app("A tool for the test.", "tool");
    cli::AddVersion(app);
    std::string name;
    app.add_option("--name", name);
    std::vector<const char*> arguments{"tool"};
    arguments.insert(arguments.end(), options.begin(), options.end());
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

TEST(CommandLine, WholeNumbersAndChoicesInPlainWords) {
    const struct {
        std::vector<const char*> arguments;
        std::optional<int> status;
        std::string err;
        unsigned count;
        std::string kind;
    } cases[] = {
        {{"--count", "7", "--kind", "Png"}, std::nullopt, "", 7, "png"},
        {{"--count", "1024", "--kind", "BMP"}, std::nullopt, "", 1024, "bmp"},
        {{"--count", "0"}, 2, "tool: --count: '0' is not a whole number from 1 to 1024\n", 0, ""},
        {{"--count", "4294967297"}, 2, "tool: --count: '4294967297' is not a whole number from 1 to 1024\n", 0, ""},
        {{"--count", "-3"}, 2, "tool: --count: '-3' is not a whole number from 1 to 1024\n", 0, ""},
        {{"--count", "7 "}, 2, "tool: --count: '7 ' is not a whole number from 1 to 1024\n", 0, ""},
        {{"--kind", "gif"}, 2, "tool: --kind: 'gif' is not one of png, bmp\n", 0, ""},
        {{"--kind", "png", "--kind", "bmp"}, 2, "tool: --kind is given 2 times: give it once\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        CLI::App app("A tool for the test.", "tool");
        unsigned count = 0;
        std::string kind;
        app.add_option("--count", count)->check(cli::Whole(1, 1024));
        app.add_option("--kind", kind)->transform(cli::OneOf({"png", "bmp"}));
        std::vector<const char*> arguments(c.arguments.size() + 1, "tool");
        std::copy(c.arguments.begin(), c.arguments.end(), arguments.begin() + 1);
        testing::internal::CaptureStderr();
        const std::optional<int> status = cli::Parse(app, static_cast<int>(arguments.size()), arguments.data());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(err.substr(0, c.err.size()), c.err);
        if (!c.status) {
            EXPECT_EQ(count, c.count);
            EXPECT_EQ(kind, c.kind);
        }
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
