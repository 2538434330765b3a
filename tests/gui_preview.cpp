// The animation preview: placement, play and stop, loop counts, the timer.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/test_support.h"
#include "window/loopcountdialog.h"
#include "window/thumbnailctrl.h"

#include <wx/panel.h>
#include <wx/splitter.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/xrc/xmlres.h>

#include <set>

namespace {

using lwtest::ClickMenu;

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
        strip = frame->GetThumbnailCtrl();
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }
    void AddFrames(int count) {
        for (int i = 0; i < count; ++i)
            lwtest::AppendFrame(frame, wxSize(20 + i, 10), wxString::Format("p%d.png", i));
    }
    // One tick of the preview timer, as the timer delivers it.
    wxString Tick() {
        wxTimerEvent tick(const_cast<wxTimer&>(frame->GetPreview().GetTimer()));
        frame->GetPreview().OnTimer(tick);
        return frame->GetStatusBar()->GetStatusText(1).BeforeFirst(' ');
    }
    wxString RunItemText() {
        wxMenuBar* bar = frame->GetMenuBar();
        return bar->GetMenu(bar->FindMenu("Animation"))->GetMenuItems()[0]->GetItemLabel();
    }
    wxPanel* Panel() { return wxStaticCast(frame->FindWindow(XRCID("m_panel_down")), wxPanel); }
    wxString Shown() { return frame->GetStatusBar()->GetStatusText(1).BeforeFirst(' '); }
    void SetDelay(int delay) { lwtest::TypeInto(frame->FindWindow(XRCID("m_spinctrl_delay")), delay); }

    MainWindow* frame = nullptr;
    wxThumbnailCtrl* strip = nullptr;
};

TEST_F(Preview, PicturesAreFittedWholeAndCentred) {
    lwtest::AppendFrame(frame, wxSize(400, 300), "big.png");
    lwtest::AppendFrame(frame, wxSize(50, 40), "small.png");
    Panel()->SetSize(200, 300);
    frame->GetPreview().ShowFrame(0);
    EXPECT_EQ(frame->GetPreview().GetRect(), wxRect(0, 75, 200, 150));
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1), "big.png Width:400px,Height:300 px");
    // Every frame is shown as the GIF shows it: on the canvas, a smaller
    // picture centred on it.
    frame->GetPreview().ShowFrame(1);
    EXPECT_EQ(frame->GetPreview().GetRect(), wxRect(0, 75, 200, 150));
}

TEST_F(Preview, TheShownPictureIsPaintedIntoThePanel) {
    lwtest::AppendFrame(frame, wxSize(60, 40), "red.png", *wxRED);
    frame->GetPreview().ShowFrame(0);
    const wxRect where = frame->GetPreview().GetRect();
    ASSERT_FALSE(where.IsEmpty());
    // What a user sees: grab the screen where the panel shows the picture.
    ASSERT_TRUE(lwtest::PumpUntil([&] { return Panel()->IsShownOnScreen(); }));
    Panel()->Update();
    lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    const wxPoint centre = Panel()->ClientToScreen(where.GetPosition() + wxPoint(30, 20));
    const auto shot = lwtest::RunProcess(
        {"/usr/bin/import", "-window", "root", "-crop",
         wxString::Format("1x1+%d+%d", centre.x, centre.y).ToStdString(), "-depth", "8", "rgb:-"});
    ASSERT_EQ(shot.exitCode, 0) << shot.err;
    ASSERT_EQ(shot.out.size(), 3u);
    EXPECT_EQ(static_cast<unsigned char>(shot.out[0]), 255);
    EXPECT_EQ(static_cast<unsigned char>(shot.out[1]), 0);
}

TEST_F(Preview, ArrowKeysMoveThePreviewAndShortcutsWorkFromTheDelayField) {
    AddFrames(3);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return strip->IsShownOnScreen(); }));
    strip->SelectOnly({0}, 0);
    strip->SetFocus();
    wxUIActionSimulator sim;
    sim.Char(WXK_RIGHT, wxMOD_SHIFT);
    EXPECT_TRUE(lwtest::PumpUntil([&] { return Shown() == "p1.png"; })) << Shown();
    frame->FindWindow(XRCID("m_spinctrl_delay"))->SetFocus();
    for (const int stopKey : {'P', 'T'}) {
        sim.Char('P', wxMOD_CONTROL);
        EXPECT_TRUE(lwtest::PumpUntil([&] { return frame->GetPreview().IsPlaying(); }));
        sim.Char(stopKey, wxMOD_CONTROL);
        EXPECT_TRUE(lwtest::PumpUntil([&] { return !frame->GetPreview().IsPlaying(); })) << char(stopKey);
    }
    sim.Char(WXK_INSERT, wxMOD_CONTROL);  // Add Image, cancelled
    EXPECT_TRUE(lwtest::PumpUntil([&] { return !lwtest::PromptsOf(frame).messages.empty(); }));
    // New frames come into view.
    for (int i = 0; i < 60; ++i) lwtest::AppendPicture(frame, wxImage(20, 10), "/nowhere/q.png");
    wxRect last;
    ASSERT_TRUE(strip->GetItemRect(strip->GetCount() - 1, last));
    EXPECT_TRUE(wxRect(strip->GetClientSize()).Contains(last)) << last.y;
}

