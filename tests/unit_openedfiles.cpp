// Files handed to the program from outside: which is a project, which are
// pictures, and that nothing odd (a folder, a pipe, a lookalike) gets through.
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/openedfiles.h"

#include <sys/stat.h>

namespace {

TEST(OpenedFiles, SortsProjectsPicturesAndTheRest) {
    const std::string d = lwtest::MakeTempDir("opened") + "/";
    lwtest::WritePicture(d + "a.png", 8, 8, *wxRED);
    lwtest::WriteAnimatedGif(d + "C.GIF", 8, 8, {"red", "blue"});
    lwtest::WriteFile(d + "fake.png", "<html>a web page saved under a picture's name</html>");
    ASSERT_EQ(mkdir((d + "folder.png").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo((d + "pipe.bmp").c_str(), 0600), 0);  // reading it would wait forever
    OpenedFiles files = SortOpenedFiles(wxSplit(d + "fake.png|" + d + "C.GIF|" + d + "folder.png|" +
                                                d + "pipe.bmp|" + d + "gone.bmp|" + d + "a.png", '|'));
    EXPECT_EQ(wxJoin(files.pictures, '|'), d + "C.GIF|" + d + "a.png");
    EXPECT_EQ(wxJoin(files.skipped, '|'), d + "fake.png|" + d + "folder.png|" + d + "pipe.bmp");
    // A file that is not there is named as not found, not as the wrong kind.
    EXPECT_EQ(wxJoin(files.missing, '|'), d + "gone.bmp");
    const wxString told = UnopenedFilesText(files);
    EXPECT_TRUE(told.StartsWith("These files were not found:\n\n" + d + "gone.bmp\n\nOnly pictures")) << told;
    EXPECT_NE(told.Find(d + "folder.png\n" + d + "pipe.bmp"), wxNOT_FOUND) << told;

    // A project is an .xml file with a project root, whatever stands before it;
    // the first one opens, and pictures with it would be replaced at once.
    lwtest::WriteFile(d + "second.xml", "<project/>");
    lwtest::WriteFile(d + "LONG.XML", "\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- <other> -->\n"
                                      "<!DOCTYPE project [ <!ENTITY g \">\"> ]><project\n/>");
    lwtest::WriteFile(d + "options.xml", "<?xml version=\"1.0\"?><options><project/></options>");
    lwtest::WriteFile(d + "project.txt", "<project/>");
    files = SortOpenedFiles(wxSplit(d + "a.png|" + d + "options.xml|" + d + "project.txt|" + d +
                                    "LONG.XML|" + d + "second.xml", '|'));
    EXPECT_EQ(files.project, d + "LONG.XML");
    EXPECT_TRUE(files.pictures.empty());
    EXPECT_EQ(wxJoin(files.skipped, '|'),
              d + "a.png|" + d + "options.xml|" + d + "project.txt|" + d + "second.xml");
}

}  // namespace
