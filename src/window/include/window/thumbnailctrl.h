// The thumbnail strip: a vertically scrolling grid of frame cells with
// selection, focus mark, mouse and keyboard handling, and the frame items it
// owns.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dynarray.h>
#include <wx/event.h>
#include <wx/scrolwin.h>
#include <wx/timer.h>

#include <memory>
#include <vector>

class wxDC;
class wxImage;
class wxThumbnailCtrl;

// Window id of the strip; the main window routes the strip's notifications by it.
enum { ID_THUMBNAIL_CTRL = 3 };

// Style bits of the strip's own.
enum {
    THUMB_STYLE_MULTI_SELECT = 0x10,
    THUMB_STYLE_SHOW_FILENAME = 0x20,
    THUMB_STYLE_SHOW_LABEL = 0x80,
};

// Flags handed to the items when a cell is painted.
enum {
    THUMB_DRAW_SELECTED = 1,
    THUMB_DRAW_CTRL_FOCUSED = 4,  // the strip has the keyboard focus
    THUMB_DRAW_FOCUS_ITEM = 8,    // this is the focus item and the strip has the focus
};

// Modifier keys held during a click or key press.
enum {
    THUMB_MOD_SHIFT = 1,
    THUMB_MOD_CTRL = 2,
    THUMB_MOD_ALT = 4,
};

// ---------------------------------------------------------------------------
// Window-free arithmetic of the strip: grid, hit test, scrolling, key targets,
// thumbnail size and label text.

// The strip scrolls vertically in steps of this many pixels.
constexpr int kThumbScrollUnit = 10;

struct ThumbnailGeometry {
    int itemWidth = 86;
    int itemHeight = 92;
    int imageWidth = 80;
    int imageHeight = 80;
    int spacing = 3;
    int margin = 3;
    int textHeight = 0;
    bool showLabel = true;

    int StrideX() const { return spacing + itemWidth; }
    int StrideY() const { return spacing + itemHeight; }
    // Cells per row for a client width; a client narrower than one cell still has one.
    int Columns(int clientWidth) const;
    // Whole rows that fit into a client height, at least 1.
    int PageRows(int clientHeight) const;
    // Cell of item n in unscrolled coordinates.
    wxRect CellRect(int n, int clientWidth) const;
    // Image box inside a cell.
    wxRect ImageRect(const wxRect& cell) const;
    // Height of the whole grid of count items including the outer spacing; 0 when empty.
    int VirtualHeight(int count, int clientWidth) const;
    // Index hit by a client point with the view scrolled down by scrollY pixels,
    // or -1. Points right of the last full column hit nothing.
    int ItemAt(const wxPoint& p, int scrollY, int clientWidth, int count) const;
    // First and last row (inclusive) that the unscrolled vertical span [top, bottom] reaches.
    void RowsBetween(int top, int bottom, int& firstRow, int& lastRow) const;
    // Where dragged frames dropped at a client point would go (0..count):
    // before the cell under the point when on its left half, else after it;
    // right of a row, after its last cell; below the last row, at the end.
    int DropPositionAt(const wxPoint& p, int scrollY, int clientWidth, int count) const;
    // The insertion mark for a drop position, in unscrolled coordinates: a bar
    // in the gap before that cell, or after the last one.
    wxRect DropMarkRect(int position, int clientWidth, int count) const;
};

// Scroll positions in units that bring a cell (unscrolled coordinates) into
// view, or -1 when the cell's bottom (top) is already visible.
int ThumbScrollBottomTest(const ThumbnailGeometry& g, const wxRect& cell, int topPixels,
                          int clientHeight);
int ThumbScrollTopTest(const wxRect& cell, int topPixels);

// Navigation target of a key from the current item, or -1 when the key leads
// nowhere (arrow past an edge, or not a navigation key).
int ThumbKeyTarget(int keyCode, int current, int count, int columns, int pageRows);

// Size of the thumbnail of a picture for a box: shrunk to fit keeping the
// aspect ratio, never enlarged. A dimension may truncate to 0.
wxSize ThumbnailSizeFor(const wxSize& picture, const wxSize& box);

// The cell label: frame number and the moment the frame starts, "#%d  %.2fsec",
// for frames that all last frameDelay hundredths of a second.
wxString FormatFrameLabel(int index, int frameDelay);
// The same for a frame that starts start hundredths of a second in.
wxString FormatFrameStartLabel(int index, long long start);


// ---------------------------------------------------------------------------

