// The real program, started as a user starts it: command line, resources,
// option file, and ending with Ctrl+Q.
#include "support/pictures.h"
#include "support/test_support.h"

#include <wx/filename.h>

#include <map>
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
lwtest::ProcessResult StartAndQuit(const std::string& program, const std::string& home,
                                   const std::string& title = "Marvolent Loopwright",
                                   const std::vector<std::string>& args = {}) {
    const std::string script =
        "\"$0\" \"$@\" >\"$HOME/out.txt\" 2>\"$HOME/err.txt\" & pid=$!\n"
        "win=$(timeout 20 xdotool search --sync --onlyvisible --name \"^$TITLE\\$\" | head -n1)\n"
        "[ -n \"$win\" ] || { kill $pid; echo 'no window' >&2; exit 90; }\n"
        "eval $(xdotool getwindowgeometry --shell \"$win\")\n"
        "xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))\n"
        "for i in $(seq 1 50); do\n"
        "  kill -0 $pid 2>/dev/null || break\n"
        "  xdotool key ctrl+q; sleep 0.2\n"
        "done\n"
        "wait $pid; rc=$?\n"
        "cat \"$HOME/out.txt\"; cat \"$HOME/err.txt\" >&2; exit $rc\n";
    std::vector<std::string> argv{"/bin/sh", "-c", script, program};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::map<std::string, std::string> env{
        {"HOME", home}, {"TITLE", title}, {"LANG", ""}, {"LC_ALL", ""}};
    return lwtest::RunProcess(argv, env, std::chrono::seconds(60));
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

// Runs a shell command that must succeed; its standard output.
std::string Shell(const std::string& command, const std::map<std::string, std::string>& env = {}) {
    const auto result =
        lwtest::RunProcess({"/bin/sh", "-c", command}, env, std::chrono::minutes(5));
    EXPECT_EQ(result.exitCode, 0) << command << "\n" << result.out << result.err;
    return result.out;
}

TEST(Startup, RunsFromTheDebianPackage) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The package is built and checked from the plain build; its program is
    // the same one the sanitizer builds' other tests start.
    GTEST_SKIP() << "checked in the plain build";
#endif
    const std::string dir = lwtest::MakeTempDir("package"), root = dir + "/root";
    const std::string id = "com.marvolent.Loopwright", deb = dir + "/loopwright.deb";
    const std::string cpack = wxFileName(LW_CMAKE).GetPath().ToStdString() + "/cpack";
    Shell("'" + cpack + "' -G DEB -B " + dir + " --config " + kStage + "/CPackConfig.cmake");
    Shell("mv " + dir + "/loopwright_1.0.80_*.deb " + deb);
    const std::string listing = Shell("dpkg-deb -c " + deb) + Shell("dpkg-deb -f " + deb + " Depends");
    for (const std::string& entry : std::initializer_list<std::string>{
             "./usr/bin/loopwright -> ../lib/loopwright/bin/loopwright",
             "./usr/bin/loopwright-cli -> ../lib/loopwright/bin/loopwright-cli",
             "applications/" + id + ".desktop", "metainfo/" + id + ".metainfo.xml",
             "mime/packages/" + id + ".xml", "48x48/apps/" + id + ".png", "scalable/apps/" + id + ".svg",
             "libwxgtk3.2-1", "libimagequant0", "libgif7", "fonts-noto-cjk",
             "./usr/share/doc/loopwright/copyright", "./usr/share/man/man1/loopwright.1.gz",
             "./usr/share/man/man1/loopwright-cli.1.gz"})
        EXPECT_NE(listing.find(entry), std::string::npos) << entry << "\n" << listing;

    // Unpacked into a folder of its own, not installed: the test machine stays
    // as it was. The desktop's caches are built there as the package's
    // triggers build them in /usr/share.
    const std::string share = root + "/usr/share";
    Shell("dpkg -x " + deb + " " + root + " && cd " + share +
          " && desktop-file-validate applications/* && appstreamcli validate --no-net metainfo/*" +
          " && update-mime-database mime && update-desktop-database applications");
    // Debian's machine-readable copyright, and manual pages that render without a warning.
    const std::string copyright = lwtest::ReadFile(share + "/doc/loopwright/copyright");
    EXPECT_EQ(copyright.find("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
              0u);
    EXPECT_NE(copyright.find("/usr/share/common-licenses/GPL-3"), std::string::npos) << copyright;
    for (const std::string page : {"loopwright.1.gz", "loopwright-cli.1.gz"})
        EXPECT_EQ(Shell("(zcat " + share + "/man/man1/" + page + " | groff -man -Tutf8 -ww -z) 2>&1"), "")
            << page;
    const std::map<std::string, std::string> desktop{{"XDG_DATA_DIRS", share + ":/usr/share"},
                                                     {"XDG_CURRENT_DESKTOP", ""}};
    EXPECT_EQ(Shell("xdg-mime query default application/x-loopwright-project", desktop),
              id + ".desktop\n");
    // Of two XML files only the project is of the project type.
    lwtest::WriteFile(dir + "/p.xml", "<?xml version=\"1.0\"?>\n<project><name/></project>\n");
    lwtest::WriteFile(dir + "/o.xml", "<?xml version=\"1.0\"?>\n<options/>\n");
    EXPECT_EQ(Shell("cd " + dir + " && gio info -a standard::content-type p.xml o.xml | grep type:",
                    desktop),
              "  standard::content-type: application/x-loopwright-project\n"
              "  standard::content-type: application/xml\n");

    const auto result = StartAndQuit(root + "/usr/bin/loopwright", lwtest::MakeTempDir("home"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Count(result.out, root + "/usr/lib/loopwright/option.cfg\n"), 1) << result.out;
    // The packaged command-line exporter runs from its link, without a display.
    lwtest::WritePicture(dir + "/p.png", 8, 8, *wxRED);
    const auto cli = lwtest::RunProcess(
        {root + "/usr/bin/loopwright-cli", dir + "/p.png", "-o", dir + "/p.gif"}, {{"DISPLAY", ""}});
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_TRUE(lwtest::FileExists(dir + "/p.gif"));
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
    // Unknown options, told without a display: usage on standard error, code 2.
    for (const char* arg : {"-x", "--no-such-option"}) {
        const auto result = lwtest::RunProcess({kProgram, arg, "picture.png"},
                                               {{"HOME", lwtest::MakeTempDir("home")}, {"DISPLAY", ""}});
        ASSERT_FALSE(result.timedOut) << arg;
        EXPECT_EQ(result.exitCode, 2) << arg;
        EXPECT_NE(result.err.find("Usage"), std::string::npos) << arg;
        // Nothing started: the option file was never read.
        EXPECT_EQ(result.out.find("option.cfg"), std::string::npos) << arg;
    }
}

TEST(Startup, HelpShowsUsageWithoutAWindow) {
    for (const char* arg : {"--help", "--version"}) {
        const auto result = lwtest::RunProcess(
            {kProgram, arg}, {{"HOME", lwtest::MakeTempDir("home")}, {"DISPLAY", ""}});
        EXPECT_EQ(result.exitCode, 0) << arg;
        EXPECT_EQ(result.out.find(std::string(arg) == "--help" ? "Usage" : "Marvolent Loopwright 1.0.80\n"), 0u);
    }
}

TEST(Startup, OpensTheProjectGivenOnTheCommandLine) {
    // The file manager's way: the project's name is in the window's title
    // once it is open, and as it was just opened, Ctrl+Q asks nothing. The
    // name is UTF-8 also where the locale says nothing of it.
    const std::string folder = lwtest::MakeTempDir("args");
    const std::string project = folder + "/Ferien-\xC3\xA4.xml";
    lwtest::WritePicture(folder + "/a.png", 8, 8, *wxRED);
    lwtest::WriteFile(project, "<project><name/><gif><width>8</width><height>8</height>"
                               "<delay_time>10</delay_time></gif><images><path>a.png</path>"
                               "</images></project>");
    const auto result = StartAndQuit(kProgram, lwtest::MakeTempDir("home"),
                                     "Ferien-\xC3\xA4 - Marvolent Loopwright", {project});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace
