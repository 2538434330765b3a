// The thumbnail strip inside the main window: where it sits, its colours, how
// its notifications reach the window, and that it leaves with the window.
// With LW_SCREENSHOT=<file.png> the strip with a few dozen frames is saved as
// a screenshot for a person to look at.
#include "support/main_window.h"
#include "support/strip_helpers.h"

#include "base/folders.h"
#include "window/mainwindow.h"

#include <wx/xrc/xmlres.h>

#include <cstdlib>

using namespace lwtest;

namespace {

// An item that tells when it is deleted.
class WatchedItem : public LoggingItem {
public:
    WatchedItem(int* deletions, const wxString& path) : LoggingItem(nullptr, path), m_deletions(deletions) {}
    ~WatchedItem() override { ++*m_deletions; }

private:
    int* m_deletions;
};

class MainWindowStrip : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame = lwtest::OpenMainWindow();
        ASSERT_NE(m_frame, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return m_frame->IsShownOnScreen(); }));
        m_panel = wxStaticCast(m_frame->FindWindow(XRCID("m_panel_top")), wxPanel);
        ASSERT_NE(m_panel, nullptr);
        for (wxWindow* child : m_panel->GetChildren())
            if (auto* strip = wxDynamicCast(child, wxThumbnailCtrl)) m_strip = strip;
        ASSERT_NE(m_strip, nullptr);
    }
    void TearDown() override {
        if (m_frame) m_frame->Destroy();
        PumpPending();
    }

    MainWindow* m_frame = nullptr;
    wxPanel* m_panel = nullptr;
    wxThumbnailCtrl* m_strip = nullptr;
};

TEST_F(MainWindowStrip, FillsTheUpperPanelInItsColour) {
    EXPECT_EQ(m_strip->GetId(), 3);
    EXPECT_EQ(m_strip->GetBackgroundColour(), wxColour(176, 223, 227));
    EXPECT_EQ(m_strip->GetCount(), 0);
    ASSERT_NE(m_panel->GetSizer(), nullptr);
    wxSizerItem* entry = m_panel->GetSizer()->GetItem(m_strip);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetProportion(), 1);
    EXPECT_TRUE(entry->GetFlag() & wxEXPAND);
    EXPECT_EQ(entry->GetBorder(), 0);
    ASSERT_TRUE(PumpUntil([&] { return m_strip->GetSize() == m_panel->GetClientSize(); },
                          std::chrono::seconds(3)));
}

TEST_F(MainWindowStrip, TheWindowHandlesLeftAndRightClicks) {
    // The window's table takes the two clicks from id 3; nothing takes the rest.
    auto handled = [&](wxEventType type) {
        wxThumbnailEvent event(type, m_strip->GetId());
        event.SetEventObject(m_strip);
        event.SetItemIndex(0);
        return m_strip->GetEventHandler()->ProcessEvent(event);
    };
    EXPECT_TRUE(handled(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK));
    EXPECT_TRUE(handled(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK));
    EXPECT_FALSE(handled(wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK));
    EXPECT_FALSE(handled(wxEVT_COMMAND_THUMBNAIL_RETURN));
}

TEST_F(MainWindowStrip, FramesLeaveWithTheWindow) {
    int deletions = 0;
    for (int i = 0; i < 5; ++i) m_strip->Append(new WatchedItem(&deletions, "f.png"), 10);
    ASSERT_EQ(m_strip->GetCount(), 5);
    m_frame->Destroy();
    m_frame = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return deletions == 5; }));
}

// A picture with a colour of its own and a diagonal, so thumbnails differ.
wxImage Picture(int i) {
    const int w = 60 + (i * 37) % 140, h = 40 + (i * 53) % 120;
    wxImage image = SolidImage(w, h, wxColour((i * 70) % 256, (i * 130 + 60) % 256, (i * 30 + 120) % 256));
    for (int x = 0; x < w; ++x) image.SetRGB(x, x * h / w, 255, 255, 255);
    return image;
}

TEST_F(MainWindowStrip, ScreenshotWithFrames) {
    const char* target = std::getenv("LW_SCREENSHOT");
    if (!target || !*target) GTEST_SKIP() << "set LW_SCREENSHOT=<file.png> to take it";
    const std::string dir = MakeTempDir("pictures");
    for (int i = 0; i < 36; ++i) {
        const std::string name = i % 5 == 4 ? "anim.gif" : "picture" + std::to_string(i) + ".png";
        const std::string path = dir + "/" + name;
        if (!FileExists(path)) WriteFile(path, "x");
        auto* item = new wxImageThumbnailItem(new wxImage(Picture(i)), i % 5 == 4 ? i / 5 : 0,
                                              wxString::FromUTF8(path));
        ASSERT_GE(m_strip->Append(item, 8), 0);
    }
    m_strip->SelectWithModifiers(2, 0);
    m_strip->SelectWithModifiers(5, THUMB_MOD_SHIFT);
    m_strip->SelectWithModifiers(9, THUMB_MOD_CTRL);
    m_strip->SetFocus();
    PumpUntil([&] { return wxWindow::FindFocus() == m_strip; }, std::chrono::seconds(2));
    PumpUntil([] { return false; }, std::chrono::milliseconds(500));
    const wxPoint origin = m_frame->GetScreenPosition();
    const wxSize size = m_frame->GetSize();
    const ProcessResult r = RunProcess(
        {"/usr/bin/import", "-window", "root", "-crop",
         wxString::Format("%dx%d+%d+%d", size.x, size.y, origin.x, origin.y).ToStdString(),
         "+repage", target});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

}  // namespace
