// erf-convert's command line and its outputs: bad usage refused before
// anything is made, pictures written whole or not at all, never over a file
// the user did not name.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "tests/tools/erf_convert/erf_convert_support.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const Scratch& scratch) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.path())) {
        const std::string name = fs::relative(entry.path(), scratch.path()).string();
        if (name != "stdout" && name != "stderr") names.insert(name);
    }
    return names;
}

TEST(ErfConvertUsage, RefusesBadUsageFirstWithStatus2AndMakesNothing) {
    const struct {
        std::string arguments;  // a.erf and b.erf exist in the scratch directory
        std::string reason;
    } cases[] = {
        {"a.erf -o", "--output needs a value"},
        {"a.erf -o x.png -o y.png", "--output is given 2 times: give it once"},
        {"a.erf b.erf -o new.png", "with several FILEs, -o must name an existing directory or end in '/' (new.png)"},
        {"a.erf b.erf -o -", "with several FILEs, -o must name an existing directory or end in '/' (-)"},
        {"a.erf --format bmp -o x.png", "--format bmp disagrees with the picture's name x.png"},
        {"a.erf -o x.gif", "the picture's name must end in .png, .jpg, .jpeg, .tif, .tiff, .bmp or .dng (x.gif)"},
        {"a.erf --format gif", "--format: 'gif' is not one of png, jpg, jpeg, tif, tiff, bmp, dng"},
        {"a.erf --format tiff -o x.jpeg", "--format tiff disagrees with the picture's name x.jpeg"},
        {"a.erf --quality 0", "--quality: '0' is not a whole number from 1 to 100"},
        {"a.erf --compression zip", "--compression: 'zip' is not one of none, deflate, lzw"},
        {"--bogus a.erf", "unknown option or argument: --bogus"},
        {"", "no FILE to convert"},
        {"--info a.erf", "--info takes no FILE"},
        {"a.erf --force -n", "--force and --skip-existing cannot be used together"},
        // An option of another format would be ignored.
        {"a.erf -o x.png --quality 50", "--quality applies to JPEG pictures only, not to PNG"},
        {"a.erf -o x.png --compression lzw", "--compression applies to TIFF pictures only, not to PNG"},
        {"a.erf --format bmp --quality 90", "--quality applies to JPEG pictures only, not to BMP"},
        {"a.erf -o x.jpg --compression none", "--compression applies to TIFF pictures only, not to JPEG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Scratch scratch;
        WriteFile(scratch / "a.erf", ErfBytes(4, 2));
        WriteFile(scratch / "b.erf", ErfBytes(4, 2));
        fs::create_directory(scratch / "sub");
        const std::set<std::string> before = Listing(scratch);
        const Outcome run = RunProgram(scratch, "cd " + scratch.path().string() + " && " ERF_CONVERT, c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "erf-convert: " + c.reason + "\nTry 'erf-convert --help' for more information.\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Listing(scratch), before);
    }
}

TEST(ErfConvertUsage, TakesOptionsEitherWayAndNamesAfterTwoDashes) {
    const Scratch scratch;
    WriteFile(scratch / "-dash.erf", ErfBytes(4, 2));
    const std::string here = "cd " + scratch.path().string() + " && " ERF_CONVERT;
    EXPECT_EQ(RunProgram(scratch, here, "--output=one.bmp -- -dash.erf").status, 0);
    EXPECT_EQ(RunProgram(scratch, here, "--format=bmp --output pictures/ -- -dash.erf").status, 0);
    // A format's name in any case, as a picture's name may end.
    EXPECT_EQ(RunProgram(scratch, here, "--format BMP -o upper.BMP -- -dash.erf").status, 0);
    EXPECT_EQ(Slurp(scratch / "upper.BMP").substr(0, 2), "BM");
    EXPECT_TRUE(fs::exists(scratch / "one.bmp"));
    EXPECT_TRUE(fs::exists(scratch / "pictures" / "-dash.bmp"));
    const Outcome version = RunProgram(scratch, here, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("erf-convert ", 0), 0u) << version.out;
    const Outcome help = RunProgram(scratch, here, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

TEST(ErfConvertOutput, WritesThePictureToStandardOutput) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(13, 7));
    const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " -o -");
    ASSERT_EQ(run.status, 0) << run.err;
    WriteFile(scratch / "out.png", std::vector<std::uint8_t>(run.out.begin(), run.out.end()));
    EXPECT_EQ(ReadPng(scratch / "out.png").pixels, ModulePicture(scratch / "photo.erf").pixels);
    const Outcome bmp = ErfConvert(scratch, (scratch / "photo.erf").string() + " --format bmp -o -");
    ASSERT_EQ(bmp.status, 0) << bmp.err;
    EXPECT_EQ(bmp.out.substr(0, 2), "BM");
    EXPECT_EQ(bmp.out.size(), 54u + 7 * 40);
}

TEST(ErfConvertOutput, ReplacesAFileBesideTheInputOnlyWithForce) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    WriteFile(scratch / "photo.png", {'o', 'l', 'd'});
    const std::string input = (scratch / "photo.erf").string();
    const Outcome kept = ErfConvert(scratch, input);
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.err, "erf-convert: " + (scratch / "photo.png").string() +
                            ": the picture exists already (--force replaces it, -n skips it)\n");
    EXPECT_EQ(Slurp(scratch / "photo.png"), "old");
    // The same for a name made inside a directory given with -o.
    fs::create_directory(scratch / "out");
    WriteFile(scratch / "out" / "photo.png", {'o', 'l', 'd'});
    EXPECT_EQ(ErfConvert(scratch, input + " -o " + (scratch / "out").string()).status, 1);
    EXPECT_EQ(Slurp(scratch / "out" / "photo.png"), "old");

    EXPECT_EQ(ErfConvert(scratch, input + " --force").status, 0);
    EXPECT_EQ(ReadPng(scratch / "photo.png").width, 4);
    // A name the user gave is replaced.
    WriteFile(scratch / "named.png", {'o', 'l', 'd'});
    EXPECT_EQ(ErfConvert(scratch, input + " -o " + (scratch / "named.png").string()).status, 0);
    EXPECT_EQ(ReadPng(scratch / "named.png").width, 4);
}

