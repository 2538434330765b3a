// The thumbnail strip in a real window: layout, scrolling, item list,
// selection rules, mouse and keyboard input, notifications and painting.
#include "support/strip_helpers.h"

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/uiaction.h>

#include <set>

using namespace lwtest;

// Colours print as their values when an expectation fails.
void PrintTo(const wxColour& c, std::ostream* os) { *os << c.GetAsString(wxC2S_CSS_SYNTAX); }

namespace {

constexpr int kStride = 89;  // spacing + item width

class Strip : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "strip", wxPoint(10, 10), wxSize(1000, 900));
        m_panel = new wxPanel(m_frame);
        m_strip = new wxThumbnailCtrl(m_panel, wxPoint(0, 0), wxSize(400, 400));
        m_strip->SetBackgroundColour(wxColour(176, 223, 227));
        m_other = new wxButton(m_panel, wxID_ANY, "other", wxPoint(900, 10));
        m_events = std::make_unique<EventRecorder>(m_panel);
        m_frame->Show();
        m_frame->Raise();
        ASSERT_TRUE(PumpUntil([&] { return m_strip->IsShownOnScreen(); }));
    }
    void TearDown() override {
        m_events.reset();
        m_frame->Destroy();
        PumpPending();
    }

    void SetClient(int w, int h) {
        m_strip->SetClientSize(w, h);
        PumpUntil([&] { return m_strip->GetClientSize() == wxSize(w, h); },
                  std::chrono::seconds(2));
    }
    void AddItems(int n, int delay = 10) {
        for (int i = 0; i < n; ++i) m_strip->Append(new LoggingItem(&m_paints), delay);
    }
    int Columns() const { return m_strip->GetGeometry().Columns(m_strip->GetClientSize().x); }
    std::vector<int> Selection() const {
        const wxArrayInt& s = m_strip->GetSelectedIndices();
        return std::vector<int>(s.begin(), s.end());
    }
    // A point inside item n's image box, in client coordinates.
    wxPoint PointIn(int n) const {
        wxRect r;
        m_strip->GetItemRectImage(n, r);
        return r.GetPosition() + wxPoint(r.width / 2, r.height / 2);
    }
    void Mouse(wxEventType type, const wxPoint& pt, int flags = 0) {
        wxMouseEvent e(type);
        e.SetPosition(pt);
        e.SetShiftDown(flags & THUMB_MOD_SHIFT);
        e.SetControlDown(flags & THUMB_MOD_CTRL);
        e.SetAltDown(flags & THUMB_MOD_ALT);
        e.SetEventObject(m_strip);
        e.SetId(m_strip->GetId());
        m_strip->GetEventHandler()->ProcessEvent(e);
    }
    void Key(int key, int flags = 0) {
        wxKeyEvent e(wxEVT_CHAR);
        e.m_keyCode = key;
        e.SetShiftDown(flags & THUMB_MOD_SHIFT);
        e.SetControlDown(flags & THUMB_MOD_CTRL);
        e.SetEventObject(m_strip);
        m_strip->GetEventHandler()->ProcessEvent(e);
    }
    // Runs the loop until no cell has been painted for a while.
    void Settle() {
        size_t seen = m_paints.cells.size();
        auto quietSince = std::chrono::steady_clock::now();
        PumpUntil(
            [&] {
                if (m_paints.cells.size() != seen) {
                    seen = m_paints.cells.size();
                    quietSince = std::chrono::steady_clock::now();
                }
                return std::chrono::steady_clock::now() - quietSince >
                       std::chrono::milliseconds(150);
            },
            std::chrono::seconds(5));
    }
    bool FocusStrip() {
        m_strip->SetFocus();
        return PumpUntil([&] { return wxWindow::FindFocus() == m_strip; },
                         std::chrono::seconds(3));
    }
    // What the screen shows of the strip's client area, read back from the
    // X server by a program of its own.
    wxImage Grab() {
        Settle();
        const wxSize size = m_strip->GetClientSize();
        const wxPoint origin = m_strip->ClientToScreen(wxPoint(0, 0));
        const std::string file = MakeTempDir("shot") + "/strip.png";
        const ProcessResult r = RunProcess(
            {"/usr/bin/import", "-window", "root", "-crop",
             wxString::Format("%dx%d+%d+%d", size.x, size.y, origin.x, origin.y).ToStdString(),
             "+repage", file});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        wxImage image;
        {
            wxLogNull quiet;
            image.LoadFile(wxString::FromUTF8(file), wxBITMAP_TYPE_PNG);
        }
        EXPECT_TRUE(image.IsOk());
        return image;
    }

    wxFrame* m_frame = nullptr;
    wxPanel* m_panel = nullptr;
    wxThumbnailCtrl* m_strip = nullptr;
    wxButton* m_other = nullptr;
    std::unique_ptr<EventRecorder> m_events;
    PaintLog m_paints;
};

wxColour PixelAt(const wxImage& image, const wxPoint& p) {
    return wxColour(image.GetRed(p.x, p.y), image.GetGreen(p.x, p.y), image.GetBlue(p.x, p.y));
}

// --- construction and layout ----------------------------------------------------

