// Saving over what is already there: devices and pipes are refused, links are
// written through, a killed save's leftovers go away, and long names work.
#include "base/folders.h"
#include "files/replacingfile.h"
#include "files/savefolders.h"
#include "project/projectfile.h"
#include "support/test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace {

ProjectContent Content() {
    ProjectContent content;
    content.width = content.height = content.delay = 10;
    content.framePaths.Add("/pics/a.png");
    return content;
}

bool IsFifo(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

TEST(ReplacingFile, APipeIsRefusedAndALinkIsWrittenThrough) {
    const std::string dir = lwtest::MakeTempDir("special");
    const std::string fifo = dir + "/pipe.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(WriteProjectFile(fifo, Content()), ProjectWriteStatus::NotAFile);
    EXPECT_TRUE(IsFifo(fifo));
    EXPECT_TRUE(ProjectWriteFailureText(ProjectWriteStatus::NotAFile, fifo).Contains(fifo));
    // Through a link to a pipe too.
    ASSERT_EQ(::symlink("pipe.xml", (dir + "/to-pipe.xml").c_str()), 0);
    EXPECT_EQ(WriteProjectFile(dir + "/to-pipe.xml", Content()), ProjectWriteStatus::NotAFile);

    // The link stays a link; the file it points to (in another folder) is
    // replaced, and no temporary file is left in either folder.
    const std::string real = lwtest::MakeTempDir("real") + "/p.xml";
    lwtest::WriteFile(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), (dir + "/link.xml").c_str()), 0);
    ASSERT_EQ(WriteProjectFile(dir + "/link.xml", Content()), ProjectWriteStatus::Written);
    char to[4096] = {};
    ASSERT_GT(::readlink((dir + "/link.xml").c_str(), to, sizeof to - 1), 0);
    EXPECT_EQ(std::string(to), real);
    EXPECT_EQ(lwtest::ReadFile(real), ProjectFileBytes(Content()));
    EXPECT_EQ(lwtest::FolderContents(real.substr(0, real.rfind('/'))),
              std::vector<std::string>{"p.xml"});
    // A link to a file not there yet creates that file.
    ASSERT_EQ(::symlink("later.xml", (dir + "/dangling.xml").c_str()), 0);
    ASSERT_EQ(WriteProjectFile(dir + "/dangling.xml", Content()), ProjectWriteStatus::Written);
    EXPECT_EQ(lwtest::ReadFile(dir + "/later.xml"), ProjectFileBytes(Content()));
}

TEST(ReplacingFile, AKilledSavesLeftoversGoAndALongNameWorks) {
    const std::string dir = lwtest::MakeTempDir("stale");
    // No process has the id pid_max; this process is running.
    std::ifstream in("/proc/sys/kernel/pid_max");
    long gone = 0;
    in >> gone;
    ASSERT_GT(gone, 0);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(::getpid());
    // Ours by name: the short naming, and the earlier one for this target only.
    const std::vector<std::string> leftovers = {".loopwright-" + dead + "-0.part",
                                                "p.xml." + dead + "-12.tmp"};
    const std::vector<std::string> kept = {".loopwright-" + alive + "-7.tmp",
                                           "other.gif." + dead + "-0.part",
                                           ".loopwright-" + dead + "-0.partx", "notes.txt"};
    for (const auto& name : leftovers) lwtest::WriteFile(dir + "/" + name, "x");
    for (const auto& name : kept) lwtest::WriteFile(dir + "/" + name, "x");
    ASSERT_EQ(WriteProjectFile(dir + "/p.xml", Content()), ProjectWriteStatus::Written);
    std::vector<std::string> expected = kept;
    expected.push_back("p.xml");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lwtest::FolderContents(dir), expected);

    // Where a save had to name its temporary, the next start clears what a
    // killed one left, and lists the folder on only while a save runs there.
    const std::string named = lwtest::MakeTempDir("named");
    KeepSaveFolderList(GetSaveFolderListPath());
    NoteSaveFolder(named);
    for (const auto& name : {leftovers[0], kept[0]}) lwtest::WriteFile(named + "/" + name, "x");
    EXPECT_EQ(lwtest::RunProcess({LW_CLI, named + "/gone.png", "-o", named + "/x.gif"}).exitCode, 1);
    EXPECT_EQ(lwtest::FolderContents(named), std::vector<std::string>{kept[0]});
    EXPECT_EQ(lwtest::ReadFile(GetSaveFolderListPath().ToStdString()), named + "\n");
    ::unlink((named + "/" + kept[0]).c_str());
    SweepSaveFolders();
    EXPECT_FALSE(lwtest::FileExists(GetSaveFolderListPath().ToStdString()));

    const std::string longName = dir + "/" + std::string(246, 'n') + ".xml";
    EXPECT_EQ(WriteProjectFile(longName, Content()), ProjectWriteStatus::Written);
    EXPECT_EQ(lwtest::ReadFile(longName), ProjectFileBytes(Content()));
}

// While it is written the file has no name where the file system allows, so
// that a save killed then leaves nothing; it gets one only to be renamed.
TEST(ReplacingFile, TheFileBeingWrittenIsNotInTheFolder) {
    const std::string dir = lwtest::MakeTempDir("unnamed");
    lwtest::WriteFile(dir + "/p.xml", "old");
    const int probe = ::open(dir.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "this file system has no unnamed files";
    ::close(probe);
    {
        ReplacingFile file(dir + "/p.xml", "part");
        ASSERT_TRUE(file.IsOpened());
        ASSERT_TRUE(file.File().Write("new", 3));
        EXPECT_EQ(lwtest::FolderContents(dir), std::vector<std::string>{"p.xml"});
        EXPECT_EQ(file.Commit(), ReplacingFile::Result::Replaced);
    }
    EXPECT_EQ(lwtest::ReadFile(dir + "/p.xml"), "new");
    EXPECT_EQ(lwtest::FolderContents(dir), std::vector<std::string>{"p.xml"});
}

}  // namespace