// A batch run again after new files came: the pictures made before count as
// done with -n, and only the new file is converted.
TEST(ErfConvertBatch, SkipsExistingPicturesWithSkipExisting) {
    const Scratch scratch;
    const std::string here = "cd " + scratch.path().string() + " && " ERF_CONVERT;
    WriteFile(scratch / "a.erf", ErfBytes(4, 2));
    WriteFile(scratch / "b.erf", ErfBytes(6, 2));
    ASSERT_EQ(RunProgram(scratch, here, "a.erf b.erf -o out/").status, 0);
    const std::string madeBefore = Slurp(scratch / "out" / "a.png");
    WriteFile(scratch / "out" / "b.png", {'o', 'l', 'd'});
    WriteFile(scratch / "c.erf", ErfBytes(8, 2));
    EXPECT_EQ(RunProgram(scratch, here, "a.erf b.erf c.erf -o out/").status, 1);
    for (const char* skip : {"-n", "--skip-existing"}) {
        SCOPED_TRACE(skip);
        const Outcome run = RunProgram(scratch, here, std::string(skip) + " a.erf b.erf c.erf -o out/");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("exists already ("), std::string::npos) << run.err;
        EXPECT_NE(run.out.find("a.erf -> out/a.png exists already: skipped\n"), std::string::npos) << run.out;
        EXPECT_EQ(Slurp(scratch / "out" / "a.png"), madeBefore);
        EXPECT_EQ(Slurp(scratch / "out" / "b.png"), "old");
        EXPECT_EQ(ReadPng(scratch / "out" / "c.png").width, 8);
    }
}

