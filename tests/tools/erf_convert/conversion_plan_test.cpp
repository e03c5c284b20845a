// erf-convert's plan on its own: targets, clashes, refusals and what becomes
// of a picture that exists already, without running the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/erf_convert/erf_convert_support.h"
#include "tools/erf_convert/conversion_plan.h"

namespace {

namespace fs = std::filesystem;

TEST(ConversionPlan, TargetsFormatsAndReasons) {
    const Scratch scratch;
    const std::string dir = scratch.path().string() + "/";
    WriteFile(scratch / "a.erf", {0});
    fs::create_directories(scratch / "x");
    fs::create_directories(scratch / "y");
    const struct {
        const char* what;
        PlanRequest request;
        std::vector<std::string> targets;  // empty when refused
        std::string reason;                // the reason's start, when refused
        bool chosenNames;
    } cases[] = {
        {"beside the input", {"", "", false, false, false, {dir + "a.erf"}}, {dir + "a.png"}, "", true},
        {"the thumbnail's name", {"", "", true, false, false, {dir + "a.erf"}}, {dir + "a.thumb.png"}, "", true},
        {"--format", {"", "tif", false, false, false, {dir + "a.erf"}}, {dir + "a.tif"}, "", true},
        {"-o a picture", {dir + "p.jpg", "", false, false, false, {dir + "a.erf"}}, {dir + "p.jpg"}, "", false},
        {"-o an existing directory", {dir + "x", "", false, false, false, {dir + "a.erf"}}, {dir + "x/a.png"}, "", true},
        {"-o a directory to make",
         {dir + "new/", "", false, false, false, {dir + "a.erf", dir + "b.erf"}},
         {dir + "new/a.png", dir + "new/b.png"},
         "",
         true},
        {"-o a name of no format",
         {dir + "p.txt", "", false, false, false, {dir + "a.erf"}},
         {},
         "the picture's name must end in",
         false},
        {"--format against the name",
         {dir + "p.png", "jpg", false, false, false, {dir + "a.erf"}},
         {},
         "--format jpg disagrees with the picture's name",
         false},
        {"-o a file for several inputs",
         {dir + "p.png", "", false, false, false, {dir + "a.erf", dir + "b.erf"}},
         {},
         "with several FILEs, -o must name an existing directory",
         false},
        {"standard input without -o",
         {"", "", false, false, false, {"-"}},
         {},
         "a picture read from standard input (-) needs its name given with -o",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string reason;
        const std::optional<Plan> plan = MakePlan(c.request, reason);
        if (c.targets.empty()) {
            ASSERT_FALSE(plan);
            EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << reason;
            continue;
        }
        ASSERT_TRUE(plan) << reason;
        EXPECT_EQ(plan->targets, c.targets);
        EXPECT_EQ(plan->chosenNames, c.chosenNames);
        EXPECT_EQ(plan->refusals, std::vector<std::string>(c.targets.size()));
    }
}

// Two inputs that would share a name are both refused, naming each other;
// a target that is an input is refused; the others are not.
TEST(ConversionPlan, RefusesClashesAndInputsAsTargets) {
    const Scratch scratch;
    const std::string dir = scratch.path().string() + "/";
    for (const char* name : {"x/a.erf", "y/a.erf", "c.erf", "c.png"}) {
        fs::create_directories((scratch / name).parent_path());
        WriteFile(scratch / name, {0});
    }
    std::string reason;
    const std::optional<Plan> shared =
        MakePlan({dir + "out/", "", false, false, false, {dir + "x/a.erf", dir + "y/a.erf", dir + "c.erf"}}, reason);
    ASSERT_TRUE(shared) << reason;
    EXPECT_EQ(shared->refusals[0], dir + "x/a.erf: not converted: " + dir + "y/a.erf would be written to " + dir +
                                       "out/a.png too (convert them into different folders)");
    EXPECT_NE(shared->refusals[1].find(dir + "x/a.erf would be written to"), std::string::npos);
    EXPECT_EQ(shared->refusals[2], "");
    const std::optional<Plan> over = MakePlan({dir + "c.png", "", false, false, false, {dir + "c.png"}}, reason);
    ASSERT_TRUE(over) << reason;
    EXPECT_EQ(over->refusals[0], dir + "c.png: the picture would replace the input " + dir + "c.png; not written");
}

// A picture that exists already is replaced when named with -o or with
// --force, skipped with -n, and refused otherwise; a missing one is written.
TEST(ConversionPlan, WhatBecomesOfAnExistingPicture) {
    const Scratch scratch;
    const std::string dir = scratch.path().string() + "/";
    WriteFile(scratch / "a.erf", {0});
    WriteFile(scratch / "a.png", {0});
    const struct {
        const char* what;
        std::string output;
        bool force, skipExisting;
        TargetAction existing;
    } cases[] = {
        {"a name made from the input's", "", false, false, TargetAction::kRefuse},
        {"--force", "", true, false, TargetAction::kWrite},
        {"-n", "", false, true, TargetAction::kSkip},
        {"-o names it", dir + "a.png", false, false, TargetAction::kWrite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string reason;
        const std::optional<Plan> plan =
            MakePlan({c.output, "", false, c.force, c.skipExisting, {dir + "a.erf"}}, reason);
        ASSERT_TRUE(plan) << reason;
        EXPECT_EQ(ActionFor(*plan, dir + "a.png"), c.existing);
        EXPECT_EQ(ActionFor(*plan, dir + "missing.png"), TargetAction::kWrite);
    }
}

}  // namespace