TEST_F(Strip, StartsEmptyWithItsFixedSettings) {
    EXPECT_EQ(m_strip->GetId(), 3);
    EXPECT_STREQ(m_strip->GetClassInfo()->GetClassName(), L"wxThumbnailCtrl");
    EXPECT_TRUE(m_strip->HasFlag(THUMB_STYLE_MULTI_SELECT));
    EXPECT_TRUE(m_strip->HasFlag(THUMB_STYLE_SHOW_FILENAME));
    EXPECT_TRUE(m_strip->HasFlag(THUMB_STYLE_SHOW_LABEL));
    EXPECT_TRUE(m_strip->HasFlag(0x40));
    EXPECT_EQ(m_strip->GetCount(), 0);
    EXPECT_EQ(m_strip->GetFrameDelay(), 0);
    EXPECT_EQ(m_strip->GetFocusItem(), -1);
    EXPECT_EQ(m_strip->GetAnchorItem(), -1);
    EXPECT_EQ(m_strip->GetLastSelectedItem(), -1);
    EXPECT_EQ(m_strip->GetThumbnailImageSize(), wxSize(80, 80));
    EXPECT_EQ(m_strip->GetItemSpacing(), 3);
    EXPECT_EQ(m_strip->GetItemMargin(), 3);
    int w = 0, h = 0;
    m_strip->GetTextExtent("X", &w, &h);
    EXPECT_EQ(m_strip->GetThumbnailTextHeight(), h);
    EXPECT_EQ(m_strip->GetItemSize(), wxSize(86, 92 + 2 * h));
    EXPECT_EQ(m_strip->GetSelectedFocusedColour(), wxColour(140, 140, 140));
    EXPECT_EQ(m_strip->GetSelectedUnfocusedColour(), wxColour(175, 175, 175));
    EXPECT_EQ(m_strip->GetUnselectedColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    EXPECT_EQ(m_strip->GetFocusMarkColour(), wxColour(100, 80, 80));
    EXPECT_EQ(m_strip->GetLabelColour(), wxColour(0, 0, 200));
    // No scroll bars while empty.
    int ppuX = -1, ppuY = -1;
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    EXPECT_EQ(ppuX, 0);
    EXPECT_EQ(ppuY, 0);
}

TEST_F(Strip, CellsWrapAtTheClientWidth) {
    SetClient(3 * kStride + 2, 600);
    AddItems(10);
    ASSERT_EQ(Columns(), 3);
    int row = -1, col = -1;
    ASSERT_TRUE(m_strip->GetRowCol(7, m_strip->GetClientSize(), row, col));
    EXPECT_EQ(row, 2);
    EXPECT_EQ(col, 1);
    const int h = m_strip->GetItemSize().y;
    const int t = m_strip->GetThumbnailTextHeight();
    wxRect cell, image;
    ASSERT_TRUE(m_strip->GetItemRect(7, cell));
    EXPECT_EQ(cell, wxRect(3 + kStride, 3 + 2 * (3 + h), 86, h));
    ASSERT_TRUE(m_strip->GetItemRectImage(7, image));
    EXPECT_EQ(image, wxRect(cell.x + 3, cell.y + 6 + t, 80, 80));

    // Narrower than one cell: one column.
    SetClient(60, 600);
    ASSERT_TRUE(m_strip->GetRowCol(1, m_strip->GetClientSize(), row, col));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(col, 0);
    // GetRowCol answers for any client size.
    ASSERT_TRUE(m_strip->GetRowCol(9, wxSize(5 * kStride, 10), row, col));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(col, 4);
}

TEST_F(Strip, ScrollRangeCoversTheLastRowAndFollowsRemovals) {
    AddItems(40);  // 14 rows of 3
    SetClient(3 * kStride + 2, 300);
    PumpPending();
    const int itemH = m_strip->GetItemSize().y;
    const int virtualH = 3 + (3 + itemH) * 14;
    int ppuX = -1, ppuY = -1;
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    EXPECT_EQ(ppuX, 0);
    EXPECT_EQ(ppuY, 10);
    const int scrollable = m_strip->GetVirtualSize().y;
    EXPECT_GE(scrollable, virtualH);
    EXPECT_LT(scrollable, virtualH + 10);
    EXPECT_EQ(scrollable % 10, 0);

    // At the bottom the last cell is entirely in view.
    m_strip->Scroll(0, 10000);
    PumpPending();
    wxRect last;
    ASSERT_TRUE(m_strip->GetItemRect(39, last));
    EXPECT_LE(last.GetBottom(), m_strip->GetClientSize().y - 1);
    EXPECT_GT(m_strip->GetViewStart().y, 0);

    // Removing the last rows pulls the view up to the new bottom.
    for (int i = 39; i >= 9; --i) m_strip->RemoveItem(i);  // 9 items, 3 rows
    PumpPending();
    const int remainingH = 3 + (3 + itemH) * 3;
    const int highest = (std::max(0, remainingH - m_strip->GetClientSize().y) + 9) / 10;
    EXPECT_LE(m_strip->GetViewStart().y, highest);
    ASSERT_TRUE(m_strip->GetItemRect(8, last));
    EXPECT_LE(last.GetBottom(), m_strip->GetClientSize().y - 1);

    m_strip->RemoveAllItems();
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    EXPECT_EQ(ppuY, 0);
    EXPECT_EQ(m_strip->GetViewStart(), wxPoint(0, 0));
}

TEST_F(Strip, RectanglesAndHitsFollowTheScrollPosition) {
    AddItems(40);
    SetClient(3 * kStride + 2, 300);
    m_strip->Scroll(0, 25);  // 250 pixels down
    PumpPending();
    ASSERT_EQ(m_strip->GetViewStart().y, 25);
    wxRect logical, client;
    ASSERT_TRUE(m_strip->GetItemRect(6, logical, false));
    ASSERT_TRUE(m_strip->GetItemRect(6, client, true));
    EXPECT_EQ(client.x, logical.x);
    EXPECT_EQ(client.y, logical.y - 250);
    int n = -1;
    ASSERT_TRUE(m_strip->ItemAtPoint(client.GetPosition() + wxPoint(5, 5), n));
    EXPECT_EQ(n, 6);
    EXPECT_FALSE(m_strip->ItemAtPoint(wxPoint(3 * kStride + 1, 50), n));
}

TEST_F(Strip, WheelScrollsTheStrip) {
    AddItems(40);
    SetClient(3 * kStride + 2, 300);
    EXPECT_TRUE(m_strip->HasScrollbar(wxVERTICAL));
    wxUIActionSimulator sim;
    sim.MouseMove(m_strip->ClientToScreen(wxPoint(100, 100)));
    wxYield();
    const ProcessResult r =
        RunProcess({"/usr/bin/xdotool", "click", "--repeat", "3", "--delay", "30", "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(PumpUntil([&] { return m_strip->GetViewStart().y > 0; }, std::chrono::seconds(3)));
}

// --- item list --------------------------------------------------------------------

TEST_F(Strip, InsertingShiftsTheSelection) {
    AddItems(4);
    m_strip->Select(0);
    m_strip->Select(2);
    ASSERT_EQ(m_strip->InsertItem(new LoggingItem(&m_paints), 0), 0);
    EXPECT_EQ(Selection(), std::vector<int>({1, 3}));
    EXPECT_EQ(m_strip->GetFocusItem(), -1);
    EXPECT_EQ(m_strip->GetAnchorItem(), -1);
    EXPECT_EQ(m_strip->GetLastSelectedItem(), -1);
    EXPECT_EQ(m_strip->GetCount(), 5);
    EXPECT_EQ(m_strip->GetFrameDelay(), 10);  // inserting leaves the delay alone
    // At the end is fine, past it is not: the item stays with the caller.
    EXPECT_EQ(m_strip->InsertItem(new LoggingItem(&m_paints), 5), 5);
    auto* stray = new LoggingItem(&m_paints);
    {
        AssertCapture capture;
        EXPECT_EQ(m_strip->InsertItem(stray, 7), -1);
        EXPECT_EQ(m_strip->InsertItem(stray, -1), -1);
        EXPECT_EQ(AssertCapture::Log().size(), 2u);
    }
    delete stray;
    EXPECT_EQ(m_strip->GetCount(), 6);
}

TEST_F(Strip, RemovingShiftsTheSelectionAndDropsTheFocus) {
    AddItems(5);
    m_strip->Select(0);
    m_strip->Select(1);
    m_strip->Select(3);
    m_strip->SetFocusItem(1);
    m_strip->RemoveItem(1);
    EXPECT_EQ(Selection(), std::vector<int>({0, 2}));
    EXPECT_EQ(m_strip->GetFocusItem(), -1);
    EXPECT_EQ(m_strip->GetCount(), 4);
    // Items not concerned keep anchor and focus.
    m_strip->Select(3);
    m_strip->RemoveItem(0);
    EXPECT_EQ(m_strip->GetFocusItem(), 3);
    EXPECT_EQ(m_strip->GetAnchorItem(), 3);
    EXPECT_EQ(Selection(), std::vector<int>({1, 2}));
    m_strip->RemoveAllItems();
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(m_strip->GetFocusItem(), -1);
}

TEST_F(Strip, RefusedAppendStillSetsTheDelay) {
    AddItems(2, 10);
    auto* refused = new LoggingItem(&m_paints);
    refused->Refuse();
    EXPECT_EQ(m_strip->Append(refused, 25), -1);
    EXPECT_EQ(m_strip->GetCount(), 2);
    EXPECT_EQ(m_strip->GetFrameDelay(), 25);
    delete refused;  // still the caller's
    EXPECT_EQ(m_strip->Append(nullptr, 30), -1);
    EXPECT_EQ(m_strip->Append(new LoggingItem(&m_paints), 40), 2);
    EXPECT_EQ(m_strip->GetFrameDelay(), 40);
}

TEST_F(Strip, AppendResetsTheCursorItemsButKeepsTheSelection) {
    AddItems(3);
    m_strip->Select(1);
    m_strip->Append(new LoggingItem(&m_paints), 10);
    EXPECT_EQ(Selection(), std::vector<int>({1}));
    EXPECT_EQ(m_strip->GetFocusItem(), -1);
    EXPECT_EQ(m_strip->GetAnchorItem(), -1);
    EXPECT_EQ(m_strip->GetLastSelectedItem(), -1);
}

TEST_F(Strip, BadIndicesAssertWithTheirTextsAndFail) {
    AddItems(3);
    AssertCapture capture;
    wxRect r;
    int row = 0, col = 0;
    EXPECT_EQ(m_strip->GetItem(3), nullptr);
    EXPECT_FALSE(m_strip->GetItemRect(3, r));
    EXPECT_FALSE(m_strip->GetItemRectImage(3, r));
    EXPECT_FALSE(m_strip->GetRowCol(3, m_strip->GetClientSize(), row, col));
    m_strip->Select(3);
    m_strip->SetFocusItem(3);
    m_strip->RemoveItem(3);
    EXPECT_EQ(AssertCapture::Log(),
              std::vector<std::string>({
                  "wxThumbnailCtrl::GetItem|n < GetCount()|",
                  "wxThumbnailCtrl::GetItemRect|n < GetCount()|",
                  "wxThumbnailCtrl::GetItemRectImage|n < GetCount()|",
                  "wxThumbnailCtrl::GetRowCol|item < GetCount()|",
                  "wxThumbnailCtrl::Select|n < GetCount()|",
                  "wxThumbnailCtrl::SetFocusItem|item < GetCount()|",
                  "wxThumbnailItemArray::RemoveAt|uiIndex < size()|"
                  "bad index in wxThumbnailItemArray::RemoveAt()",
              }));
    EXPECT_NE(AssertCapture::LastFile().find("thumbnailctrl"), std::string::npos);
    // Nothing changed, and -1 is a valid "no focus".
    EXPECT_EQ(m_strip->GetCount(), 3);
    EXPECT_TRUE(Selection().empty());
    m_strip->SetFocusItem(-1);
    m_strip->RemoveItem(-1);
    EXPECT_EQ(AssertCapture::Log().size(), 8u);
    EXPECT_EQ(m_strip->GetCount(), 3);
}

TEST_F(Strip, SuspendedUpdatesNeitherPaintNorScroll) {
    SetClient(3 * kStride + 2, 300);
    Settle();
    m_paints.cells.clear();
    m_strip->SuspendUpdates();
    m_strip->SuspendUpdates();
    AddItems(30);
    m_strip->InsertItem(new LoggingItem(&m_paints), 0);
    m_strip->Refresh();
    Settle();
    EXPECT_TRUE(m_paints.cells.empty());
    int ppuX = -1, ppuY = -1;
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    EXPECT_EQ(ppuY, 0);
    m_strip->ResumeUpdates();
    Settle();
    EXPECT_TRUE(m_paints.cells.empty());  // still one level deep
    m_strip->ResumeUpdates();
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    EXPECT_EQ(ppuY, 10);
    ASSERT_TRUE(PumpUntil([&] { return !m_paints.cells.empty(); }));
    // An unbalanced resume changes nothing.
    m_strip->ResumeUpdates();
    EXPECT_FALSE(m_strip->UpdatesSuspended());
}

// --- selection rules ----------------------------------------------------------------

TEST_F(Strip, PlainSelectionReportsTheOldSelectionThenTheItem) {
    AddItems(10);
    m_strip->Select(2);
    m_strip->Select(5);
    m_strip->SelectWithModifiers(0, 0);
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Desel(2), Desel(5), Sel(0)}));
    EXPECT_EQ(Selection(), std::vector<int>({0}));
    EXPECT_EQ(m_strip->GetFocusItem(), 0);
    EXPECT_EQ(m_strip->GetAnchorItem(), 0);

    // The only selected item clicked again: reported once, as selected.
    m_events->events.clear();
    m_strip->SelectWithModifiers(0, 0);
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(0)}));
    // Alt alone is a plain selection too.
    m_events->events.clear();
    m_strip->SelectWithModifiers(4, THUMB_MOD_ALT);
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Desel(0), Sel(4)}));
}

TEST_F(Strip, ShiftExtendsFromTheAnchor) {
    AddItems(10);
    m_strip->SelectWithModifiers(3, 0);
    m_events->events.clear();
    m_strip->SelectWithModifiers(6, THUMB_MOD_SHIFT);
    EXPECT_EQ(Selection(), std::vector<int>({3, 4, 5, 6}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(3), Sel(4), Sel(5), Sel(6)}));
    EXPECT_EQ(m_strip->GetAnchorItem(), 3);
    EXPECT_EQ(m_strip->GetFocusItem(), 6);

    // Back past the anchor: the old range leaves without events.
    m_events->events.clear();
    m_strip->SelectWithModifiers(1, THUMB_MOD_SHIFT);
    EXPECT_EQ(Selection(), std::vector<int>({3, 2, 1}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(3), Sel(2), Sel(1)}));
    EXPECT_EQ(m_strip->GetAnchorItem(), 3);

    // Shift on the anchor itself selects just it.
    m_events->events.clear();
    m_strip->SelectWithModifiers(3, THUMB_MOD_SHIFT);
    EXPECT_EQ(Selection(), std::vector<int>({3}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(3)}));
}

TEST_F(Strip, ShiftWithoutAnchorSelectsOnlyTheItem) {
    AddItems(10);
    m_strip->SelectWithModifiers(4, THUMB_MOD_SHIFT);
    EXPECT_EQ(Selection(), std::vector<int>({4}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(4)}));
    EXPECT_EQ(m_strip->GetAnchorItem(), 4);
}

TEST_F(Strip, CtrlToggles) {
    AddItems(10);
    m_strip->SelectWithModifiers(2, 0);
    m_events->events.clear();
    m_strip->SelectWithModifiers(5, THUMB_MOD_CTRL);
    m_strip->SelectWithModifiers(2, THUMB_MOD_CTRL);
    m_strip->SelectWithModifiers(7, THUMB_MOD_CTRL | THUMB_MOD_SHIFT);  // Ctrl wins
    EXPECT_EQ(Selection(), std::vector<int>({5, 7}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Sel(5), Desel(2), Sel(7)}));
    // A deselected item still becomes focus and anchor.
    m_strip->SelectWithModifiers(5, THUMB_MOD_CTRL);
    EXPECT_EQ(m_strip->GetFocusItem(), 5);
    EXPECT_EQ(m_strip->GetAnchorItem(), 5);
    EXPECT_EQ(Selection(), std::vector<int>({7}));
}

TEST_F(Strip, SelectAllFromTheMenuCommand) {
    wxUpdateUIEvent ui(wxID_SELECTALL);
    ui.SetEventObject(m_strip);
    m_strip->GetEventHandler()->ProcessEvent(ui);
    EXPECT_FALSE(ui.GetEnabled());

    AddItems(6);
    m_strip->Select(4);
    wxUpdateUIEvent ui2(wxID_SELECTALL);
    m_strip->GetEventHandler()->ProcessEvent(ui2);
    EXPECT_TRUE(ui2.GetEnabled());
    wxCommandEvent command(wxEVT_MENU, wxID_SELECTALL);
    command.SetEventObject(m_strip);
    m_strip->GetEventHandler()->ProcessEvent(command);
    EXPECT_EQ(Selection(), std::vector<int>({4, 0, 1, 2, 3, 5}));
    EXPECT_EQ(m_strip->GetFocusItem(), 5);
    EXPECT_TRUE(m_events->events.empty());
    EXPECT_FALSE(m_strip->UpdatesSuspended());
}

// --- mouse ----------------------------------------------------------------------------

TEST_F(Strip, ClicksSelectThenReportTheClick) {
    SetClient(3 * kStride + 2, 600);
    AddItems(10);
    Mouse(wxEVT_LEFT_DOWN, PointIn(3));
    Mouse(wxEVT_LEFT_DOWN, PointIn(6), THUMB_MOD_SHIFT);
    Mouse(wxEVT_LEFT_DOWN, PointIn(4), THUMB_MOD_CTRL);
    EXPECT_EQ(m_events->events,
              std::vector<SeenEvent>({Sel(3), LeftClick(3), Sel(3), Sel(4), Sel(5), Sel(6),
                                      LeftClick(6, THUMB_MOD_SHIFT), Desel(4),
                                      LeftClick(4, THUMB_MOD_CTRL)}));
    EXPECT_EQ(Selection(), std::vector<int>({3, 5, 6}));
}

TEST_F(Strip, ClicksOutsideTheItemsDoNothing) {
    SetClient(3 * kStride + 30, 600);
    AddItems(10);
    m_strip->Select(1);
    Mouse(wxEVT_LEFT_DOWN, wxPoint(100, 4 * 130));     // below the last row
    Mouse(wxEVT_LEFT_DOWN, wxPoint(kStride + 20, 3 * (3 + m_strip->GetItemSize().y) + 20));
    Mouse(wxEVT_LEFT_DOWN, wxPoint(3 * kStride + 10, 20));  // right of the last column
    Mouse(wxEVT_RIGHT_DOWN, wxPoint(3 * kStride + 10, 20));
    Mouse(wxEVT_MIDDLE_DOWN, wxPoint(100, 4 * 130));
    Mouse(wxEVT_LEFT_DCLICK, wxPoint(100, 4 * 130));
    EXPECT_TRUE(m_events->events.empty());
    EXPECT_EQ(Selection(), std::vector<int>({1}));
    EXPECT_EQ(m_strip->GetFocusItem(), 1);
}

TEST_F(Strip, RightClickMovesOnlyTheFocusMark) {
    SetClient(3 * kStride + 2, 600);
    AddItems(10);
    m_strip->Select(2);
    Mouse(wxEVT_RIGHT_DOWN, PointIn(5), THUMB_MOD_ALT);
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>(
                                    {{wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, 5, THUMB_MOD_ALT, 3}}));
    EXPECT_EQ(Selection(), std::vector<int>({2}));
    EXPECT_EQ(m_strip->GetFocusItem(), 5);
    EXPECT_EQ(m_strip->GetAnchorItem(), 2);
    m_events->events.clear();
    Mouse(wxEVT_MIDDLE_DOWN, PointIn(7));
    Mouse(wxEVT_LEFT_DCLICK, PointIn(8), THUMB_MOD_SHIFT);
    EXPECT_EQ(m_events->events,
              std::vector<SeenEvent>({{wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, 7, 0, 3},
                                      {wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK, 8, THUMB_MOD_SHIFT, 3}}));
    EXPECT_EQ(Selection(), std::vector<int>({2}));
    EXPECT_EQ(m_strip->GetFocusItem(), 5);
}

TEST_F(Strip, LeftClickScrollsTheItemIntoView) {
    AddItems(30);
    SetClient(3 * kStride + 2, 300);
    wxRect r;
    ASSERT_TRUE(m_strip->GetItemRect(6, r));
    ASSERT_GT(r.GetBottom(), 299);  // partly below the view
    Mouse(wxEVT_LEFT_DOWN, wxPoint(r.x + 10, 290));
    ASSERT_TRUE(m_strip->GetItemRect(6, r));
    EXPECT_LE(r.GetBottom(), 299);
    EXPECT_GE(r.y, 0);
    EXPECT_EQ(Selection(), std::vector<int>({6}));
}

TEST_F(Strip, RealMouseInput) {
    SetClient(3 * kStride + 2, 600);
    AddItems(10);
    wxUIActionSimulator sim;
    auto click = [&](int item, int modifierKey, int button = wxMOUSE_BTN_LEFT) {
        const size_t before = m_events->events.size();
        sim.MouseMove(m_strip->ClientToScreen(PointIn(item)));
        wxYield();
        if (modifierKey) {
            sim.KeyDown(modifierKey);
            wxYield();
        }
        sim.MouseClick(button);
        wxYield();
        if (modifierKey) {
            sim.KeyUp(modifierKey);
            wxYield();
        }
        const wxEventType expected = button == wxMOUSE_BTN_LEFT ? wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK
                                     : button == wxMOUSE_BTN_RIGHT
                                         ? wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK
                                         : wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK;
        return PumpUntil([&] {
            for (size_t i = before; i < m_events->events.size(); ++i)
                if (m_events->events[i].type == expected) return true;
            return false;
        });
    };
    ASSERT_TRUE(click(3, 0));
    EXPECT_EQ(wxWindow::FindFocus(), m_strip);  // a click gives the strip the focus
    ASSERT_TRUE(click(6, WXK_SHIFT));
    ASSERT_TRUE(click(4, WXK_CONTROL));
    ASSERT_TRUE(click(8, 0, wxMOUSE_BTN_RIGHT));
    EXPECT_EQ(m_events->events,
              std::vector<SeenEvent>({Sel(3), LeftClick(3), Sel(3), Sel(4), Sel(5), Sel(6),
                                      LeftClick(6, THUMB_MOD_SHIFT), Desel(4),
                                      LeftClick(4, THUMB_MOD_CTRL),
                                      {wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, 8, 0, 3}}));
    EXPECT_EQ(Selection(), std::vector<int>({3, 5, 6}));
    EXPECT_EQ(m_strip->GetFocusItem(), 8);

    // A double click selects with its first press and then reports the double click.
    m_events->events.clear();
    sim.MouseMove(m_strip->ClientToScreen(PointIn(1)));
    wxYield();
    sim.MouseDblClick();
    ASSERT_TRUE(PumpUntil([&] { return m_events->Saw(wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK); }));
    EXPECT_EQ(Selection(), std::vector<int>({1}));
}

// --- keyboard ---------------------------------------------------------------------------

TEST_F(Strip, ArrowKeysMoveInTheGrid) {
    SetClient(4 * kStride + 2, 600);
    AddItems(10);
    ASSERT_EQ(Columns(), 4);
    // No focus item and nothing selected yet: any navigation key selects item 0.
    Key(WXK_END);
    EXPECT_EQ(Selection(), std::vector<int>({0}));
    m_strip->SelectWithModifiers(8, 0);
    m_events->events.clear();
    Key(WXK_DOWN);  // nothing below 8
    EXPECT_EQ(Selection(), std::vector<int>({8}));
    EXPECT_TRUE(m_events->events.empty());
    Key(WXK_UP);
    EXPECT_EQ(Selection(), std::vector<int>({4}));
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>({Desel(8), Sel(4)}));
    Key(WXK_LEFT);
    EXPECT_EQ(Selection(), std::vector<int>({3}));
    Key(WXK_RIGHT, THUMB_MOD_SHIFT);
    Key(WXK_RIGHT, THUMB_MOD_SHIFT);
    EXPECT_EQ(Selection(), std::vector<int>({3, 4, 5}));
    Key(WXK_DOWN, THUMB_MOD_CTRL);  // toggles 9 in
    EXPECT_EQ(Selection(), std::vector<int>({3, 4, 5, 9}));
    Key(WXK_HOME);
    EXPECT_EQ(Selection(), std::vector<int>({0}));
    Key(WXK_PAGEDOWN);
    EXPECT_EQ(Selection(), std::vector<int>({9}));  // near the end: the last item
    Key(WXK_PAGEUP);  // four rows fit: back to the top
    EXPECT_EQ(Selection(), std::vector<int>({0}));
    Key(WXK_END);
    EXPECT_EQ(Selection(), std::vector<int>({9}));
    Key(WXK_LEFT);
    Key(WXK_LEFT);
    Key(WXK_LEFT);
    EXPECT_EQ(Selection(), std::vector<int>({6}));
}

TEST_F(Strip, KeyFallsBackToTheLastSelectedItem) {
    SetClient(4 * kStride + 2, 600);
    AddItems(10);
    m_strip->Select(5);
    m_strip->SetFocusItem(-1);
    EXPECT_TRUE(m_strip->MoveByKey(WXK_RIGHT, 0));
    EXPECT_EQ(Selection(), std::vector<int>({6}));
    EXPECT_FALSE(m_strip->MoveByKey('x', 0));
    m_strip->RemoveAllItems();
    EXPECT_FALSE(m_strip->MoveByKey(WXK_RIGHT, 0));
}

