#include "tools/cli/command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
