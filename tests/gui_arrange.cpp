// Rearranging frames in the real window: keys, menus and a mouse drag, each
// undoable, checked in the GIF that is saved afterwards.
#include "support/dialog_answers.h"
#include "support/gif_decode.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/thumbnailctrl.h"

#include <wx/dnd.h>
#include <wx/uiaction.h>

namespace {

using lwtest::ClickMenu;

class Arrange : public ::testing::Test {
protected:
    void SetUp() override {
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
        strip = frame->GetThumbnailCtrl();
        const wxColour colours[] = {*wxRED, *wxGREEN, *wxBLUE, *wxYELLOW};
        for (int i = 0; i < 4; ++i)
            lwtest::AppendFrame(frame, wxSize(8, 8), wxString(char('A' + i)) + ".png", colours[i]);
        ASSERT_TRUE(lwtest::PumpUntil([&] { return strip->IsShownOnScreen(); }));
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }
    // The frames by their file's letter.
    std::string Order() {
        std::string letters;
        for (const wxString& path : lwtest::FramePaths(frame)) letters += path.AfterLast('/')[0];
        return letters;
    }
    wxPoint Centre(int n) {
        wxRect r;
        strip->GetItemRectImage(n, r);
        return strip->ClientToScreen(r.GetPosition() + wxPoint(r.width / 2, r.height / 2));
    }
    MainWindow* frame = nullptr;
    wxThumbnailCtrl* strip = nullptr;
    wxUIActionSimulator sim;
};

TEST_F(Arrange, KeysAndMenusMoveDuplicateAndReverseUndoably) {
    strip->Select(1);
    strip->Select(2);
    strip->SetFocus();
    sim.Char(WXK_RIGHT, wxMOD_CONTROL);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return Order() == "ADBC"; })) << Order();
    EXPECT_EQ(strip->GetSelectedIndices().size(), 2u);
    EXPECT_TRUE(strip->IsSelected(2) && strip->IsSelected(3));
    // The GIF as written: red, yellow, green, blue.
    lwtest::PromptsOf(frame).files.push_back(lwtest::MakeTempDir("arrange") + "/moved.gif");
    ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    const lwtest::DecodedGif gif = lwtest::DecodeGif(lwtest::ReadFile(frame->GetDocument().GifPath().ToStdString()));
    ASSERT_EQ(gif.frames.size(), 4u);
    const wxColour expected[] = {*wxRED, *wxYELLOW, *wxGREEN, *wxBLUE};
    for (size_t i = 0; i < 4; ++i) {
        // Every pixel changes from frame to frame, so each frame is whole.
        const lwtest::GifColour c = gif.frames[i].pixels.at(4 * 8 + 4);
        EXPECT_EQ(wxColour(c.r, c.g, c.b), expected[i]) << i;
    }

    ClickMenu(frame, "Edit", "Undo Move Right");
    EXPECT_EQ(Order(), "ABCD");
    strip->SelectOnly({3}, 3);
    ClickMenu(frame, "Frame", "Duplicate");
    EXPECT_EQ(Order(), "ABCDD");
    ClickMenu(frame, "Frame", "Reverse Order");
    EXPECT_EQ(Order(), "DDCBA");
    // The first frame cannot go further left: nothing happens, nothing to undo.
    strip->SelectOnly({0}, 0);
    ClickMenu(frame, "Frame", "Move Left");
    EXPECT_EQ(Order(), "DDCBA");
    EXPECT_NE(lwtest::FindMenuItem(frame, "Edit", "Undo Reverse Order"), nullptr);
}

TEST_F(Arrange, DraggingAFrameWithTheMouseDropsItWhereTheMarkShows) {
    sim.MouseMove(Centre(1));
    sim.MouseDown();
    wxYield();
    // Across C and D to the right half of D: behind it.
    for (int step = 1; step < 10; ++step) {
        sim.MouseMove(Centre(1) + (Centre(3) - Centre(1)) * step / 10);
        wxYield();
    }
    // As a user would, the pointer moves on within D's right half until the mark shows.
    int nudge = 0;
    ASSERT_TRUE(lwtest::PumpUntil([&] {
        sim.MouseMove(Centre(3) + wxPoint(16 + nudge++ % 4, 0));
        return strip->GetDropPosition() == 4;
    })) << "mark at " << strip->GetDropPosition();
    sim.MouseUp();
    ASSERT_TRUE(lwtest::PumpUntil([&] { return Order() == "ACDB"; })) << Order();
    EXPECT_TRUE(strip->IsSelected(3));
    // Escape in the middle of a drag cancels it.
    sim.MouseMove(Centre(0));
    sim.MouseDown();
    wxYield();
    for (int step = 1; step <= 5; ++step) {
        sim.MouseMove(Centre(0) + (Centre(2) - Centre(0)) * step / 5);
        wxYield();
    }
    ASSERT_TRUE(lwtest::PumpUntil([&] { return strip->IsDragging(); }));
    sim.Char(WXK_ESCAPE);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !strip->IsDragging(); }));
    sim.MouseUp();
    lwtest::PumpPending();
    EXPECT_EQ(Order(), "ACDB");
}

TEST_F(Arrange, FilesDroppedBetweenTwoFramesLandThereAndTheRestIsNamed) {
    const std::string dir = lwtest::MakeTempDir("drop");
    lwtest::WritePicture(dir + "/P.png", 8, 8, *wxCYAN);
    lwtest::WritePicture(dir + "/Q.png", 8, 8, *wxWHITE);
    lwtest::WriteFile(dir + "/notes.png", "just text");
    wxArrayString files;
    for (const char* name : {"/P.png", "/notes.png", "/Q.png"}) files.Add(dir + name);
    // On the left half of B: between A and B.
    wxRect b;
    strip->GetItemRectImage(1, b);
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(
        {
            auto* target = static_cast<wxFileDropTarget*>(strip->GetDropTarget());
            ASSERT_TRUE(target->OnDropFiles(b.x + 2, b.y + b.height / 2, files));
            ASSERT_TRUE(lwtest::PumpUntil([&] { return Order() == "APQBCD"; })) << Order();
            lwtest::PumpPending();
        },
        lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_NE(shown.message.find("notes.png"), wxString::npos) << shown.message;
    ClickMenu(frame, "Edit", "Undo Insert Image");
    EXPECT_EQ(Order(), "ABCD");
}

}  // namespace