// Two files that would both take one name (two cards' EPSN0001.ERF into one
// folder) are refused, both of them; the others are converted.
TEST(ErfConvertBatch, RefusesOnlyTheFilesWhoseNamesClash) {
    const Scratch scratch;
    const std::string here = "cd " + scratch.path().string() + " && " ERF_CONVERT;
    for (const char* card : {"card1", "card2"}) {
        fs::create_directory(scratch / card);
        WriteFile(scratch / card / "EPSN0001.ERF", ErfBytes(4, 2));
    }
    WriteFile(scratch / "card2" / "EPSN0002.ERF", ErfBytes(6, 2));
    const Outcome run = RunProgram(scratch, here, "card1/EPSN0001.ERF card2/EPSN0001.ERF card2/EPSN0002.ERF -o out/");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("erf-convert: card1/EPSN0001.ERF: not converted: card2/EPSN0001.ERF would be written to "
                           "out/EPSN0001.png too (convert them into different folders)\n"),
              0u)
        << run.err;
    EXPECT_NE(run.err.find("erf-convert: card2/EPSN0001.ERF: not converted: card1/EPSN0001.ERF would be written"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(scratch / "out" / "EPSN0001.png"));
    EXPECT_EQ(ReadPng(scratch / "out" / "EPSN0002.png").width, 6);
    // The same file named twice, one way or another, is a clash too.
    EXPECT_EQ(RunProgram(scratch, here, "card2/EPSN0002.ERF card1/../card2/EPSN0002.ERF -o again/").status, 1);
    EXPECT_FALSE(fs::exists(scratch / "again" / "EPSN0002.png"));
}

TEST(ErfConvertOutput, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    const Scratch scratch;
    WriteChartErf(scratch / "photo.erf", 200, 150);
    for (const char* name : {"photo.png", "photo.bmp"}) {
        SCOPED_TRACE(name);
        WriteFile(scratch / name, {'o', 'l', 'd'});
        // Files may grow to 8 KiB only; SIGXFSZ ignored, the write fails with EFBIG.
        const Outcome run = RunProgram(scratch, "trap '' XFSZ; ulimit -f 8; " ERF_CONVERT,
                                       (scratch / "photo.erf").string() + " -o " + (scratch / name).string());
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find((scratch / name).string() + ": cannot write the"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("(File too large)"), std::string::npos) << run.err;
        EXPECT_EQ(Slurp(scratch / name), "old");
    }
    EXPECT_EQ(Listing(scratch), (std::set<std::string>{"photo.erf", "photo.png", "photo.bmp"}));
}

TEST(ErfConvertOutput, ASymbolicLinkGivenWithOutputKeepsPointingAtThePicture) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    fs::create_directory(scratch / "real");
    WriteFile(scratch / "real" / "picture.png", {'o', 'l', 'd'});
    fs::create_symlink(scratch / "real" / "picture.png", scratch / "link.png");
    EXPECT_EQ(ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "link.png").string()).status,
              0);
    EXPECT_TRUE(fs::is_symlink(scratch / "link.png"));
    EXPECT_EQ(ReadPng(scratch / "real" / "picture.png").width, 4);
}

// An output that leads to an input (a link to it, the input's own name, a
// hard link) is refused and the input kept; the other files still convert.
TEST(ErfConvertOutput, NeverWritesOverAnInput) {
    const struct {
        std::string arguments;  // run in a folder holding s.erf and t.erf
        std::string made;       // shell commands run first
        std::string message;
    } cases[] = {
        {"s.erf -o link.png", "ln -s s.erf link.png", "link.png: the picture would replace the input s.erf"},
        {"q.png -o q.png", "cp s.erf q.png", "q.png: the picture would replace the input q.png"},
        {"s.erf -o hard.bmp", "ln s.erf hard.bmp", "hard.bmp: the picture would replace the input s.erf"},
        {"s.erf t.erf --force", "ln -s t.erf s.png", "s.png: the picture would replace the input t.erf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Scratch scratch;
        WriteFile(scratch / "s.erf", ErfBytes(4, 2));
        WriteFile(scratch / "t.erf", ErfBytes(6, 2));
        const std::string here = "cd " + scratch.path().string() + " && ";
        ASSERT_EQ(RunProgram(scratch, here + c.made, "").status, 0);
        const Outcome run = RunProgram(scratch, here + ERF_CONVERT, c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind("erf-convert: " + c.message + "; not written\n", 0), 0u) << run.err;
        const std::vector<std::uint8_t> s = ErfBytes(4, 2), t = ErfBytes(6, 2);
        EXPECT_EQ(Slurp(scratch / "s.erf"), std::string(s.begin(), s.end()));
        EXPECT_EQ(Slurp(scratch / "t.erf"), std::string(t.begin(), t.end()));
    }
}

TEST(ErfConvertOutput, AReplacedFileKeepsItsPermissions) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
        WriteFile(scratch / "private.png", {'o', 'l', 'd'});
        fs::permissions(scratch / "private.png", mode);
        ASSERT_EQ(
            ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "private.png").string()).status,
            0);
        EXPECT_EQ(ReadPng(scratch / "private.png").width, 4);
        EXPECT_EQ(fs::status(scratch / "private.png").permissions(), mode);
    }
}