TEST_F(Strip, EnterReportsReturnWithoutAnItem) {
    AddItems(3);
    m_strip->Select(1);
    Key(WXK_RETURN, THUMB_MOD_SHIFT);
    EXPECT_EQ(m_events->events, std::vector<SeenEvent>(
                                    {{wxEVT_COMMAND_THUMBNAIL_RETURN, -1, THUMB_MOD_SHIFT, 3}}));
    EXPECT_EQ(Selection(), std::vector<int>({1}));
}

TEST_F(Strip, KeysScrollTheTargetIntoView) {
    AddItems(40);
    SetClient(3 * kStride + 2, 300);
    const int clientH = m_strip->GetClientSize().y;
    auto fullyVisible = [&](int n) {
        wxRect r;
        m_strip->GetItemRect(n, r);
        return r.y >= 0 && r.GetBottom() <= clientH - 1;
    };
    Key(WXK_HOME);
    Key(WXK_END);
    EXPECT_EQ(Selection(), std::vector<int>({39}));
    EXPECT_TRUE(fullyVisible(39));
    Key(WXK_HOME);
    EXPECT_EQ(m_strip->GetViewStart().y, 0);
    for (int i = 0; i < 3; ++i) Key(WXK_DOWN);
    EXPECT_TRUE(fullyVisible(9));
    const int top = m_strip->GetViewStart().y;
    Key(WXK_RIGHT);  // visible already: no scrolling
    EXPECT_EQ(m_strip->GetViewStart().y, top);
    Key(WXK_PAGEDOWN);
    EXPECT_TRUE(fullyVisible(m_strip->GetFocusItem()));
    Key(WXK_PAGEUP);
    Key(WXK_PAGEUP);
    EXPECT_TRUE(fullyVisible(m_strip->GetFocusItem()));
}

TEST_F(Strip, RealKeyboardInput) {
    AddItems(10);
    SetClient(4 * kStride + 2, 300);
    ASSERT_EQ(Columns(), 4);
    ASSERT_TRUE(FocusStrip());
    m_strip->Select(8);
    wxUIActionSimulator sim;
    sim.Char(WXK_UP);
    ASSERT_TRUE(PumpUntil([&] { return Selection() == std::vector<int>({4}); }));
    sim.Char(WXK_RIGHT, wxMOD_SHIFT);
    ASSERT_TRUE(PumpUntil([&] { return Selection() == std::vector<int>({4, 5}); }));
    EXPECT_EQ(m_strip->GetViewStart().y, 0);
    // Down to row 2, partly below the view: the strip scrolls just far enough,
    // and the scrolled window does not add a step of its own.
    sim.Char(WXK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return Selection() == std::vector<int>({9}); }));
    wxRect cell;
    m_strip->GetItemRect(9, cell, false);
    EXPECT_EQ(m_strip->GetViewStart().y,
              ThumbScrollBottomTest(m_strip->GetGeometry(), cell, 0, 300));
    sim.Char(WXK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return m_events->Saw(wxEVT_COMMAND_THUMBNAIL_RETURN); }));
    EXPECT_EQ(m_events->events.back().index, -1);
}

// --- painting ---------------------------------------------------------------------------

// Draws one cell into a bitmap the way the paint handler does.
wxImage DrawCell(wxThumbnailCtrl* strip, wxThumbnailItem& item, int flags, int index = 0) {
    const wxSize cellSize = strip->GetItemSize();
    wxBitmap bitmap(cellSize.x + 10, cellSize.y + 10);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxRED_BRUSH);
    dc.Clear();
    const ThumbnailGeometry g = strip->GetGeometry();
    const wxRect cell(5, 5, cellSize.x, cellSize.y);
    EXPECT_TRUE(item.DrawDecoration(dc, strip, cell, g.ImageRect(cell), flags, index));
    dc.SelectObject(wxNullBitmap);
    return bitmap.ConvertToImage();
}

TEST_F(Strip, CellsAreRaisedOrSunkenInTheirColours) {
    wxThumbnailItem item("/pics/noext");  // no extension: no label
    const ThumbnailGeometry g = m_strip->GetGeometry();
    const wxRect cell(5, 5, g.itemWidth, g.itemHeight);
    const wxRect box = g.ImageRect(cell);
    const wxPoint inside(box.x + 10, box.y + 10);
    const wxPoint labelBand(cell.x + 10, cell.GetBottom() - 3 - g.textHeight / 2);

    wxImage plain = DrawCell(m_strip, item, 0);
    EXPECT_EQ(PixelAt(plain, inside), m_strip->GetUnselectedColour());
    EXPECT_EQ(PixelAt(plain, {cell.x + 20, cell.y}), *wxWHITE);         // top
    EXPECT_EQ(PixelAt(plain, {cell.x, cell.y + 20}), *wxWHITE);         // left
    EXPECT_EQ(PixelAt(plain, {cell.GetRight(), cell.y + 20}), *wxBLACK);   // right
    EXPECT_EQ(PixelAt(plain, {cell.x + 20, cell.GetBottom()}), *wxBLACK);  // bottom
    EXPECT_EQ(PixelAt(plain, {cell.GetRight() + 1, cell.y + 20}), *wxRED);  // nothing outside
    EXPECT_EQ(PixelAt(plain, labelBand), m_strip->GetUnselectedColour());
    EXPECT_EQ(PixelAt(plain, {box.x - 1, box.y + 20}), m_strip->GetUnselectedColour());

    wxImage focused = DrawCell(m_strip, item,
                               THUMB_DRAW_SELECTED | THUMB_DRAW_CTRL_FOCUSED | THUMB_DRAW_FOCUS_ITEM);
    EXPECT_EQ(PixelAt(focused, inside), wxColour(140, 140, 140));
    EXPECT_EQ(PixelAt(focused, {cell.x + 20, cell.y}), *wxBLACK);
    EXPECT_EQ(PixelAt(focused, {cell.GetRight(), cell.y + 20}), *wxWHITE);
    EXPECT_EQ(PixelAt(focused, {cell.x + 20, cell.GetBottom()}), *wxWHITE);
    // The dotted focus mark just outside the image box.
    // (The toolkit blends the dots slightly into the fill.)
    auto isMark = [](const wxColour& c) {
        return std::abs(c.Red() - 100) <= 8 && std::abs(c.Green() - 80) <= 12 &&
               std::abs(c.Blue() - 80) <= 12;
    };
    int marked = 0;
    for (int y = box.y; y < box.GetBottom(); ++y)
        if (isMark(PixelAt(focused, {box.x - 1, y}))) ++marked;
    EXPECT_GT(marked, 10);
    EXPECT_LT(marked, box.height);  // dotted, not solid

    wxImage unfocused = DrawCell(m_strip, item, THUMB_DRAW_SELECTED);
    EXPECT_EQ(PixelAt(unfocused, inside), wxColour(175, 175, 175));
    for (int y = box.y; y < box.GetBottom(); ++y)
        ASSERT_EQ(PixelAt(unfocused, {box.x - 1, y}), wxColour(175, 175, 175));
}

