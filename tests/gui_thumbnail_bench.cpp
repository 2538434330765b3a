// Benchmark of the thumbnail strip with 5,000 frames: prints how long
// appending, laying out, painting, scrolling and selecting take. It asserts
// only that the work was done, never how fast.
#include "support/strip_helpers.h"

#include <chrono>
#include <cstdio>

using namespace lwtest;

namespace {

constexpr int kFrames = 5000;

// A frame item that counts the cells it paints.
class CountingFrame : public wxImageThumbnailItem {
public:
    CountingFrame(wxImage* image, const wxString& path, long* painted)
        : wxImageThumbnailItem(image, 0, path), m_painted(painted) {}
    bool DrawDecoration(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& rect,
                        const wxRect& imageRect, int flags, int index) override {
        ++*m_painted;
        return wxImageThumbnailItem::DrawDecoration(dc, ctrl, rect, imageRect, flags, index);
    }

private:
    long* m_painted;
};

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

class StripBenchmark : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(1000, 800));
        m_strip = new wxThumbnailCtrl(m_frame);
        m_strip->SetBackgroundColour(wxColour(176, 223, 227));
        m_frame->Show();
        ASSERT_TRUE(PumpUntil([&] { return m_strip->IsShownOnScreen(); }));
        m_file = MakeTempDir("bench") + "/frame.png";
        WriteFile(m_file, "x");
    }
    void TearDown() override {
        m_frame->Destroy();
        PumpPending();
    }
    // Paints what is pending and waits until at least one cell was drawn.
    bool PaintNow() {
        const long before = m_painted;
        m_strip->Update();
        return m_painted != before ||
               PumpUntil([&] { return m_painted != before; }, std::chrono::seconds(5));
    }
    void Report(const char* what, double ms, const char* extra = "") {
        std::printf("[bench] %-44s %9.2f ms %s\n", what, ms, extra);
        std::fflush(stdout);
    }

    wxFrame* m_frame = nullptr;
    wxThumbnailCtrl* m_strip = nullptr;
    std::string m_file;
    long m_painted = 0;
};

TEST_F(StripBenchmark, FiveThousandFrames) {
    const wxImage picture = SolidImage(120, 90, wxColour(40, 120, 200));
    const wxString path = wxString::FromUTF8(m_file);

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; ++i)
        ASSERT_EQ(m_strip->Append(new CountingFrame(new wxImage(picture), path, &m_painted), 10), i);
    Report("append 5000 frames (with thumbnails)", MillisecondsSince(start));

    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PaintNow());
    Report("paint one screen", MillisecondsSince(start));
    const long cellsPerScreen = m_painted;

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        m_strip->SetClientSize(m_strip->GetClientSize() + wxSize(i % 2 ? 37 : -37, 0));
        m_strip->UpdateScrollRange();
    }
    PumpPending();
    Report("20 resizes with layout", MillisecondsSince(start));

    // Top to bottom, one page at a time.
    int ppuX = 0, ppuY = 0;
    m_strip->GetScrollPixelsPerUnit(&ppuX, &ppuY);
    ASSERT_EQ(ppuY, 10);
    const int page = m_strip->GetClientSize().y / 10;
    const int bottom = m_strip->GetVirtualSize().y / 10;
    int pages = 0;
    m_painted = 0;
    start = std::chrono::steady_clock::now();
    for (int pos = page; pos <= bottom; pos += page, ++pages) {
        m_strip->Scroll(0, pos);
        PaintNow();
    }
    const double scrollMs = MillisecondsSince(start);
    char line[96];
    std::snprintf(line, sizeof line, "(%d pages, %.2f ms a page, %ld cells painted)", pages,
                  scrollMs / std::max(1, pages), m_painted);
    Report("scroll top to bottom by pages", scrollMs, line);
    EXPECT_GT(m_strip->GetViewStart().y, 0);

    m_strip->Scroll(0, 0);
    PumpPending();
    m_painted = 0;
    start = std::chrono::steady_clock::now();
    for (int pos = 1; pos <= 100; ++pos) {
        m_strip->Scroll(0, pos);
        PaintNow();
    }
    std::snprintf(line, sizeof line, "(%ld cells painted; %ld fill a screen)", m_painted,
                  cellsPerScreen);
    Report("scroll 100 single steps", MillisecondsSince(start), line);

    start = std::chrono::steady_clock::now();
    m_strip->SelectAllItems();
    const double selectAllMs = MillisecondsSince(start);
    ASSERT_EQ(m_strip->GetSelectedIndices().size(), static_cast<size_t>(kFrames));
    PaintNow();
    Report("select all", selectAllMs);
    Report("select all, painted", MillisecondsSince(start));

    EventRecorder events(m_frame);
    start = std::chrono::steady_clock::now();
    m_strip->SelectWithModifiers(10, 0);
    Report("plain click after select all (5000 events)", MillisecondsSince(start));
    EXPECT_EQ(events.events.size(), static_cast<size_t>(kFrames));  // 10 is reported once

    events.events.clear();
    start = std::chrono::steady_clock::now();
    m_strip->SelectWithModifiers(kFrames - 1, THUMB_MOD_SHIFT);
    Report("shift click over 4990 frames", MillisecondsSince(start));
    EXPECT_EQ(m_strip->GetSelectedIndices().size(), static_cast<size_t>(kFrames - 10));

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) m_strip->SelectWithModifiers(i * 7, THUMB_MOD_CTRL);
    Report("200 ctrl clicks", MillisecondsSince(start));

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 500; ++i) m_strip->MoveByKey(i % 2 ? WXK_DOWN : WXK_RIGHT, THUMB_MOD_SHIFT);
    Report("500 shift+arrow keys", MillisecondsSince(start));

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) m_strip->RemoveItem(0);
    for (int i = 0; i < 100; ++i) {
        m_strip->SuspendUpdates();
        m_strip->InsertItem(new CountingFrame(new wxImage(picture), path, &m_painted), 0);
        m_strip->ResumeUpdates();
    }
    Report("100 removals and 100 inserts at the front", MillisecondsSince(start));
    EXPECT_EQ(m_strip->GetCount(), kFrames);

    start = std::chrono::steady_clock::now();
    m_strip->RemoveAllItems();
    PumpPending();
    Report("remove all", MillisecondsSince(start));
}

}  // namespace
