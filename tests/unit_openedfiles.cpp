// Files handed to the program from outside: which is a project, which are
// pictures, and that nothing odd (a folder, a pipe, a lookalike) gets through.
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/openedfiles.h"
#include "window/projectfile.h"

#include <sys/stat.h>

namespace {

TEST(OpenedFiles, PicturesInTheOrderGivenAndTheRestSkipped) {
    const std::string dir = lwtest::MakeTempDir("opened");
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    lwtest::WritePicture(dir + "/b.jpg", 8, 8, *wxGREEN);
    lwtest::WriteAnimatedGif(dir + "/C.GIF", 8, 8, {"red", "blue"});
    lwtest::WriteFile(dir + "/fake.png", "<html>a web page saved under a picture's name</html>");
    ASSERT_EQ(mkdir((dir + "/folder.png").c_str(), 0700), 0);
    // Reading a pipe would wait for a writer forever.
    ASSERT_EQ(mkfifo((dir + "/pipe.bmp").c_str(), 0600), 0);
    wxArrayString given;
    for (const char* name : {"fake.png", "a.png", "folder.png", "C.GIF", "pipe.bmp", "gone.bmp", "b.jpg"})
        given.Add(dir + "/" + name);
    const OpenedFiles files = SortOpenedFiles(given);
    EXPECT_EQ(files.project, "");
    EXPECT_EQ(wxJoin(files.pictures, ' '), dir + "/a.png " + dir + "/C.GIF " + dir + "/b.jpg");
    EXPECT_EQ(wxJoin(files.skipped, ' '), dir + "/fake.png " + dir + "/folder.png " + dir +
                                              "/pipe.bmp " + dir + "/gone.bmp");
    const wxString text = SkippedFilesText(files.skipped);
    for (const wxString& path : files.skipped) EXPECT_NE(text.Find(path), wxNOT_FOUND) << text;
}

TEST(OpenedFiles, OnlyAnXmlFileWithAProjectRootIsAProject) {
    const std::string dir = lwtest::MakeTempDir("opened");
    ProjectContent content;
    content.framePaths.Add(dir + "/a.png");
    ASSERT_EQ(WriteProjectFile(dir + "/saved.xml", content), ProjectWriteStatus::Written);
    // Whatever may come before the root element.
    lwtest::WriteFile(dir + "/LONG.XML",
                      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- <other> -->\n"
                      "<!DOCTYPE project [ <!ENTITY gt2 \">\"> ]>\n<project\n/>");
    lwtest::WriteFile(dir + "/options.xml", "<?xml version=\"1.0\"?><options><project/></options>");
    lwtest::WriteFile(dir + "/projects.xml", "<projects/>");
    lwtest::WriteFile(dir + "/project.txt", "<project/>");
    lwtest::WriteFile(dir + "/cut.xml", "<?xml version=\"1.0\"?><!-- never closed");
    lwtest::WriteFile(dir + "/empty.xml", "");
    for (const char* name : {"saved.xml", "LONG.XML"})
        EXPECT_TRUE(HasProjectRoot(dir + "/" + name)) << name;
    for (const char* name : {"options.xml", "projects.xml", "cut.xml", "empty.xml", "gone.xml"})
        EXPECT_FALSE(HasProjectRoot(dir + "/" + name)) << name;

    // The first project opens; pictures with it would be replaced at once.
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    wxArrayString given;
    for (const char* name : {"a.png", "options.xml", "project.txt", "LONG.XML", "saved.xml"})
        given.Add(dir + "/" + name);
    const OpenedFiles files = SortOpenedFiles(given);
    EXPECT_EQ(files.project, dir + "/LONG.XML");
    EXPECT_TRUE(files.pictures.empty());
    EXPECT_EQ(wxJoin(files.skipped, ' '), dir + "/a.png " + dir + "/options.xml " + dir +
                                              "/project.txt " + dir + "/saved.xml");
}

}  // namespace