TEST(ErfConvertOutput, RefusesATerminalAsStandardOutput) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    // script(1) gives the program a terminal as standard output.
    const Outcome run =
        RunProgram(scratch, "script -qec '" ERF_CONVERT " " + (scratch / "photo.erf").string() + " -o -' /dev/null", "");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("erf-convert: standard output is a terminal"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("PNG"), std::string::npos);
}

// A run killed half-way leaves its temporary file, named after the picture it
// was for; the next run writing that picture removes it, and only such leftovers.
TEST(ErfConvertOutput, TheNextRunRemovesATemporaryFileLeftByAKilledOne) {
    const Scratch scratch;
    WriteFile(scratch / "big.erf", ErfBytes(40, 20));
    WriteFile(scratch / "small.erf", ErfBytes(4, 2));
    const std::string here = "cd " + scratch.path().string() + " && ";
    // strace kills the program as it is about to give the temporary file its name.
    const Outcome killed = RunProgram(scratch,
                                      here + RUDI_STRACE " -f -o /dev/null -e inject=rename:signal=KILL " ERF_CONVERT
                                                         " big.erf -o big.png",
                                      "; ls -a | grep incomplete");
    ASSERT_EQ(killed.out.rfind(".big.png.incomplete-", 0), 0u) << killed.out << killed.err;
    EXPECT_FALSE(fs::exists(scratch / "big.png"));
    // Another running writer's file stays.
    const Outcome alive = RunProgram(scratch, here + "sleep 30 >/dev/null & echo $!", "");
    const std::string living = ".big.png.incomplete-" + alive.out.substr(0, alive.out.size() - 1) + "-abcdef";
    WriteFile(scratch / living, {'x'});
    WriteFile(scratch / ".incomplete-notours", {'x'});
    // A run writing another picture leaves them all.
    ASSERT_EQ(RunProgram(scratch, here + ERF_CONVERT, "small.erf -o small.png").status, 0);
    EXPECT_TRUE(fs::exists(scratch / killed.out.substr(0, killed.out.size() - 1)));
    ASSERT_EQ(RunProgram(scratch, here + ERF_CONVERT, "small.erf -o big.png").status, 0);
    RunProgram(scratch, "kill " + alive.out, "");
    std::set<std::string> left;
    for (const std::string& name : Listing(scratch)) {
        if (name.find("incomplete") != std::string::npos) left.insert(name);
    }
    EXPECT_EQ(left, (std::set<std::string>{living, ".incomplete-notours"}));
}

bool NoSuchProcess(int process) { return kill(process, 0) != 0 && errno == ESRCH; }

// A process number that no process of this namespace has, nor the two after it.
std::string DeadProcess() {
    for (int process = 30000;; --process) {
        if (NoSuchProcess(process) && NoSuchProcess(process + 1) && NoSuchProcess(process + 2))
            return std::to_string(process);
    }
}

