// The strip's window-free arithmetic: grid, hit test, scrolling, key targets,
// thumbnail sizes, labels and the owning item array.
#include "support/test_support.h"

#include "window/thumbnailctrl.h"

namespace {

// The strip's values with a text height of 13: cells of 86 x 118.
ThumbnailGeometry StripGeometry(bool showLabel = true) {
    ThumbnailGeometry g;
    g.textHeight = 13;
    g.showLabel = showLabel;
    g.itemWidth = 86;
    g.itemHeight = showLabel ? 92 + 2 * 13 : 80 + 9 + 13;
    return g;
}

TEST(ThumbnailGeometry, ColumnsWrapAtTheClientWidth) {
    const ThumbnailGeometry g = StripGeometry();
    EXPECT_EQ(g.StrideX(), 89);
    EXPECT_EQ(g.Columns(3 * 89 + 2), 3);
    EXPECT_EQ(g.Columns(3 * 89 - 1), 2);
    EXPECT_EQ(g.Columns(50), 1);  // narrower than one cell: still one column
    EXPECT_EQ(g.Columns(0), 1);
    EXPECT_EQ(g.PageRows(120), 1);
    EXPECT_EQ(g.PageRows(10), 1);
    EXPECT_EQ(g.PageRows(3 * 121 + 5), 3);
}

TEST(ThumbnailGeometry, CellAndImageBox) {
    const ThumbnailGeometry g = StripGeometry();
    // Item 7 of a three-column grid: row 2, column 1.
    EXPECT_EQ(g.CellRect(7, 3 * 89 + 2), wxRect(3 + 89, 3 + 2 * 121, 86, 118));
    EXPECT_EQ(g.CellRect(0, 3 * 89 + 2), wxRect(3, 3, 86, 118));
    // The image box starts at (3, 6 + T) inside the cell.
    EXPECT_EQ(g.ImageRect(wxRect(3, 3, 86, 118)), wxRect(6, 3 + 6 + 13, 80, 80));
    // Without labels the box moves up by half a text line.
    const ThumbnailGeometry n = StripGeometry(false);
    const wxRect cell(0, 0, n.itemWidth, n.itemHeight);
    EXPECT_EQ(n.ImageRect(cell), wxRect(3, (102 - 80) / 2 - 13 / 2, 80, 80));
}

TEST(ThumbnailGeometry, VirtualHeightCountsWholeRows) {
    const ThumbnailGeometry g = StripGeometry();
    EXPECT_EQ(g.VirtualHeight(0, 300), 0);
    EXPECT_EQ(g.VirtualHeight(1, 300), 3 + 121);
    EXPECT_EQ(g.VirtualHeight(3, 3 * 89 + 2), 3 + 121);
    EXPECT_EQ(g.VirtualHeight(4, 3 * 89 + 2), 3 + 2 * 121);
    EXPECT_EQ(g.VirtualHeight(5000, 10 * 89 + 3), 3 + 500 * 121);
}

TEST(ThumbnailGeometry, HitTest) {
    const ThumbnailGeometry g = StripGeometry();
    const int width = 3 * 89 + 2;  // three columns and 2 pixels to spare
    EXPECT_EQ(g.ItemAt({10, 10}, 0, width, 10), 0);
    EXPECT_EQ(g.ItemAt({0, 0}, 0, width, 10), 0);  // the spacing above and left of a cell hits it
    EXPECT_EQ(g.ItemAt({89 + 1, 2 * 121 + 1}, 0, width, 10), 7);
    EXPECT_EQ(g.ItemAt({88, 120}, 0, width, 10), 0);  // the gap right of and below cell 0
    // Right of the last full column nothing is hit, not the next row's first item.
    EXPECT_EQ(g.ItemAt({3 * 89, 10}, 0, width, 10), -1);
    EXPECT_EQ(g.ItemAt({3 * 89 + 1, 130}, 0, width, 10), -1);
    // Below the last item, and past the end of a partial last row.
    EXPECT_EQ(g.ItemAt({10, 4 * 121 + 5}, 0, width, 10), -1);
    EXPECT_EQ(g.ItemAt({89 + 5, 3 * 121 + 5}, 0, width, 10), -1);  // item 10 does not exist
    EXPECT_EQ(g.ItemAt({10, 3 * 121 + 5}, 0, width, 10), 9);
    // Scrolled down by two rows.
    EXPECT_EQ(g.ItemAt({10, 10}, 2 * 121, width, 10), 6);
    EXPECT_EQ(g.ItemAt({-1, 10}, 0, width, 10), -1);
    EXPECT_EQ(g.ItemAt({10, 10}, 0, width, 0), -1);
    // One column when the client is narrow: the only column still hits.
    EXPECT_EQ(g.ItemAt({40, 121 + 5}, 0, 50, 10), 1);
    EXPECT_EQ(g.ItemAt({89 + 5, 5}, 0, 50, 10), -1);
}

TEST(ThumbnailGeometry, RowsBetweenCoversTheSpan) {
    const ThumbnailGeometry g = StripGeometry();
    int first = 0, last = 0;
    g.RowsBetween(0, 99, first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    g.RowsBetween(3 + 121 + 1, 3 + 2 * 121 + 1, first, last);
    EXPECT_LE(first, 1);
    EXPECT_GE(last, 2);
    g.RowsBetween(5000, 5300, first, last);
    EXPECT_LE(first, (5000 - 3) / 121);
    EXPECT_GE(last, (5300 - 3) / 121);
}

TEST(ThumbnailGeometry, ScrollIntoView) {
    const ThumbnailGeometry g = StripGeometry();
    const wxRect cell(3, 3 + 3 * 121, 86, 118);  // row 3: y 366..483
    // Visible already: no scrolling.
    EXPECT_EQ(ThumbScrollBottomTest(g, cell, 300, 200), -1);
    EXPECT_EQ(ThumbScrollTopTest(cell, 300), -1);
    // Below the view: the whole cell and the gap under it come into view.
    const int bottom = ThumbScrollBottomTest(g, cell, 0, 200);
    ASSERT_GE(bottom, 0);
    EXPECT_GE(bottom * 10 + 200, cell.GetBottom() + 1 + 3);
    EXPECT_LT((bottom - 1) * 10 + 200, cell.GetBottom() + 1 + 3);
    // Above the view: its top becomes the view's top (to the scroll step).
    EXPECT_EQ(ThumbScrollTopTest(cell, 500), 36);
    EXPECT_LE(36 * 10, cell.y);
}

TEST(ThumbnailGeometry, KeyTargetsInFourColumns) {
    // 10 items in 4 columns, two rows per page.
    EXPECT_EQ(ThumbKeyTarget(WXK_DOWN, 8, 10, 4, 2), -1);
    EXPECT_EQ(ThumbKeyTarget(WXK_DOWN, 5, 10, 4, 2), 9);
    EXPECT_EQ(ThumbKeyTarget(WXK_DOWN, 6, 10, 4, 2), -1);
    EXPECT_EQ(ThumbKeyTarget(WXK_UP, 8, 10, 4, 2), 4);
    EXPECT_EQ(ThumbKeyTarget(WXK_UP, 3, 10, 4, 2), -1);
    EXPECT_EQ(ThumbKeyTarget(WXK_LEFT, 0, 10, 4, 2), -1);
    EXPECT_EQ(ThumbKeyTarget(WXK_LEFT, 4, 10, 4, 2), 3);
    EXPECT_EQ(ThumbKeyTarget(WXK_RIGHT, 9, 10, 4, 2), -1);
    EXPECT_EQ(ThumbKeyTarget(WXK_RIGHT, 3, 10, 4, 2), 4);
    EXPECT_EQ(ThumbKeyTarget(WXK_HOME, 7, 10, 4, 2), 0);
    EXPECT_EQ(ThumbKeyTarget(WXK_END, 2, 10, 4, 2), 9);
    EXPECT_EQ(ThumbKeyTarget(WXK_PAGEDOWN, 1, 10, 4, 2), 9);
    EXPECT_EQ(ThumbKeyTarget(WXK_PAGEDOWN, 7, 10, 4, 2), 9);  // near the end: the last item
    EXPECT_EQ(ThumbKeyTarget(WXK_PAGEDOWN, 0, 20, 4, 2), 8);
    EXPECT_EQ(ThumbKeyTarget(WXK_PAGEUP, 9, 10, 4, 2), 1);
    EXPECT_EQ(ThumbKeyTarget(WXK_PAGEUP, 5, 10, 4, 2), 0);
    EXPECT_EQ(ThumbKeyTarget('a', 5, 10, 4, 2), -1);
}

TEST(ThumbnailGeometry, ThumbnailsShrinkButNeverGrow) {
    const wxSize box(80, 80);
    EXPECT_EQ(ThumbnailSizeFor({160, 100}, box), wxSize(80, 50));
    EXPECT_EQ(ThumbnailSizeFor({60, 40}, box), wxSize(60, 40));
    EXPECT_EQ(ThumbnailSizeFor({200, 10}, box), wxSize(80, 4));
    EXPECT_EQ(ThumbnailSizeFor({100, 400}, box), wxSize(20, 80));
    EXPECT_EQ(ThumbnailSizeFor({80, 80}, box), wxSize(80, 80));
    EXPECT_EQ(ThumbnailSizeFor({1000, 5}, box), wxSize(80, 0));  // truncates to nothing
}

TEST(ThumbnailLabel, NumberAndStartTime) {
    EXPECT_EQ(FormatFrameLabel(0, 10), "#1  0.00sec");
    EXPECT_EQ(FormatFrameLabel(1, 10), "#2  0.10sec");
    EXPECT_EQ(FormatFrameLabel(2, 10), "#3  0.20sec");
    EXPECT_EQ(FormatFrameLabel(0, 250), "#1  0.00sec");
    EXPECT_EQ(FormatFrameLabel(7, 0), "#8  0.00sec");
    EXPECT_EQ(FormatFrameLabel(3, 125), "#4  3.75sec");
    // Single precision shows: a double would give 65614.13.
    EXPECT_EQ(FormatFrameLabel(19823, 331), "#19824  65614.12sec");
}

// An item that counts its deletions.
class CountedItem : public wxThumbnailItem {
public:
    CountedItem(int id, std::vector<int>& deleted) : m_id(id), m_deleted(deleted) {}
    ~CountedItem() override { m_deleted.push_back(m_id); }
    int Id() const { return m_id; }

private:
    int m_id;
    std::vector<int>& m_deleted;
};

int IdAt(const wxThumbnailItemArray& items, size_t i) {
    return static_cast<CountedItem*>(items[i])->Id();
}

TEST(ThumbnailItemArray, OwnsItsItems) {
    std::vector<int> deleted;
    {
        wxThumbnailItemArray items;
        for (int i = 0; i < 4; ++i) items.Add(new CountedItem(i, deleted));
        items.Insert(new CountedItem(9, deleted), 1);
        ASSERT_EQ(items.size(), 5u);
        EXPECT_EQ(IdAt(items, 1), 9);
        EXPECT_EQ(IdAt(items, 2), 1);
        items.RemoveAt(1);
        EXPECT_EQ(deleted, std::vector<int>({9}));
        EXPECT_EQ(items.GetCount(), 4u);
        EXPECT_EQ(IdAt(items, 1), 1);
        {
            lwtest::AssertionRecorder recorder;
            items.RemoveAt(4);
            EXPECT_TRUE(recorder.Saw("bad index in wxThumbnailItemArray::RemoveAt()"));
        }
        EXPECT_EQ(items.size(), 4u);
        EXPECT_EQ(deleted.size(), 1u);
    }
    EXPECT_EQ(deleted.size(), 5u);  // the rest went with the array
}

TEST(ThumbnailItem, PlainItemsCannotBeShown) {
    wxThumbnailItem item("/pics/a.png");
    EXPECT_FALSE(item.PrepareThumbnail(nullptr, false));
    EXPECT_STREQ(item.GetClassInfo()->GetClassName(), L"wxThumbnailItem");
    wxImageThumbnailItem frame;
    EXPECT_STREQ(frame.GetClassInfo()->GetClassName(), L"wxImageThumbnailItem");
    EXPECT_TRUE(frame.IsKindOf(wxCLASSINFO(wxThumbnailItem)));
}

TEST(ThumbnailEvent, CarriesItemAndModifiers) {
    wxThumbnailEvent event(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, ID_THUMBNAIL_CTRL);
    EXPECT_EQ(event.GetItemIndex(), -1);
    EXPECT_EQ(event.GetModifierFlags(), 0);
    event.SetItemIndex(4);
    event.SetModifierFlags(THUMB_MOD_SHIFT | THUMB_MOD_ALT);
    std::unique_ptr<wxEvent> copy(event.Clone());
    auto* thumb = dynamic_cast<wxThumbnailEvent*>(copy.get());
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetItemIndex(), 4);
    EXPECT_EQ(thumb->GetModifierFlags(), 5);
    EXPECT_EQ(thumb->GetId(), 3);
    EXPECT_EQ(thumb->GetEventType(), wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK);
    EXPECT_TRUE(thumb->IsCommandEvent());
    EXPECT_STREQ(thumb->GetClassInfo()->GetClassName(), L"wxThumbnailEvent");
    // Seven distinct event types.
    const std::vector<wxEventType> types = {
        wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED,
        wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK,    wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK,
        wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK,  wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK,
        wxEVT_COMMAND_THUMBNAIL_RETURN};
    for (size_t i = 0; i < types.size(); ++i)
        for (size_t j = i + 1; j < types.size(); ++j) EXPECT_NE(types[i], types[j]);
}

}  // namespace

namespace {

// Other modules find the seven notification types among the program's symbols.
TEST(ProgramExports, TheSevenThumbnailEventTypes) {
    const lwtest::ProcessResult r = lwtest::RunProcess({"/usr/bin/nm", "-D", LW_PROGRAM});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* name :
         {"wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED", "wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED",
          "wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK", "wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK",
          "wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK", "wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK",
          "wxEVT_COMMAND_THUMBNAIL_RETURN"})
        EXPECT_NE(r.out.find(std::string(" ") + name + "\n"), std::string::npos) << name;
}

}  // namespace
