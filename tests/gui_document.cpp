// The document's commands in the real main window: delete, clear, insert, the
// canvas size, the context menu, the loop count, opening and closing.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/loopcountdialog.h"
#include "window/thumbnailctrl.h"

#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include <memory>

namespace {

using lwtest::AppendFrame;
using lwtest::ClickMenu;
using lwtest::FramePaths;

wxString Pic(const char* name) { return lwtest::PicturePath(name); }

class Document : public ::testing::Test {
protected:
    void SetUp() override {
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
        strip = frame->GetThumbnailCtrl();
    }
    void TearDown() override {
        if (frame) lwtest::CloseMainWindow(frame);
    }
    void AddFrames(int count, const wxSize& size = wxSize(40, 30)) {
        for (int i = 0; i < count; ++i)
            AppendFrame(frame, size, wxString::Format("f%d.png", i));
    }
    wxSpinCtrl* Spin(const char* name) {
        return wxStaticCast(frame->FindWindow(XRCID(name)), wxSpinCtrl);
    }
    wxString Status(int field) { return frame->GetStatusBar()->GetStatusText(field); }
    bool Enabled(const char* menu, const char* label) {
        return lwtest::FindMenuItem(frame, menu, label)->IsEnabled();
    }

    MainWindow* frame = nullptr;
    wxThumbnailCtrl* strip = nullptr;
};

TEST_F(Document, DeletingTheSelectionRemovesHighestFirst) {
    AddFrames(6);
    for (int i : {1, 4, 2}) strip->Select(i);
    ASSERT_EQ(strip->GetSelectedIndices().size(), 3u);
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Delete"), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(FramePaths(frame),
              (std::vector<wxString>{Pic("f0.png"), Pic("f3.png"), Pic("f5.png")}));
    EXPECT_TRUE(frame->GetPreview().GetRect().IsEmpty());
}

TEST_F(Document, DeleteAnsweredNoKeepsFramesButResetsTheCanvas) {
    AddFrames(3, wxSize(400, 300));
    lwtest::TypeInto(Spin("m_spinctrl_width"), 200);
    ASSERT_EQ(frame->GetCanvasSize(), wxSize(200, 150));
    frame->GetPreview().ShowFrame(0);
    ASSERT_FALSE(Status(1).empty());
    strip->Select(1);
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Delete"), wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_EQ(strip->GetCount(), 3);
    EXPECT_EQ(Status(1), "");
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(400, 300));
    EXPECT_EQ(Spin("m_spinctrl_width")->GetValue(), 400);
}

TEST_F(Document, DeleteWithoutSelectionAsksNothing) {
    AddFrames(2);
    ClickMenu(frame, "Frame", "Delete");  // an unexpected dialog fails the test
    EXPECT_EQ(strip->GetCount(), 2);
}

TEST_F(Document, DeletingEveryFrameDisablesTheFrameCommands) {
    AddFrames(2);
    strip->SelectAllItems();
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Delete"), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(strip->GetCount(), 0);
    EXPECT_FALSE(Enabled("File", "Save"));
    EXPECT_FALSE(Enabled("Frame", "Delete"));
    EXPECT_EQ(Status(0), "");
}

TEST_F(Document, ClearAllEmptiesEverythingWithoutAsking) {
    AddFrames(3, wxSize(50, 20));
    frame->GetPreview().ShowFrame(1);
    ClickMenu(frame, "Frame", "Clear All");
    EXPECT_EQ(strip->GetCount(), 0);
    EXPECT_EQ(Status(0), "");
    EXPECT_EQ(Status(1), "");
    EXPECT_EQ(Spin("m_spinctrl_width")->GetValue(), 0);
    EXPECT_EQ(Spin("m_spinctrl_height")->GetValue(), 0);
    EXPECT_FALSE(Enabled("Animation", "Run animation"));
    EXPECT_FALSE(Spin("m_spinctrl_delay")->IsEnabled());
    EXPECT_TRUE(frame->GetPreview().GetRect().IsEmpty());
}