// The cleanup removes only a regular file of this user named exactly as the
// tool names its temporary files, for the picture being written, whose
// process is gone and whose writer holds it no more: whatever merely looks
// like one stays, as does the file of a writer in another PID namespace
// (where its process number means nothing).
TEST(ErfConvertOutput, TheCleanupRemovesNothingItDidNotMake) {
    const Scratch scratch;
    WriteFile(scratch / "ok.erf", ErfBytes(4, 2));
    WriteFile(scratch / "elsewhere.txt", {'k', 'e', 'e', 'p'});
    const std::string dead = DeadProcess();
    const std::string ours = ".out.png.incomplete-" + dead + "-";
    const struct {
        std::string name;
        std::string kind;  // "file", "link" (to elsewhere.txt), "folder", "other user"
        bool removed;
    } cases[] = {
        {ours + "aB3dE9", "file", true},  // a leftover of a killed run: the one to go
        {".thesis.incomplete-" + dead + "-final.txt", "file", false},
        {".b.incomplete-" + dead + "-", "file", false},
        {".link.incomplete-" + dead + "-abcdef", "link", false},
        {ours + "abcdefg", "file", false},
        {ours + "abcde", "file", false},
        {ours + "abc.ef", "file", false},
        {".out.png.incomplete- " + dead + "-abcdef", "file", false},
        {".out.png.incomplete-+" + dead + "-abcdef", "file", false},
        {".out.png.incomplete-0" + dead + "-abcdef", "file", false},
        {".other.png.incomplete-" + dead + "-abcdef", "file", false},  // not a picture this run writes
        {ours + "linked", "link", false},
        {ours + "folder", "folder", false},
        {ours + "others", "other user", false},
    };
    // Only root gives a file to another user, and not inside a user namespace
    // that maps no other (the emulated 32-bit run): that row is then left out.
    bool otherUser = true;
    for (const auto& c : cases) {
        const fs::path path = scratch / c.name;
        if (c.kind == "link") fs::create_symlink(scratch / "elsewhere.txt", path);
        if (c.kind == "folder") fs::create_directory(path);
        if (c.kind == "file" || c.kind == "other user") WriteFile(path, {'x'});
        if (c.kind == "other user" && chown(path.c_str(), 4242, 4242) != 0) {
            otherUser = false;
            fs::remove(path);
            std::printf("no file of another user here (%s): that case is left out\n", std::strerror(errno));
        }
    }
    const Outcome run = ErfConvert(scratch, (scratch / "ok.erf").string() + " -o " + (scratch / "out.png").string());
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.kind == "other user" && !otherUser) continue;
        EXPECT_EQ(fs::exists(fs::symlink_status(scratch / c.name)), !c.removed);
    }
    EXPECT_EQ(Slurp(scratch / "elsewhere.txt"), "keep");
}

TEST(ErfConvertOutput, TheCleanupKeepsTheFileOfAWriterInAnotherPidNamespace) {
    const Scratch scratch;
    WriteFile(scratch / "ok.erf", ErfBytes(4, 2));
    const std::string dead = DeadProcess();
    const std::string shared = "TMPDIR=" + scratch.path().string() + " ";
    // The writer spools its standard input (held open by sleep) into the
    // shared folder, under a process number that is free on this side.
    // --kill-child: the namespace ends with unshare, the writer with it.
    const std::string unshare = "unshare --user --map-root-user --pid --fork --mount-proc --kill-child";
    if (RunProgram(scratch, unshare, "true").status != 0) {
        GTEST_SKIP() << "no PID namespaces here";
    }
    const std::string inside = "echo " + std::to_string(std::stol(dead) - 1) +
                               " > /proc/sys/kernel/ns_last_pid && sleep 20 | " + shared + ERF_CONVERT + " - -o " +
                               (scratch / "never.png").string();
    const Outcome started = RunProgram(scratch, unshare + " sh -c '" + inside + "' >/dev/null 2>&1 & echo $!", "");
    const pid_t namespaceHolder = std::stoi(started.out);
    const std::string living = ".standard-input.incomplete-";
    std::string found;
    for (int wait = 0; wait < 100 && found.empty(); ++wait) {
        for (const auto& entry : fs::directory_iterator(scratch.path())) {
            if (entry.path().filename().string().rfind(living, 0) == 0) found = entry.path().filename().string();
        }
        if (found.empty()) RunProgram(scratch, "sleep 0.1", "");
    }
    if (found.empty()) kill(namespaceHolder, SIGTERM);
    ASSERT_FALSE(found.empty()) << "the writer in the other namespace made no file " << living;
    // Its process number (one of the next two: sleep may come first) is free here.
    EXPECT_TRUE(NoSuchProcess(std::stoi(found.substr(living.size())))) << found;
    // This side spools its own standard input into the same folder, and
    // cleans that folder of such files first.
    const Outcome run = RunProgram(scratch, shared + ERF_CONVERT,
                                   "- -o " + (scratch / "here.png").string() + " < " + (scratch / "ok.erf").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(scratch / found));
    kill(namespaceHolder, SIGTERM);
}

