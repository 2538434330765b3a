// "Add Image" in the real window: pictures decoded on the worker thread arrive
// in the strip while a progress dialog holds the window.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/thumbnailctrl.h"

#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/xrc/xmlres.h>

namespace {

class AddImages : public ::testing::Test {
protected:
    void SetUp() override {
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
        dir = lwtest::MakeTempDir("add");
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }

    // Chooses the files in the dialog and waits until the import has ended.
    void Add(const std::vector<std::string>& names) {
        wxArrayString paths;
        for (const auto& n : names) paths.Add(dir + "/" + n);
        lwtest::PromptsOf(frame).pictures.push_back(paths);
        lwtest::ClickMenu(frame, "Frame", "Add Image...");
        ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting(); }));
        // The window takes input again once the progress dialog has gone.
        ASSERT_TRUE(lwtest::PumpUntil([&] { return frame->IsEnabled(); }));
    }
    bool Enabled(const char* menu, const char* label) {
        return lwtest::FindMenuItem(frame, menu, label)->IsEnabled();
    }

    MainWindow* frame = nullptr;
    std::string dir;
};

TEST_F(AddImages, PicturesAndGifFramesAreAppendedInOrder) {
    lwtest::AppendFrame(frame, wxSize(5, 5), "first.png");
    lwtest::WritePicture(dir + "/a.png", 64, 48, *wxRED);
    lwtest::WriteAnimatedGif(dir + "/anim.gif", 30, 20, {"red", "lime", "blue"});
    lwtest::WritePicture(dir + "/b.bmp", 16, 16, *wxGREEN);
    Add({"a.png", "anim.gif", "b.bmp"});
    EXPECT_EQ(lwtest::FramePaths(frame),
              (std::vector<wxString>{lwtest::PicturePath("first.png"), dir + "/a.png",
                                     dir + "/anim.gif_0", dir + "/anim.gif_1", dir + "/anim.gif_2",
                                     dir + "/b.bmp"}));
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(64, 48));
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "Untitled.gif (64 * 48)px");
    // Frame 0 is shown when the import ends.
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1), "first.png Width:5px,Height:5 px");
    EXPECT_TRUE(Enabled("File", "Save"));
    EXPECT_EQ(lwtest::PromptsOf(frame).messages.back(), "Add Image Files");
}

TEST_F(AddImages, TheFramesTakeTheDelayInForce) {
    // Typed in the Delay field, it is the document's delay for new frames.
    lwtest::TypeInto(frame->FindWindow(XRCID("m_spinctrl_delay")), 42);
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    Add({"a.png"});
    ASSERT_EQ(frame->GetDocument().FrameCount(), 1u);
    EXPECT_EQ(frame->GetDocument().Frame(0).delay, 42);
}

TEST_F(AddImages, BrokenAndVanishedFilesEndTheLoadCleanly) {
    std::vector<std::string> names;
    for (const std::string& path : lwtest::WriteBrokenPictures(dir))
        names.push_back(wxFileNameFromPath(path).ToStdString());
    names.push_back("gone.jpg");
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(Add(names), lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 0);
    // One message: the first ten by name, then how many more.
    EXPECT_TRUE(shown.message.StartsWith("These pictures could not be added:\nempty.png: not a "
                                         "picture or video\nempty.gif: not a picture or video\n")) << shown.message;
    EXPECT_EQ(shown.message.Freq('\n'), 11);
    EXPECT_TRUE(shown.message.EndsWith("\nand 2 more")) << shown.message;
    // Nothing arrived, so the commands that need frames stay off.
    EXPECT_FALSE(Enabled("File", "Save"));
    EXPECT_FALSE(Enabled("Animation", "Run animation"));
}

TEST_F(AddImages, AGoodPictureAmongBrokenOnesArrivesAndTheOthersAreNamed) {
    lwtest::WriteBrokenPictures(dir);
    lwtest::WritePicture(dir + "/good.jpg", 20, 10, *wxBLUE);
    lwtest::WriteFile(dir + "/notes.png", "shopping list: milk, eggs");
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(Add({"half.png", "good.jpg", "notes.png", "truncated.gif"}),
                  lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_EQ(shown.message, "These pictures could not be added:\nhalf.png: damaged\n"
                             "notes.png: not a picture or video\ntruncated.gif: damaged");
    EXPECT_EQ(lwtest::FramePaths(frame), (std::vector<wxString>{dir + "/good.jpg"}));
    EXPECT_TRUE(Enabled("Frame", "Delete"));
}

TEST_F(AddImages, CancellingTheDialogStartsNothing) {
    lwtest::ClickMenu(frame, "Frame", "Add Image...");
    EXPECT_FALSE(frame->IsImporting());
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 0);
    EXPECT_FALSE(Enabled("File", "Save"));
}

TEST_F(AddImages, TheInsertToolAddsAtTheEnd) {
    lwtest::AppendFrame(frame, wxSize(5, 5), "first.png");
    frame->GetThumbnailCtrl()->Select(0);
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    lwtest::PromptsOf(frame).pictures.push_back(wxArrayString(1, wxString(dir + "/a.png")));
    wxCommandEvent tool(wxEVT_MENU, XRCID("m_tool_insert"));
    frame->ProcessWindowEvent(tool);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting(); }));
    EXPECT_EQ(lwtest::FramePaths(frame),
              (std::vector<wxString>{lwtest::PicturePath("first.png"), dir + "/a.png"}));
}

}  // namespace