// One cell of the strip. The strip owns its items.
class wxThumbnailItem : public wxObject {
public:
    explicit wxThumbnailItem(const wxString& path = wxEmptyString);
    ~wxThumbnailItem() override;

    const wxString& GetPath() const { return m_path; }
    void SetPath(const wxString& path) { m_path = path; }

    // Draws the thumbnail into the image box; the base draws nothing.
    virtual bool DrawImage(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& imageRect, int flags);
    // Draws the cell: fill, raised or sunken edge, file name, frame label, focus mark.
    virtual bool DrawDecoration(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& rect,
                                const wxRect& imageRect, int flags, int index);
    // Makes sure the thumbnail exists; false when the item cannot be shown.
    // The base has nothing to show, so the strip refuses plain items.
    virtual bool PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force);

protected:
    wxString m_path;

private:
    wxDECLARE_DYNAMIC_CLASS(wxThumbnailItem);
};

// A frame of the animation: a decoded picture turned into a full-size bitmap
// for preview and export, and a thumbnail for the strip.
class wxImageThumbnailItem : public wxThumbnailItem {
public:
    wxImageThumbnailItem();
    // Takes ownership of image (may be null). frameIndex is the frame's
    // position inside its GIF file, 0 for other pictures.
    wxImageThumbnailItem(wxImage* image, int frameIndex, const wxString& path);
    ~wxImageThumbnailItem() override;

    bool DrawImage(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& imageRect, int flags) override;
    bool PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force) override;

    const wxBitmap& GetThumbnail() const { return m_thumbnail; }
    const wxBitmap& GetBitmap() const { return m_bitmap; }
    int GetFrameIndex() const { return m_frameIndex; }
    // The decoded picture, until the thumbnail has been made from it.
    const wxImage* GetImage() const { return m_image.get(); }

    // The picture shrunk to fit width x height (never enlarged); invalid when
    // a dimension truncates to 0.
    static wxBitmap ScaleToThumbnail(const wxImage& image, int width, int height);

private:
    wxBitmap m_thumbnail;
    std::unique_ptr<wxImage> m_image;
    int m_frameIndex = 0;

public:
    // Full-size bitmap of the frame in screen depth; after PrepareThumbnail the
    // only full-size copy.
    wxBitmap m_bitmap;

private:
    wxDECLARE_DYNAMIC_CLASS_NO_COPY(wxImageThumbnailItem);
};

// Ordered array of item pointers that owns what it holds.
class wxThumbnailItemArray {
public:
    wxThumbnailItemArray() = default;
    wxThumbnailItemArray(const wxThumbnailItemArray&) = delete;
    wxThumbnailItemArray& operator=(const wxThumbnailItemArray&) = delete;
    ~wxThumbnailItemArray() = default;

    size_t size() const { return m_items.size(); }
    size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    wxThumbnailItem* operator[](size_t i) const { return m_items[i].get(); }
    wxThumbnailItem* Item(size_t i) const { return m_items[i].get(); }

    // Takes ownership.
    void Add(wxThumbnailItem* item);
    // Takes ownership; uiIndex at most size().
    void Insert(wxThumbnailItem* item, size_t uiIndex);
    // Deletes the item and closes the gap; asserts on a bad index.
    void RemoveAt(size_t uiIndex);
    // Deletes every item.
    void Clear();

private:
    std::vector<std::unique_ptr<wxThumbnailItem>> m_items;
};

// ---------------------------------------------------------------------------

// Notification of the strip: the item concerned and the modifier keys held.
class wxThumbnailEvent : public wxNotifyEvent {
public:
    wxThumbnailEvent(wxEventType commandType = wxEVT_NULL, int id = 0)
        : wxNotifyEvent(commandType, id) {}
    wxThumbnailEvent(const wxThumbnailEvent& other) = default;

    wxEvent* Clone() const override { return new wxThumbnailEvent(*this); }

    int GetItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index) { m_itemIndex = index; }
    int GetModifierFlags() const { return m_flags; }
    void SetModifierFlags(int flags) { m_flags = flags; }

private:
    int m_itemIndex = -1;
    int m_flags = 0;

    wxDECLARE_DYNAMIC_CLASS_NO_ASSIGN(wxThumbnailEvent);
};

// Exported from the program so that other modules can listen.
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, wxThumbnailEvent);
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_RETURN, wxThumbnailEvent);
// The selected items were dragged and dropped: GetItemIndex is the drop
// position (0..count, counted before the move). The strip moves nothing itself.
wxDECLARE_EVENT(wxEVT_COMMAND_THUMBNAIL_DROP, wxThumbnailEvent);