TEST_F(Document, TheLargerFrameSetsTheCanvas) {
    AppendFrame(frame, wxSize(100, 50), "a.png");
    AppendFrame(frame, wxSize(80, 60), "b.png");
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(80, 60));
    EXPECT_EQ(Status(0), "Untitled.gif (80 * 60)px");
    ClickMenu(frame, "Frame", "Clear All");
    AppendFrame(frame, wxSize(80, 60), "b.png");
    AppendFrame(frame, wxSize(100, 50), "a.png");
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(100, 50));
    EXPECT_EQ(Spin("m_spinctrl_height")->GetValue(), 50);
}

TEST_F(Document, SizeEditsKeepTheAspectRatio) {
    AddFrames(1, wxSize(400, 300));
    lwtest::TypeInto(Spin("m_spinctrl_width"), 200);
    EXPECT_EQ(Spin("m_spinctrl_height")->GetValue(), 150);
    EXPECT_EQ(Status(0), "Untitled.gif (200 * 150)px");
    lwtest::TypeInto(Spin("m_spinctrl_height"), 50);
    EXPECT_EQ(Spin("m_spinctrl_width")->GetValue(), 66);
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(66, 50));
    EXPECT_EQ(frame->GetReferenceSize(), wxSize(400, 300));
    // Never below one pixel, which the save could not prepare.
    EXPECT_EQ(Spin("m_spinctrl_width")->GetMin(), 1);
    lwtest::TypeInto(Spin("m_spinctrl_height"), 1);
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(1, 1));
}

TEST_F(Document, SizeEditsOfAnEmptyStripChangeNothingElse) {
    lwtest::TypeInto(Spin("m_spinctrl_width"), 123);
    EXPECT_EQ(Spin("m_spinctrl_height")->GetValue(), 0);
    EXPECT_EQ(Status(0), "");
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(0, 0));
}

TEST_F(Document, TheDelayRelabelsTheStrip) {
    AddFrames(2);
    lwtest::TypeInto(Spin("m_spinctrl_delay"), 25);
    EXPECT_EQ(strip->GetFrameDelay(), 25);
}

class Inserting : public Document {
protected:
    void SetUp() override {
        Document::SetUp();
        dir = lwtest::MakeTempDir("insert");
        lwtest::WritePicture(dir + "/a.png", 10, 10, *wxRED);
        lwtest::WritePicture(dir + "/b.jpg", 30, 20, *wxGREEN);
        lwtest::WriteAnimatedGif(dir + "/anim.gif", 12, 8, {"red", "lime", "blue"});
    }
    void Insert(std::vector<std::string> paths) {
        wxArrayString list;
        for (const auto& p : paths) list.Add(dir + "/" + p);
        lwtest::PromptsOf(frame).pictures.push_back(list);
        wxCommandEvent event(wxEVT_MENU, 0);
        frame->ProcessWindowEvent(event);
        // Read on a worker, as Add Image reads them.
        ASSERT_TRUE(lwtest::PumpUntil([this] { return !frame->IsImporting(); }));
    }
    std::string dir;
};

TEST_F(Inserting, PicturesGoInFrontOfTheFirstSelectedFrame) {
    AddFrames(3);
    strip->Select(2);
    strip->Select(0);
    Insert({"a.png", "anim.gif", "b.jpg"});
    EXPECT_EQ(FramePaths(frame),
              (std::vector<wxString>{Pic("f0.png"), Pic("f1.png"), dir + "/a.png",
                                     dir + "/anim.gif_0", dir + "/anim.gif_1", dir + "/anim.gif_2",
                                     dir + "/b.jpg", Pic("f2.png")}));
    EXPECT_EQ(lwtest::PromptsOf(frame).messages.back(), "Insert Image Files");
}

TEST_F(Inserting, WithoutSelectionTheyFollowTheLastFrame) {
    AddFrames(1);
    Insert({"b.jpg", "a.png"});
    EXPECT_EQ(FramePaths(frame),
              (std::vector<wxString>{Pic("f0.png"), dir + "/b.jpg", dir + "/a.png"}));
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(40, 30));
}

TEST_F(Inserting, AnUpperCaseGifGivesEveryFrameAndBrokenFilesAreNamed) {
    AddFrames(1);
    lwtest::WriteAnimatedGif(dir + "/LOUD.GIF", 5, 5, {"red", "blue"});
    lwtest::WriteBrokenPictures(dir);
    // A photo cut short is added as far as it goes, and named.
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/convert", "-size", "64x48", "plasma:", dir + "/photo.jpg"}).exitCode, 0);
    const std::string photo = lwtest::ReadFile(dir + "/photo.jpg");
    lwtest::WriteFile(dir + "/cut.jpg", photo.substr(0, photo.size() / 2));
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(Insert({"LOUD.GIF", "empty.png", "half.png", "folder.png", "gone.png", "cut.jpg"}),
                  lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_EQ(FramePaths(frame), (std::vector<wxString>{Pic("f0.png"), dir + "/LOUD.GIF_0",
                                                        dir + "/LOUD.GIF_1", dir + "/cut.jpg"}));
    EXPECT_EQ(shown.message, "These pictures could not be added, or only in part:\nempty.png: not a picture or video\n"
                             "half.png: damaged\nfolder.png: not a picture or video\ngone.png: not found\n"
                             "cut.jpg: damaged (partly read)");
}

TEST_F(Inserting, CancellingChangesNothing) {
    AddFrames(2);
    wxCommandEvent event(wxEVT_MENU, 0);
    frame->ProcessWindowEvent(event);
    EXPECT_EQ(strip->GetCount(), 2);
}

TEST_F(Document, TheContextMenuOffersInsertAndDelete) {
    AddFrames(3);
    strip->Select(1);
    auto& prompts = lwtest::PromptsOf(frame);
    std::vector<wxString> labels;
    prompts.onPopup = [&](wxWindow* window, wxMenu& menu) {
        for (wxMenuItem* item : menu.GetMenuItems()) {
            labels.push_back(item->GetItemLabel());
            EXPECT_TRUE(item->IsEnabled() || item->IsSeparator());
        }
        // Choosing "Delete" sends its command to the window.
        wxCommandEvent choose(wxEVT_MENU, wxID_DELETE);
        wxTEST_DIALOG(window->ProcessWindowEvent(choose), wxExpectModal<wxMessageDialog>(wxID_YES));
    };
    wxThumbnailEvent click(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, strip->GetId());
    click.SetItemIndex(1);
    click.SetEventObject(strip);
    strip->GetEventHandler()->ProcessEvent(click);
    EXPECT_EQ(prompts.popups, 1);
    EXPECT_EQ(labels, (std::vector<wxString>{"&Insert Image...\tCtrl+Ins", "&Delete\tCtrl+Del",
                                             "Frame Delay...\tCtrl+D", "", "Move Left\tCtrl+Left",
                                             "Move Right\tCtrl+Right", "Duplicate\tCtrl+J",
                                             "Reverse Order", "Select All\tCtrl+A", "",
                                             "Change Speed...", "Reduce Frames...", "Remove Duplicates...",
                                             "Play Forth and Back", "Trim", "",
                                             "Rotate Left\tCtrl+Shift+R", "Rotate Right\tCtrl+R",
                                             "Flip Horizontal", "Flip Vertical", "Crop...\tCtrl+Shift+X", "", "Add Caption...\tCtrl+Shift+T",
                                     "Add Overlay Picture...", "Edit Captions..."}));
    EXPECT_EQ(FramePaths(frame), (std::vector<wxString>{Pic("f0.png"), Pic("f2.png")}));
}

TEST_F(Document, TheLoopCountDialogSetsThePreviewsPasses) {
    ClickMenu(frame, "Animation", "Loop Count...");  // empty strip: no dialog
    AddFrames(2);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(3));
    EXPECT_EQ(frame->GetLoopCount(), 3);
    EXPECT_EQ(frame->GetPreview().GetLoopsPlayed(), 0);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."),
                  wxExpectDismissableModal<LoopCountDialog>(wxID_CANCEL));
    EXPECT_EQ(frame->GetLoopCount(), 3);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(0));
    EXPECT_EQ(frame->GetLoopCount(), 0);
}