TEST_F(Preview, PlayingWithALoopCountStopsAfterItsPasses) {
    AddFrames(3);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(2));
    ClickMenu(frame, "Animation", "Run animation");
    ASSERT_TRUE(frame->GetPreview().IsPlaying());
    EXPECT_EQ(RunItemText(), "Stop animation\tCtrl+T");
    std::vector<wxString> shown;
    for (int i = 0; i < 6 && frame->GetPreview().IsPlaying(); ++i) shown.push_back(Tick());
    EXPECT_EQ(shown, (std::vector<wxString>{"p0.png", "p1.png", "p2.png", "p0.png", "p1.png",
                                             "p2.png"}));
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_FALSE(frame->GetPreview().GetTimer().IsRunning());
    EXPECT_EQ(RunItemText(), "Run animation\tCtrl+P");
    EXPECT_EQ(frame->GetPreview().GetLoopsPlayed(), 0);
}

TEST_F(Preview, StoppingByHandKeepsThePassesPlayed) {
    AddFrames(3);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(3));
    ASSERT_EQ(frame->GetLoopCount(), 3);
    ClickMenu(frame, "Animation", "Run animation");
    for (int i = 0; i < 4; ++i) Tick();
    ClickMenu(frame, "Animation", "Stop animation");
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_EQ(frame->GetPreview().GetLoopsPlayed(), 1);
    EXPECT_EQ(frame->GetPreview().GetNextFrame(), 0);
    // Two more passes end it.
    ClickMenu(frame, "Animation", "Run animation");
    int ticks = 0;
    while (frame->GetPreview().IsPlaying() && ticks < 20) {
        Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 6);
}

TEST_F(Preview, TheIntervalIsTheDelay) {
    AddFrames(1);
    SetDelay(5);
    ClickMenu(frame, "Animation", "Run animation");
    EXPECT_EQ(frame->GetPreview().GetTimer().GetInterval(), 50);
    ClickMenu(frame, "Animation", "Stop animation");
    // A zero delay plays as viewers play it: a tenth of a second.
    SetDelay(0);
    ClickMenu(frame, "Animation", "Run animation");
    EXPECT_EQ(frame->GetPreview().GetTimer().GetInterval(), 100);
}

TEST_F(Preview, NothingPlaysWithoutFrames) {
    wxCommandEvent run(wxEVT_MENU, XRCID("m_tool_play"));
    frame->ProcessWindowEvent(run);
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_FALSE(frame->GetPreview().GetTimer().IsRunning());
}

TEST_F(Preview, TheToolPlaysAndStops) {
    AddFrames(2);
    wxCommandEvent tool(wxEVT_MENU, XRCID("m_tool_play"));
    frame->ProcessWindowEvent(tool);
    EXPECT_TRUE(frame->GetPreview().IsPlaying());
    frame->ProcessWindowEvent(tool);
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
}

TEST_F(Preview, TheRealTimerShowsEveryFrameInTurn) {
    AddFrames(3);
    SetDelay(1);
    ClickMenu(frame, "Animation", "Run animation");
    std::set<wxString> seen;
    EXPECT_TRUE(lwtest::PumpUntil([&] {
        seen.insert(frame->GetStatusBar()->GetStatusText(1).BeforeFirst(' '));
        return seen.count("p0.png") && seen.count("p1.png") && seen.count("p2.png");
    }));
    ClickMenu(frame, "Animation", "Stop animation");
}

TEST_F(Preview, ClickingAFrameStopsThePreviewAndShowsIt) {
    AddFrames(3);
    ClickMenu(frame, "Animation", "Run animation");
    wxThumbnailEvent click(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, strip->GetId());
    click.SetItemIndex(2);
    click.SetEventObject(strip);
    strip->GetEventHandler()->ProcessEvent(click);
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1).BeforeFirst(' '), "p2.png");
}

TEST_F(Preview, TheStripFollowsThePlayAndStopShowsTheSelectedFrame) {
    AddFrames(60);  // more rows than the strip shows
    strip->Select(1);
    frame->GetPreview().ShowFrame(1);
    ClickMenu(frame, "Animation", "Run animation");
    wxString shown;
    for (int i = 0; i < 59; ++i) shown = Tick();
    ASSERT_EQ(shown, "p58.png");
    wxRect cell;
    strip->GetItemRect(58, cell);  // in the strip's window, scrolled
    EXPECT_TRUE(wxRect(strip->GetClientSize()).Contains(cell)) << cell.y;
    ClickMenu(frame, "Animation", "Stop animation");
    EXPECT_EQ(frame->GetPreview().ShownIndex(), 1);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1).BeforeFirst(' '), "p1.png");
    // Deleted, the frame is named no more, also after the window is relabelled.
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Delete"), wxExpectModal<wxMessageDialog>(wxID_YES));
    frame->RelabelWindow();
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1), "");
}

TEST_F(Preview, CommandsThatChangeFramesStopThePreview) {
    AddFrames(2);
    ClickMenu(frame, "Animation", "Run animation");
    lwtest::TypeInto(frame->FindWindow(XRCID("m_spinctrl_delay")), 20);
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    ClickMenu(frame, "Animation", "Run animation");
    ClickMenu(frame, "Frame", "Clear All");
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_FALSE(frame->GetPreview().GetTimer().IsRunning());
}

TEST_F(Preview, MovingTheSashRedrawsTheSelectedFrame) {
    lwtest::AppendFrame(frame, wxSize(400, 300), "big.png");
    strip->Select(0);
    Panel()->SetSize(100, 300);
    wxSplitterEvent moved(wxEVT_SPLITTER_SASH_POS_CHANGED,
                          wxStaticCast(frame->FindWindow(XRCID("m_splitter3")), wxSplitterWindow));
    frame->OnChangeSplitterWindow(moved);
    EXPECT_EQ(frame->GetPreview().GetRect().GetSize(), wxSize(100, 75));
}

}  // namespace