typedef void (wxEvtHandler::*wxThumbnailEventFunction)(wxThumbnailEvent&);
#define wxThumbnailEventHandler(func) wxEVENT_HANDLER_CAST(wxThumbnailEventFunction, func)

#define EVT_THUMBNAIL_ITEM_SELECTED(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_ITEM_DESELECTED(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_LEFT_CLICK(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_LEFT_DCLICK(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_MIDDLE_CLICK(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_RIGHT_CLICK(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_RETURN(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_RETURN, id, wxThumbnailEventHandler(fn))
#define EVT_THUMBNAIL_DROP(id, fn) \
    wx__DECLARE_EVT1(wxEVT_COMMAND_THUMBNAIL_DROP, id, wxThumbnailEventHandler(fn))

// ---------------------------------------------------------------------------

// The strip. Main thread only; it owns its items.
class wxThumbnailCtrl : public wxScrolledWindow {
public:
    wxThumbnailCtrl();
    wxThumbnailCtrl(wxWindow* parent, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize);
    ~wxThumbnailCtrl() override;

    bool Create(wxWindow* parent, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);
    // The strip takes part in the Tab order, also while empty.
    bool AcceptsFocus() const override { return true; }
    bool AcceptsFocusFromKeyboard() const override { return true; }

    // Painting of one cell, forwarded to the item; false without an item.
    virtual bool PaintItemImage(int n, wxDC& dc, const wxRect& imageRect, int flags);
    virtual bool PaintItemFrame(int n, wxDC& dc, const wxRect& rect, const wxRect& imageRect,
                                int flags);

    // Item list. Append stores frameDelay as the strip's delay even when it
    // refuses the item; a refused item (-1) stays with the caller.
    virtual int Append(wxThumbnailItem* item, int frameDelay);
    // Inserts before index (0..count); returns the index, or -1 for a bad
    // index, in which case the item stays with the caller.
    virtual int InsertItem(wxThumbnailItem* item, int index);
    virtual void RemoveAllItems();
    virtual void RemoveItem(int index);
    virtual int GetCount() const;
    // Counts every change of the item list, so that two lists of the same
    // length are told apart.
    unsigned long GetRevision() const { return m_revision; }
    // The item at n, or null (with an assertion) for a bad index.
    wxThumbnailItem* GetItem(int n) const;

    // Delay of every frame in hundredths of a second; only labels the cells.
    // The text shown centred in the label colour while there are no items.
    void SetEmptyHint(const wxString& text);
    const wxString& GetEmptyHint() const { return m_emptyHint; }

    void SetFrameDelay(int delay) { m_frameDelay = delay; }
    int GetFrameDelay() const { return m_frameDelay; }
    // When frames have delays of their own: each frame's start in hundredths
    // of a second; the labels use these instead of the one delay.
    void SetFrameStartTimes(std::vector<long long> starts);
    // The label of cell index.
    wxString GetFrameLabel(int index) const;

    // While suspended, list operations neither lay out nor repaint; the last
    // ResumeUpdates does both once.
    void SuspendUpdates() { ++m_freezeCount; }
    void ResumeUpdates();
    bool UpdatesSuspended() const { return m_freezeCount > 0; }

    // Selection: indices in the order in which they were selected.
    const wxArrayInt& GetSelectedIndices() const { return m_selections; }
    bool IsSelected(int n) const;
    // Selects or deselects n, moves the focus mark to it; no event.
    void Select(int n, bool select = true);
    void SelectAllItems();
    // Selects exactly items (in that order), the focus mark on focus, and
    // scrolls it into view; no event.
    void SelectOnly(const std::vector<int>& items, int focus);
    // A drag of the selection is under way; where it would drop (-1: nowhere).
    bool IsDragging() const { return m_dragging; }
    int GetDropPosition() const { return m_dropPosition; }
    // Shows the insertion mark at a drop position of files dragged from
    // outside (-1 hides it).
    void ShowDropMark(int position);
    // Moves the focus mark (-1 removes it); selection unchanged; no event.
    void SetFocusItem(int item);
    int GetFocusItem() const { return m_focusItem; }
    int GetAnchorItem() const { return m_anchorItem; }
    int GetLastSelectedItem() const { return m_lastSelected; }
    // The selection step of a click or key (THUMB_MOD_* flags), with the
    // ITEM_SELECTED/ITEM_DESELECTED notifications.
    void SelectWithModifiers(int n, int flags);
    // Keyboard navigation; false on an empty strip.
    virtual bool MoveByKey(int keyCode, int flags);