TEST_F(Document, LoopCountStopsThePreview) {
    AddFrames(2);
    ClickMenu(frame, "Animation", "Run animation");
    ASSERT_TRUE(frame->GetPreview().IsPlaying());
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."),
                  wxExpectDismissableModal<LoopCountDialog>(wxID_CANCEL));
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
}

class Closing : public Document {
protected:
    bool CloseAnswering(int answer) {
        // Shared: the window may outlive this call and be destroyed later.
        auto destroyed = std::make_shared<bool>(false);
        MainWindow* window = frame;
        frame->Bind(wxEVT_DESTROY, [destroyed, window](wxWindowDestroyEvent& e) {
            if (e.GetEventObject() == window) *destroyed = true;
            e.Skip();
        });
        bool closed = false;
        wxTEST_DIALOG(closed = frame->Close(), wxExpectModal<wxMessageDialog>(answer));
        lwtest::PumpUntil([&] { return *destroyed; }, std::chrono::milliseconds(500));
        if (*destroyed) frame = nullptr;
        return closed && *destroyed;
    }
};

TEST_F(Closing, AnEmptyStripClosesWithoutAsking) {
    EXPECT_TRUE(frame->Close());
    EXPECT_TRUE(lwtest::WaitUntilDestroyed(frame));
    frame = nullptr;
}

TEST_F(Closing, CancelKeepsTheWindowAndItsFrames) {
    AddFrames(2);
    EXPECT_FALSE(CloseAnswering(wxID_CANCEL));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(strip->GetCount(), 2);
}

TEST_F(Closing, YesWhoseSaveDidNotHappenKeepsTheWindow) {
    AddFrames(2);
    EXPECT_FALSE(CloseAnswering(wxID_YES));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(strip->GetCount(), 2);
}

TEST_F(Closing, NoCloses) {
    AddFrames(2);
    EXPECT_TRUE(CloseAnswering(wxID_NO));
}