// Counts the pixels of a colour inside a rectangle.
int CountColour(const wxImage& image, const wxRect& r, const wxColour& c) {
    int n = 0;
    for (int y = r.y; y <= r.GetBottom(); ++y)
        for (int x = r.x; x <= r.GetRight(); ++x)
            if (PixelAt(image, {x, y}) == c) ++n;
    return n;
}

TEST_F(Strip, NameAboveAndLabelBelowTheImage) {
    const ThumbnailGeometry g = m_strip->GetGeometry();
    const wxRect cell(5, 5, g.itemWidth, g.itemHeight);
    const wxRect nameBand(cell.x + 3, cell.y + 3, 80, g.textHeight);
    const wxRect labelBand(cell.x + 3, cell.y + 89 + g.textHeight, 80, g.textHeight);
    const wxColour label(0, 0, 200);
    m_strip->SetFrameDelay(10);

    wxThumbnailItem named("/pics/sunset.png");
    wxImage plain = DrawCell(m_strip, named, 0, 2);
    EXPECT_GT(CountColour(plain, nameBand, *wxBLACK), 0);
    EXPECT_GT(CountColour(plain, labelBand, label), 0);
    wxImage selected = DrawCell(m_strip, named, THUMB_DRAW_SELECTED, 2);
    EXPECT_EQ(CountColour(selected, labelBand, label), 0);
    EXPECT_GT(CountColour(selected, labelBand, *wxWHITE), 0);
    EXPECT_GT(CountColour(selected, nameBand, *wxWHITE), 0);

    // A name wider than the band ends with an ellipsis inside it.
    wxThumbnailItem wide("/pics/a_very_long_file_name_that_cannot_fit_anywhere.png");
    wxImage cut = DrawCell(m_strip, wide, 0);
    EXPECT_EQ(CountColour(cut, wxRect(nameBand.GetRight() + 1, nameBand.y, 1, nameBand.height),
                          *wxBLACK),
              0);
    EXPECT_GT(CountColour(cut, nameBand, *wxBLACK), 0);

    wxThumbnailItem noExtension("/pics/README");
    wxImage bare = DrawCell(m_strip, noExtension, 0);
    EXPECT_GT(CountColour(bare, nameBand, *wxBLACK), 0);
    EXPECT_EQ(CountColour(bare, labelBand, label), 0);
}

std::set<int> AsSet(const std::vector<int>& v) { return std::set<int>(v.begin(), v.end()); }

TEST_F(Strip, PaintsOnlyTheCellsThatChanged) {
    SetClient(3 * kStride + 2, 600);
    AddItems(12);
    Settle();
    EXPECT_EQ(AsSet(m_paints.cells).size(), 12u);
    m_strip->Select(4);
    Settle();
    m_paints.cells.clear();

    m_strip->Select(5);  // 5 and the old focus item 4
    Settle();
    EXPECT_EQ(AsSet(m_paints.cells), std::set<int>({4, 5}));

    m_paints.cells.clear();
    m_strip->SetFocusItem(8);
    Settle();
    EXPECT_EQ(AsSet(m_paints.cells), std::set<int>({5, 8}));

    // The toolkit may merge the refreshed cells into one rectangle; cells
    // outside it stay untouched.
    m_paints.cells.clear();
    m_strip->SelectWithModifiers(11, 0);
    Settle();
    const std::set<int> painted = AsSet(m_paints.cells);
    for (int changed : {4, 5, 8, 11}) EXPECT_EQ(painted.count(changed), 1u) << changed;
    for (int untouched : {0, 1, 2}) EXPECT_EQ(painted.count(untouched), 0u) << untouched;
    EXPECT_EQ(m_paints.outsideRegion, 0);
}

TEST_F(Strip, ScrollingPaintsOnlyWhatComesIntoView) {
    AddItems(60);
    SetClient(3 * kStride + 2, 300);
    Settle();
    m_paints.cells.clear();
    for (int step = 1; step <= 5; ++step) {
        m_strip->Scroll(0, step * 3);
        Settle();
    }
    EXPECT_FALSE(m_paints.cells.empty());
    EXPECT_EQ(m_paints.outsideRegion, 0);
    // Never a cell below the view.
    const int lastVisible = (5 * 30 + 300) / (3 + m_strip->GetItemSize().y) * 3 + 2;
    for (int cell : m_paints.cells) EXPECT_LE(cell, lastVisible);
}

TEST_F(Strip, ScreenShowsSelectionInTheFocusColours) {
    SetClient(3 * kStride + 2, 400);
    AddItems(7);
    m_strip->Select(1);
    ASSERT_TRUE(FocusStrip());
    wxRect box1, box2;
    m_strip->GetItemRectImage(1, box1);
    m_strip->GetItemRectImage(2, box2);
    const wxPoint in1 = box1.GetPosition() + wxPoint(20, 20);
    const wxPoint in2 = box2.GetPosition() + wxPoint(20, 20);

    wxImage shot = Grab();
    EXPECT_EQ(PixelAt(shot, in1), wxColour(140, 140, 140));
    EXPECT_EQ(PixelAt(shot, in2), m_strip->GetUnselectedColour());
    EXPECT_EQ(PixelAt(shot, {1, 1}), wxColour(176, 223, 227));  // background between cells
    EXPECT_EQ(PixelAt(shot, {200, 380}), wxColour(176, 223, 227));

    m_other->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == m_other; }));
    shot = Grab();
    EXPECT_EQ(PixelAt(shot, in1), wxColour(175, 175, 175));
    wxMilliSleep(500); wxYield();
    m_strip->SetBackgroundColour(*wxRED); m_strip->Refresh(); Settle();
    shot = Grab();
    std::cout << "bg now " << PixelAt(shot, {1,1}).GetAsString() << "\n";
    system("import -window root /tmp/rootshot.png");
    EXPECT_EQ(PixelAt(shot, in1), wxColour(175, 175, 175));
    shot.SaveFile("/tmp/thumbshot.png", wxBITMAP_TYPE_PNG);
}

