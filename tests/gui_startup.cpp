// The real program, started as a user starts it: command line, resources,
// option file, and ending with Ctrl+Q.
#include "support/test_support.h"

#include <wx/filename.h>

#include <string>

namespace {

const std::string kProgram = LW_PROGRAM;
const std::string kStage = LW_STAGE_DIR;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Starts the program, waits for its window, presses Ctrl+Q over it and
// reports the program's output and exit code.
lwtest::ProcessResult StartAndQuit(const std::string& program, const std::string& home) {
    const std::string script =
        "\"$0\" >\"$HOME/out.txt\" 2>\"$HOME/err.txt\" & pid=$!\n"
        "win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Marvolent Loopwright$' | head -n1)\n"
        "[ -n \"$win\" ] || { kill $pid; echo 'no window' >&2; exit 90; }\n"
        "eval $(xdotool getwindowgeometry --shell \"$win\")\n"
        "xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))\n"
        "for i in $(seq 1 50); do\n"
        "  kill -0 $pid 2>/dev/null || break\n"
        "  xdotool key ctrl+q; sleep 0.2\n"
        "done\n"
        "wait $pid; rc=$?\n"
        "cat \"$HOME/out.txt\"; cat \"$HOME/err.txt\" >&2; exit $rc\n";
    return lwtest::RunProcess({"/bin/sh", "-c", script, program}, {{"HOME", home}},
                              std::chrono::seconds(60));
}

// A copy of the installed tree without some of its parts.
std::string CopyOfTheInstallation(bool withThemes, bool withOptions) {
    const std::string root = lwtest::MakeTempDir("install");
    std::string cmd = "mkdir -p '" + root + "/bin' && cp '" + kProgram + "' '" + root + "/bin/'";
    if (withThemes) cmd += " && cp -r '" + kStage + "/Themes' '" + root + "/'";
    if (withOptions) cmd += " && cp '" + kStage + "/option.cfg' '" + root + "/'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return root;
}

TEST(Startup, OpensTheWindowAndCtrlQEndsWithCodeZero) {
    const std::string home = lwtest::MakeTempDir("home");
    const auto result = StartAndQuit(kProgram, home);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The option file's path is written once per start.
    EXPECT_EQ(Count(result.out, kStage + "/option.cfg\n"), 1) << result.out;
    // The first start remembers English in the user's documents folder.
    EXPECT_EQ(lwtest::ReadFile(home + "/Marvolent files/Marvolent Loopwright/language.txt"), "58");
}

TEST(Startup, FindsItsDataThroughALinkOnThePath) {
    // Installed programs are started through a link in the prefix's bin folder.
    const std::string root = CopyOfTheInstallation(true, true);
    const std::string links = lwtest::MakeTempDir("links");
    ASSERT_EQ(symlink((root + "/bin/loopwright").c_str(), (links + "/loopwright").c_str()), 0);
    const auto result = StartAndQuit(links + "/loopwright", lwtest::MakeTempDir("home"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Count(result.out, root + "/option.cfg\n"), 1) << result.out;
}

TEST(Startup, RunsFromAnInstallation) {
    const std::string prefix = lwtest::MakeTempDir("prefix");
    const auto install = lwtest::RunProcess({LW_CMAKE, "--install", kStage, "--prefix", prefix});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    const auto result = StartAndQuit(prefix + "/bin/loopwright", lwtest::MakeTempDir("home"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Count(result.out, "/loopwright/option.cfg\n"), 1) << result.out;
    EXPECT_EQ(result.out.find(kStage), std::string::npos) << "ran the build tree's data";
}

TEST(Startup, StartsWithoutAnOptionFile) {
    const std::string root = CopyOfTheInstallation(true, false);
    const auto result = StartAndQuit(root + "/bin/loopwright", lwtest::MakeTempDir("home"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST(Startup, WithoutItsResourcesItEndsWithAClearError) {
    const std::string root = CopyOfTheInstallation(false, true);
    const auto result = lwtest::RunProcess({root + "/bin/loopwright"},
                                           {{"HOME", lwtest::MakeTempDir("home")}});
    ASSERT_FALSE(result.timedOut);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(result.signal, 0);
    EXPECT_NE(result.err.find("MyFrame1"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(root + "/Themes"), std::string::npos) << result.err;
}

TEST(Startup, CommandLineArgumentsAreRejected) {
    for (const char* arg : {"picture.png", "--no-such-option"}) {
        const auto result = lwtest::RunProcess({kProgram, arg}, {{"HOME", lwtest::MakeTempDir("home")}});
        ASSERT_FALSE(result.timedOut) << arg;
        EXPECT_NE(result.exitCode, 0) << arg;
        EXPECT_EQ(result.signal, 0) << arg;
        EXPECT_NE((result.out + result.err).find("Usage"), std::string::npos) << arg;
        // Nothing started: the option file was never read.
        EXPECT_EQ(result.out.find("option.cfg"), std::string::npos) << arg;
    }
}

TEST(Startup, HelpShowsUsageWithoutAWindow) {
    const auto result = lwtest::RunProcess({kProgram, "--help"}, {{"HOME", lwtest::MakeTempDir("home")}});
    ASSERT_FALSE(result.timedOut);
    EXPECT_NE((result.out + result.err).find("Usage"), std::string::npos);
    EXPECT_EQ(result.out.find("option.cfg"), std::string::npos);
}

}  // namespace