    // Hit test of a client point.
    bool ItemAtPoint(const wxPoint& pt, int& n) const;
    // Scroll so that item n is in view (left click; navigation keys).
    void ScrollToItem(int n);
    void ScrollToItemForKey(int keyCode, int n);

    // Geometry: cell and image box of item n, in client coordinates with
    // transform, else in unscrolled ones.
    bool GetRowCol(int item, const wxSize& clientSize, int& row, int& col) const;
    bool GetItemRect(int n, wxRect& rect, bool transform = true) const;
    bool GetItemRectImage(int n, wxRect& rect, bool transform = true) const;
    ThumbnailGeometry GetGeometry() const;

    // Appearance read by the items.
    wxSize GetThumbnailImageSize() const { return wxSize(m_thumbnailWidth, m_thumbnailHeight); }
    int GetItemMargin() const { return m_itemMargin; }
    int GetItemSpacing() const { return m_spacing; }
    wxSize GetItemSize() const { return wxSize(m_itemWidth, m_itemHeight); }
    int GetThumbnailTextHeight() const { return m_thumbnailTextHeight; }
    const wxColour& GetSelectedFocusedColour() const { return m_focusedSelectionColour; }
    const wxColour& GetSelectedUnfocusedColour() const { return m_unfocusedSelectionColour; }
    const wxColour& GetUnselectedColour() const { return m_unselectedColour; }
    const wxColour& GetFocusMarkColour() const { return m_focusRectColour; }
    const wxColour& GetLabelColour() const { return m_labelColour; }

    // Scroll bars for the current items and client size; nothing while suspended.
    void UpdateScrollRange();
    // Makes the paint buffer at least this large (wxDefaultSize: the client size).
    bool GrowPaintBuffer(const wxSize& size);
    void FillBackground(wxDC& dc);

protected:
    wxSize DoGetBestSize() const override;
    void ComputeItemSize();

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnLeftClick(wxMouseEvent& event);
    void OnRightClick(wxMouseEvent& event);
    void OnMiddleClick(wxMouseEvent& event);
    void OnLeftDClick(wxMouseEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnSetFocus(wxFocusEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnUpdateSelectAll(wxUpdateUIEvent& event);
    // Dragging the selection to another place.
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnDragScrollTimer(wxTimerEvent& event);

private:
    void Init();
    bool IsValidIndex(int n) const { return n >= 0 && n < GetCount(); }
    void ResetCursorItems();
    void AddToSelection(int n);
    void RemoveFromSelection(int n);
    void ClearSelection();
    // Repaints one cell if it is in view.
    void RefreshItem(int n);
    void ScrollToUnits(int position);
    int ScrollOffsetY() const;
    void SendThumbnailEvent(wxEventType type, int index, int flags);
    void UpdateDrag(const wxPoint& point);
    void EndDrag(bool drop);
    void PaintDropMark(wxDC& dc);
    void PaintEmptyHint(wxDC& dc);

    int m_frameDelay;
    wxString m_emptyHint;
    std::vector<long long> m_startTimes;
    wxThumbnailItemArray m_items;
    wxArrayInt m_selections;
    std::vector<unsigned char> m_selectedFlags;  // per item: in m_selections
    int m_itemWidth;
    int m_itemHeight;
    int m_thumbnailWidth;
    int m_thumbnailHeight;
    int m_spacing;
    int m_itemMargin;
    int m_thumbnailTextHeight;
    int m_freezeCount;
    int m_anchorItem;
    int m_lastSelected;
    int m_focusItem;
    wxColour m_focusedSelectionColour;
    wxColour m_unfocusedSelectionColour;
    wxColour m_unselectedColour;
    wxColour m_focusRectColour;
    wxColour m_labelColour;
    wxBitmap m_paintBuffer;

    unsigned long m_revision = 0;

    // A left press that may become a drag, and the drag itself.
    bool m_dragPossible = false;
    bool m_dragging = false;
    wxPoint m_dragStart;
    int m_pendingClick = -1;  // a selected item pressed: selected alone unless dragged
    bool m_tabbedIn = false;  // focused, and no key released or click since
    int m_dropPosition = -1;
    int m_dragScrollStep = 0;
    wxTimer m_dragScrollTimer;
    wxDECLARE_DYNAMIC_CLASS_NO_COPY(wxThumbnailCtrl);
    wxDECLARE_EVENT_TABLE();
};