// A folder, an empty file and a missing one are each named for what they
// are, by both tools; "-" is standard input, copied aside for the module.
TEST(ToolInputs, FoldersEmptyFilesAndStandardInput) {
    const Scratch scratch;
    fs::create_directory(scratch / "folder.erf");
    WriteFile(scratch / "empty.erf", {});
    WriteFile(scratch / "s.erf", ErfBytes(12, 4));
    // The copies of standard input go to a folder of this test's own, which
    // no other test running meanwhile writes to.
    const fs::path spool = scratch / "spool";
    fs::create_directory(spool);
    const std::string here = "cd " + scratch.path().string() + " && export TMPDIR=" + spool.string() + " && ";
    const struct {
        std::string name, message;
    } cases[] = {{"folder.erf", "is a folder"}, {"empty.erf", "empty file"}, {"missing.erf", "no such file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string tool : {"erf-convert", "erf-info"}) {
            const Outcome run = RunProgram(scratch, here + (tool == "erf-info" ? ERF_INFO : ERF_CONVERT), c.name);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err.rfind(tool + ": " + c.name + ": " + c.message + "\n", 0), 0u) << run.err;
        }
    }
    const Outcome piped = RunProgram(scratch, here + ERF_CONVERT, "- -o piped.png < s.erf");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "standard input -> piped.png (12 x 4)\n");
    EXPECT_EQ(ReadPng(scratch / "piped.png").pixels, ModulePicture(scratch / "s.erf").pixels);
    const Outcome through = RunProgram(scratch, here + "cat s.erf | " ERF_CONVERT, "- -o -");
    EXPECT_EQ(through.status, 0) << through.err;
    EXPECT_EQ(through.out, Slurp(scratch / "piped.png"));
    const Outcome info = RunProgram(scratch, here + ERF_INFO, "- < s.erf");
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out.rfind("standard input\nbyte order", 0), 0u) << info.out;
    const Outcome nothing = RunProgram(scratch, here + ERF_CONVERT, "- -o x.png < /dev/null");
    EXPECT_EQ(nothing.err, "erf-convert: standard input: empty file\n") << nothing.err;
    const Outcome unnamed = RunProgram(scratch, here + ERF_CONVERT, "- < s.erf");
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_EQ(unnamed.err.rfind("erf-convert: a picture read from standard input (-) needs its name given with -o\n"),
              0u);
    // The copies are gone.
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(spool)) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{});
}