TEST_F(Strip, ScrolledViewShowsTheRowsInView) {
    AddItems(30);
    SetClient(3 * kStride + 2, 300);
    m_other->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == m_other; }));
    m_strip->Select(13);  // row 4
    wxRect r;
    m_strip->GetItemRect(13, r, false);
    m_strip->Scroll(0, r.y / 10);
    wxImage shot = Grab();
    ASSERT_TRUE(m_strip->GetItemRectImage(13, r));
    ASSERT_GE(r.y, 0);
    EXPECT_EQ(PixelAt(shot, r.GetPosition() + wxPoint(5, 5)), wxColour(175, 175, 175));
    ASSERT_TRUE(m_strip->GetItemRectImage(12, r));
    EXPECT_EQ(PixelAt(shot, r.GetPosition() + wxPoint(5, 5)), m_strip->GetUnselectedColour());
}

// --- frame items ----------------------------------------------------------------------

class FrameItems : public Strip {
protected:
    void SetUp() override {
        Strip::SetUp();
        m_dir = MakeTempDir("frames");
    }
    wxString FileNamed(const std::string& name) {
        const std::string path = m_dir + "/" + name;
        WriteFile(path, "not read: the picture comes decoded");
        return wxString::FromUTF8(path);
    }
    std::string m_dir;
};

TEST_F(FrameItems, ThumbnailsFitTheBoxAndTheFrameKeepsItsSize) {
    const wxString path = FileNamed("a.PNG");
    struct Case {
        wxSize picture, thumb;
    };
    for (const Case& c : {Case{{160, 100}, {80, 50}}, Case{{60, 40}, {60, 40}},
                          Case{{200, 10}, {80, 4}}}) {
        auto* item = new wxImageThumbnailItem(
            new wxImage(SolidImage(c.picture.x, c.picture.y, *wxGREEN)), 0, path);
        ASSERT_GE(m_strip->Append(item, 10), 0);
        EXPECT_EQ(item->GetThumbnail().GetSize(), c.thumb) << c.picture.x << "x" << c.picture.y;
        EXPECT_EQ(item->m_bitmap.GetSize(), c.picture);
        EXPECT_EQ(item->GetImage(), nullptr);  // released once the thumbnail exists
        EXPECT_EQ(item->GetPath(), path);
    }
}

TEST_F(FrameItems, PicturesTooThinToShowKeepTheirImage) {
    auto* item = new wxImageThumbnailItem(new wxImage(SolidImage(1000, 5, *wxGREEN)), 0,
                                          FileNamed("thin.png"));
    ASSERT_EQ(m_strip->Append(item, 10), 0);
    EXPECT_FALSE(item->GetThumbnail().IsOk());
    EXPECT_NE(item->GetImage(), nullptr);
    EXPECT_EQ(item->m_bitmap.GetSize(), wxSize(1000, 5));
    wxBitmap bitmap(80, 80);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxRED_BRUSH);
    dc.Clear();
    EXPECT_TRUE(item->DrawImage(dc, m_strip, wxRect(0, 0, 80, 80), 0));
    dc.SelectObject(wxNullBitmap);
    wxImage drawn = bitmap.ConvertToImage();
    EXPECT_EQ(CountColour(drawn, wxRect(0, 0, 80, 80), *wxRED), 80 * 80);
}

TEST_F(FrameItems, ThumbnailIsCentredInTheImageBox) {
    auto* item = new wxImageThumbnailItem(new wxImage(SolidImage(160, 100, *wxGREEN)), 0,
                                          FileNamed("c.png"));
    ASSERT_EQ(m_strip->Append(item, 10), 0);
    wxBitmap bitmap(90, 90);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxRED_BRUSH);
    dc.Clear();
    item->DrawImage(dc, m_strip, wxRect(5, 5, 80, 80), 0);
    dc.SelectObject(wxNullBitmap);
    wxImage drawn = bitmap.ConvertToImage();
    EXPECT_EQ(CountColour(drawn, wxRect(5, 5 + 15, 80, 50), *wxGREEN), 80 * 50);
    EXPECT_EQ(CountColour(drawn, wxRect(5, 5, 80, 15), *wxRED), 80 * 15);
    EXPECT_EQ(CountColour(drawn, wxRect(5, 70, 80, 15), *wxRED), 80 * 15);
}

TEST_F(FrameItems, GifFramesGetAReferencePathOnce) {
    const wxString gif = FileNamed("b.gif");
    auto* item = new wxImageThumbnailItem(new wxImage(SolidImage(20, 20, *wxBLUE)), 12, gif);
    ASSERT_EQ(m_strip->Append(item, 10), 0);
    EXPECT_EQ(item->GetPath(), gif + "_12");
    EXPECT_EQ(item->GetFrameIndex(), 12);
    // Forced again: the path does not exist, so the item cannot be prepared,
    // and the suffix is not doubled.
    EXPECT_FALSE(item->PrepareThumbnail(m_strip, true));
    EXPECT_EQ(item->GetPath(), gif + "_12");
    EXPECT_TRUE(item->PrepareThumbnail(m_strip, false));

    const wxString upper = FileNamed("B.GIF");
    auto* caps = new wxImageThumbnailItem(new wxImage(SolidImage(20, 20, *wxBLUE)), 3, upper);
    ASSERT_EQ(m_strip->Append(caps, 10), 1);
    EXPECT_EQ(caps->GetPath(), upper + "_3");  // B.GIF's frames are GIF frames too
}

TEST_F(FrameItems, VanishedFilesAreRefused) {
    auto* item = new wxImageThumbnailItem(new wxImage(SolidImage(20, 20, *wxBLUE)), 0,
                                          wxString::FromUTF8(m_dir + "/gone.png"));
    EXPECT_EQ(m_strip->Append(item, 33), -1);
    EXPECT_EQ(m_strip->GetCount(), 0);
    EXPECT_EQ(m_strip->GetFrameDelay(), 33);
    EXPECT_NE(item->GetImage(), nullptr);
    delete item;
    // Without a picture there is nothing to show either.
    auto* empty = new wxImageThumbnailItem(nullptr, 0, FileNamed("empty.png"));
    EXPECT_EQ(m_strip->Append(empty, 10), -1);
    delete empty;
}

}  // namespace