TEST_F(Closing, ExitAsksTheSameWay) {
    AddFrames(1);
    wxTEST_DIALOG(ClickMenu(frame, "File", "Exit"), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    lwtest::PumpPending();
    EXPECT_EQ(strip->GetCount(), 1);
}

TEST_F(Document, OpenProjectCancelledAtThePromptChangesNothing) {
    AddFrames(2);
    wxTEST_DIALOG(ClickMenu(frame, "File", "Open Project..."),
                  wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_EQ(strip->GetCount(), 2);
    wxTEST_DIALOG(ClickMenu(frame, "File", "Open Project..."), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(strip->GetCount(), 2) << "the project was not saved, so nothing was replaced";
    // No, then the file dialog cancelled: the frames are still there.
    wxTEST_DIALOG(ClickMenu(frame, "File", "Open Project..."), wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_EQ(strip->GetCount(), 2);
}

}  // namespace

namespace {

std::vector<int> FrameDelays(MainWindow* frame) {
    std::vector<int> delays;
    for (const DocumentFrame& f : frame->GetDocument().Frames()) delays.push_back(f.delay);
    return delays;
}

// The timing tools through the window's menus: each one step to undo, the
// animation's length kept where frames go, as another reader plays the GIF.
TEST_F(Document, TimingToolsChangeDelaysAndFramesAsOneEditEach) {
    const wxColour colours[10] = {*wxRED, *wxGREEN, *wxBLUE, *wxBLUE, *wxBLUE,
                                  *wxRED, *wxGREEN, *wxBLACK, *wxWHITE, *wxCYAN};
    for (int i = 0; i < 10; ++i)
        lwtest::AppendFrame(frame, wxSize(20, 20), wxString::Format("t%d.png", i), colours[i]);
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Reduce Frames..."), lwtest::ExpectReduce(2, true));
    EXPECT_EQ(FrameDelays(frame), std::vector<int>(5, 20));
    const std::string dir = lwtest::MakeTempDir("timing");
    lwtest::PromptsOf(frame).files.push_back(dir + "/reduced.gif");
    ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    const char* total = "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1]); t = 0\n"
                        "for i in range(im.n_frames):\n    im.seek(i); t += im.info['duration']\nprint(im.n_frames, t)\n";
    EXPECT_EQ(lwtest::RunProcess({"/usr/bin/python3", "-c", total, dir + "/reduced.gif"}).out, "5 1000\n");
    ClickMenu(frame, "Edit", "Undo Reduce Frames");
    ASSERT_EQ(frame->GetDocument().FrameCount(), 10u);

    // Frames 3 to 5 are the same: found on the worker, frame 3 keeps their time.
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Remove Duplicates..."), lwtest::ExpectDuplicates(0));
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsSearchingDuplicates(); }));
    EXPECT_EQ(FrameDelays(frame), (std::vector<int>{10, 10, 30, 10, 10, 10, 10, 10}));
    ClickMenu(frame, "Edit", "Undo Remove Duplicates");
    EXPECT_EQ(FrameDelays(frame), std::vector<int>(10, 10));

    // Two frames selected: they alone change speed; forth and back needs three.
    strip->SelectOnly({0, 1}, 1);
    frame->Edit(std::make_unique<SetDelaysCommand>(frame->GetDocument(), std::vector<size_t>{0, 1},
                                                   std::vector<int>{3, 20}, "Frame Delay"));
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Change Speed..."), lwtest::ExpectSpeed(200));
    EXPECT_EQ(FrameDelays(frame)[0], 2);
    EXPECT_EQ(FrameDelays(frame)[1], 10);
    EXPECT_EQ(FrameDelays(frame)[2], 10);
    strip->SelectOnly({0, 1, 2}, 2);
    ClickMenu(frame, "Frame", "Play Forth and Back");
    EXPECT_EQ(frame->GetDocument().FrameCount(), 11u);
    EXPECT_EQ(frame->GetDocument().Frame(3).picture, frame->GetDocument().Frame(1).picture);
    // Trim keeps the selection alone, after asking.
    strip->SelectOnly({0, 1}, 1);
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Trim"), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(frame->GetDocument().FrameCount(), 2u);
}

TEST_F(Document, AFocusedFieldKeepsItsEditingKeysAndTabReachesTheStrip) {
    AddFrames(3);
    wxSpinCtrl* delay = Spin("m_spinctrl_delay");
    delay->SetFocus();
    ASSERT_TRUE(lwtest::PumpUntil([&] { return wxWindow::FindFocus() == delay; }));
    wxUIActionSimulator keys;
    keys.Char('a', wxMOD_CONTROL);  // the field's text, not every frame
    keys.Text("20");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return delay->GetValue() == 20; })) << delay->GetValue();
    EXPECT_TRUE(strip->GetSelectedIndices().empty());
    // Shortcuts that mean nothing in a field still run their command.
    keys.Char('j', wxMOD_CONTROL);  // Duplicate: nothing selected, so nothing to do
    keys.Char('p', wxMOD_CONTROL);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return frame->GetPreview().IsPlaying(); }));
    keys.Char('p', wxMOD_CONTROL);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->GetPreview().IsPlaying(); }));
    // Tab goes round the fields to the strip, which then starts at its first frame.
    for (int i = 0; i < 12 && wxWindow::FindFocus() != strip; ++i) {
        keys.Char(WXK_TAB);
        lwtest::PumpPending();
    }
    ASSERT_EQ(wxWindow::FindFocus(), strip);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return strip->GetSelectedIndices().size() == 1; }));
    EXPECT_TRUE(strip->IsSelected(0));
    // A delay the GIF cannot hold is said so, not silently changed.
    wxCommandEvent typed(wxEVT_TEXT, delay->GetId());
    typed.SetEventObject(delay);
    typed.SetString("70000");
    delay->SetValue(65535);
    delay->ProcessWindowEvent(typed);
    EXPECT_TRUE(Status(2).Contains("65535")) << Status(2);
}

}  // namespace