// Both tools give one reason for a file: in use by another program (the
// share-mode lock the module takes), cut short in a directory, another
// maker's or another packing; a pipe is read as standard input is.
TEST(ToolInputs, BothToolsNameTheSameReason) {
    const Scratch scratch;
    const std::string here = "cd " + scratch.path().string() + " && ";
    WriteChartErf(scratch / "ok.erf", 40, 30);
    std::string bytes = Slurp(scratch / "ok.erf");
    WriteFile(scratch / "cut.erf", {bytes.begin(), bytes.begin() + 300});
    std::string nikon = bytes;
    nikon.replace(nikon.find("SEIKO EPSON CORP."), 17, "NIKON CORPORATION");
    WriteFile(scratch / "nikon.erf", {nikon.begin(), nikon.end()});
    const std::vector<std::uint8_t> plain = ErfBytes(10, 2);
    std::vector<std::uint8_t> packed = plain;
    // The raw directory's Compression (SHORT 32769, little-endian) made 34713.
    const std::vector<std::uint8_t> epsonPacking = {0x03, 0x01, 3, 0, 1, 0, 0, 0, 0x01, 0x80};
    const auto at = std::search(packed.begin(), packed.end(), epsonPacking.begin(), epsonPacking.end());
    ASSERT_NE(at, packed.end());
    at[8] = 0x99;
    at[9] = 0x87;
    WriteFile(scratch / "other-packing.erf", packed);
    const struct {
        std::string file;
        std::string prefix;  // what runs before the tool, in the scratch folder
        std::string reason;  // erf-convert's (after "NAME: ") and erf-info's (in --brief)
        int convertStatus;   // 0: converted with the reason as a warning
    } cases[] = {
        {"ok.erf", "flock -x ok.erf ", "in use by another program", 1},
        {"cut.erf", "", "cut short inside the raw-image directory: it starts at byte 328, the file has 300 bytes", 1},
        {"nikon.erf", "", "made by NIKON CORPORATION, not an EPSON RAW file", 0},
        {"other-packing.erf", "",
         "not an EPSON RAW file: the raw-image directory's Compression is 34713, not EPSON's packing (32769)", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Outcome convert = RunProgram(scratch, here + c.prefix + ERF_CONVERT, c.file + " -o out.png");
        EXPECT_EQ(convert.status, c.convertStatus);
        EXPECT_EQ(convert.err, "erf-convert: " + (c.convertStatus == 0 ? std::string("warning: ") : "") + c.file +
                                   ": " + c.reason +
                                   (c.convertStatus == 0 ? "; converted as the module decodes it" : "") + "\n");
        const Outcome info = RunProgram(scratch, here + c.prefix + ERF_INFO, "--brief " + c.file);
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ((info.out + info.err).find(c.reason), info.out.empty() ? 13 + c.file.size() : c.file.size() + 2)
            << info.out << info.err;
        fs::remove(scratch / "out.png");
    }
    const Outcome thumbnail = RunProgram(scratch, here + "flock -x ok.erf " ERF_CONVERT, "--thumbnail ok.erf");
    EXPECT_EQ(thumbnail.err, "erf-convert: ok.erf: in use by another program\n");
    // A pipe and a FIFO are copied aside, as standard input is.
    const Outcome piped = RunProgram(scratch, here + "bash -c '" ERF_CONVERT " <(cat ok.erf) -o piped.png'", "");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(ReadPng(scratch / "piped.png").width, 40);
    const Outcome pipedInfo = RunProgram(scratch, here + "bash -c '" ERF_INFO " --brief <(cat ok.erf)'", "");
    EXPECT_EQ(pipedInfo.status, 0) << pipedInfo.err;
    EXPECT_NE(pipedInfo.out.find(": EPSON RAW, complete\n"), std::string::npos) << pipedInfo.out;
    const Outcome fifo = RunProgram(scratch, here + "mkfifo f && (cat ok.erf > f &) && " ERF_INFO, "--brief f");
    EXPECT_EQ(fifo.out, "f: EPSON RAW, complete\n") << fifo.err;
}

// A stream is copied aside up to 4 GiB, the most an EPSON RAW file can
// address: a longer one is refused with a message, its copy removed.
TEST(ToolInputs, StandardInputIsCopiedUpTo4GiB) {
    const Scratch scratch;
    const std::string shared = "TMPDIR=" + scratch.path().string() + " ";
    for (const std::uint64_t bytes : {std::uint64_t{1} << 32, (std::uint64_t{1} << 32) + 1}) {
        SCOPED_TRACE(bytes);
        const Outcome run =
            RunProgram(scratch, "head -c " + std::to_string(bytes) + " /dev/zero | " + shared + ERF_INFO, "--brief -");
        EXPECT_EQ(run.status, 1);
        if (bytes == std::uint64_t{1} << 32) {
            EXPECT_EQ(run.out, "standard input: not an EPSON RAW file: not a TIFF file (no II or MM byte-order mark)\n")
                << run.err;
        } else {
            EXPECT_EQ(run.err,
                      "erf-info: standard input: longer than 4 GiB, more than an EPSON RAW file can address; not "
                      "read further\n");
        }
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(scratch.path())) {
            if (entry.path().filename().string().rfind(".standard-input", 0) == 0) left.insert(entry.path());
        }
        EXPECT_EQ(left, std::set<std::string>{});
    }
}

// A dangling link given with -o stays a link, and the file it names is made.
TEST(ErfConvertOutput, ADanglingLinkGetsThePictureAtItsTarget) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    fs::create_directory(scratch / "sub");
    fs::create_symlink("sub/made.png", scratch / "link.png");
    fs::create_symlink("link.png", scratch / "link-to-link.png");
    const Outcome run =
        ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + (scratch / "link-to-link.png").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(scratch / "link.png"));
    EXPECT_TRUE(fs::is_symlink(scratch / "link-to-link.png"));
    EXPECT_EQ(ReadPng(scratch / "sub" / "made.png").width, 4);
}

// A full disk is named by every writer with the failing call's reason.
TEST(ErfConvertOutput, AFullDiskIsNamedWithItsReasonInEveryFormat) {
    const Scratch scratch;
    WriteChartErf(scratch / "big.erf", 400, 300);
    fs::create_directory(scratch / "small");
    const std::string unshare = "unshare --user --map-root-user --mount";
    if (RunProgram(scratch, unshare, "true").status != 0) {
        GTEST_SKIP() << "no mount namespaces here";
    }
    for (const std::string format : {"png", "jpg", "tif", "bmp", "dng"}) {
        SCOPED_TRACE(format);
        const Outcome run =
            RunProgram(scratch,
                       "cd " + scratch.path().string() + " && " + unshare +
                           " sh -c 'mount -t tmpfs -o size=16k none small && " ERF_CONVERT " big.erf -o small/big." +
                           format + "'",
                       "");
        EXPECT_EQ(run.status, 1);
        const bool named = run.err.find("(No space left on device)") != std::string::npos ||
                           ((format == "jpg" || format == "dng") &&  // libjpeg's own words (a DNG's preview)
                            run.err.find("out of disk space") != std::string::npos);
        EXPECT_TRUE(named) << run.err;
    }
}

// A target that cannot be made is named before the input is read: strace
// shows the input is never opened.
TEST(ErfConvertOutput, AnUnwritableTargetIsNamedBeforeTheInputIsRead) {
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    for (const std::string option : {"", " --thumbnail"}) {
        SCOPED_TRACE(option);
        const Outcome run =
            RunProgram(scratch,
                       RUDI_STRACE " -f -e trace=openat,open -o " + (scratch / "calls").string() + " " ERF_CONVERT,
                       (scratch / "photo.erf").string() + " -o /nonexistent/photo.png" + option);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  "erf-convert: /nonexistent/photo.png: cannot create a file in its directory (No such file "
                  "or directory)\n");
        EXPECT_EQ(Slurp(scratch / "calls").find("photo.erf"), std::string::npos);
    }
}

// A size the chosen format cannot hold is named from the file's tags, before
// anything is decoded; the largest it holds is written.
TEST(ErfConvertOutput, ASizeTheFormatCannotHoldIsNamedBeforeDecoding) {
    const Scratch scratch;
    WriteChartErf(scratch / "widest.erf", 65500, 2);
    WriteChartErf(scratch / "wider.erf", 65501, 2);
    const std::string wider = (scratch / "wider.erf").string();
    const Outcome refused = ErfConvert(scratch, wider + " -o " + (scratch / "wider.jpg").string());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "erf-convert: " + wider +
                               ": a JPEG file cannot hold its 65501 x 2 pixels (a JPEG picture has 1 to 65500 pixels a "
                               "side); nothing was decoded\n");
    EXPECT_EQ(ErfConvert(scratch, wider + " -o " + (scratch / "wider.png").string()).status, 0);
    const Outcome widest =
        ErfConvert(scratch, (scratch / "widest.erf").string() + " -o " + (scratch / "widest.jpg").string());
    EXPECT_EQ(widest.status, 0) << widest.err;
}

TEST(ErfConvertOutput, NamesAnOutputItCannotCreate) {
    // A name longer than the system takes must be named as such, not end the
    // program on a failed look-up.
    const std::string tooLong(300, 'x');
    const struct {
        std::string output;
        std::string message;  // after "erf-convert: " and the output's name
    } cases[] = {
        {"/nonexistent/photo.png", ": cannot create a file in its directory (No such file or directory)"},
        {tooLong + "/photo.png", ": cannot create a file in its directory (File name too long)"},
        {tooLong + "/", ": cannot make the directory (File name too long)"},
        {tooLong + ".png", ": cannot write the file (File name too long)"},
    };
    const Scratch scratch;
    WriteFile(scratch / "photo.erf", ErfBytes(4, 2));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output.substr(0, 40));
        const Outcome run = ErfConvert(scratch, (scratch / "photo.erf").string() + " -o " + c.output);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "erf-convert: " + c.output + c.message + "\n");
    }
}

}  // namespace
