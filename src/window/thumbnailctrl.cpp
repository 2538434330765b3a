#include "window/thumbnailctrl.h"

#include "base/filenames.h"
#include "base/trace.h"
#include "import/framepath.h"

#include <wx/control.h>
#include <wx/dcbuffer.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/settings.h>

#include <algorithm>

// Reports a broken precondition through the toolkit's assertion handler under
// the qualified name of the operation; the caller then returns its failure value.
#define THUMB_ASSERT_AT(func, cond, msg) wxFAIL_COND_MSG_AT(cond, msg, __FILE__, __LINE__, func)

wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_RETURN, wxThumbnailEvent);
wxDEFINE_EVENT(wxEVT_COMMAND_THUMBNAIL_DROP, wxThumbnailEvent);

wxIMPLEMENT_DYNAMIC_CLASS(wxThumbnailEvent, wxNotifyEvent);
wxIMPLEMENT_DYNAMIC_CLASS(wxThumbnailItem, wxObject);
wxIMPLEMENT_DYNAMIC_CLASS(wxImageThumbnailItem, wxThumbnailItem);
wxIMPLEMENT_DYNAMIC_CLASS(wxThumbnailCtrl, wxScrolledWindow);

namespace {

// The strip always has all of its own style bits; 0x40 is carried along unused.
constexpr long kStripStyle = THUMB_STYLE_MULTI_SELECT | THUMB_STYLE_SHOW_FILENAME | 0x40 |
                             THUMB_STYLE_SHOW_LABEL;

int CeilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

int ModifierFlags(const wxKeyboardState& state) {
    int flags = 0;
    if (state.ShiftDown()) flags |= THUMB_MOD_SHIFT;
    if (state.ControlDown()) flags |= THUMB_MOD_CTRL;
    if (state.AltDown()) flags |= THUMB_MOD_ALT;
    return flags;
}

wxString ExtensionOf(const wxString& fileName) {
    const int dot = fileName.Find('.', true);
    return dot == wxNOT_FOUND ? wxString() : fileName.Mid(dot + 1);
}

// Draws text inside a band, clipped to it; centred when it fits.
void DrawBandText(wxDC& dc, const wxString& label, const wxRect& band, bool centre) {
    // Longer than the cell: it ends with an ellipsis rather than mid-letter.
    const wxString text = dc.GetTextExtent(label).x > band.width
                              ? wxControl::Ellipsize(label, dc, wxELLIPSIZE_END, band.width)
                              : label;
    int x = band.x;
    if (centre) x += std::max(0, (band.width - dc.GetTextExtent(text).x) / 2);
    dc.SetClippingRegion(band);
    dc.DrawText(text, x, band.y);
    dc.DestroyClippingRegion();
}

}  // namespace

// ---------------------------------------------------------------------------
// Geometry

int ThumbnailGeometry::Columns(int clientWidth) const {
    return std::max(1, clientWidth / StrideX());
}

int ThumbnailGeometry::PageRows(int clientHeight) const {
    return std::max(1, clientHeight / StrideY());
}

wxRect ThumbnailGeometry::CellRect(int n, int clientWidth) const {
    const int columns = Columns(clientWidth);
    const int row = n / columns;
    const int col = n % columns;
    return wxRect(spacing + col * StrideX(), spacing + row * StrideY(), itemWidth, itemHeight);
}

wxRect ThumbnailGeometry::ImageRect(const wxRect& cell) const {
    wxRect box(cell.x + (itemWidth - imageWidth) / 2, cell.y + (itemHeight - imageHeight) / 2,
               imageWidth, imageHeight);
    if (!showLabel) box.y -= textHeight / 2;
    return box;
}

int ThumbnailGeometry::VirtualHeight(int count, int clientWidth) const {
    if (count <= 0) return 0;
    const int lastRow = (count - 1) / Columns(clientWidth);
    return spacing + StrideY() * (lastRow + 1);
}

int ThumbnailGeometry::ItemAt(const wxPoint& p, int scrollY, int clientWidth, int count) const {
    const int y = p.y + scrollY;
    if (p.x < 0 || y < 0) return -1;
    const int columns = Columns(clientWidth);
    const int col = p.x / StrideX();
    // Without this the point would wrap to the first item of the next row.
    if (col >= columns) return -1;
    const long long index = col + static_cast<long long>(columns) * (y / StrideY());
    return index < count ? static_cast<int>(index) : -1;
}

int ThumbnailGeometry::DropPositionAt(const wxPoint& p, int scrollY, int clientWidth,
                                      int count) const {
    if (count <= 0) return 0;
    const int columns = Columns(clientWidth);
    const long long row = std::max(0, p.y + scrollY) / StrideY();
    const int x = std::max(0, p.x);
    int column = x / StrideX();
    if (column >= columns)
        column = columns;
    else if (x - column * StrideX() > StrideX() / 2)
        ++column;
    return static_cast<int>(std::min<long long>(count, row * columns + column));
}

wxRect ThumbnailGeometry::DropMarkRect(int position, int clientWidth, int count) const {
    if (count <= 0) return wxRect();
    const bool atEnd = position >= count;
    const wxRect cell = CellRect(atEnd ? count - 1 : std::max(0, position), clientWidth);
    const int gapMiddle = atEnd ? cell.GetRight() + 1 + spacing / 2 : cell.x - (spacing + 1) / 2;
    return wxRect(gapMiddle - 1, cell.y, 3, cell.height);
}

void ThumbnailGeometry::RowsBetween(int top, int bottom, int& firstRow, int& lastRow) const {
    firstRow = std::max(0, (top - spacing) / StrideY());
    lastRow = bottom < 0 ? -1 : bottom / StrideY();
}

int ThumbScrollBottomTest(const ThumbnailGeometry& g, const wxRect& cell, int topPixels,
                          int clientHeight) {
    if (cell.y + cell.height <= topPixels + clientHeight) return -1;
    // Rounded up, so that the whole cell and the gap below it come into view.
    return CeilDiv(cell.y + g.itemHeight + g.spacing - clientHeight, kThumbScrollUnit);
}

int ThumbScrollTopTest(const wxRect& cell, int topPixels) {
    if (cell.y >= topPixels) return -1;
    return std::max(0, cell.y) / kThumbScrollUnit;
}

int ThumbKeyTarget(int keyCode, int current, int count, int columns, int pageRows) {
    int target = -1;
    switch (keyCode) {
        case WXK_END: target = count - 1; break;
        case WXK_HOME: target = 0; break;
        case WXK_LEFT: target = current - 1; break;
        case WXK_UP: target = current - columns; break;
        case WXK_RIGHT: target = current + 1; break;
        case WXK_DOWN: target = current + columns; break;
        case WXK_PAGEUP: target = std::max(0, current - pageRows * columns); break;
        case WXK_PAGEDOWN: target = std::min(count - 1, current + pageRows * columns); break;
        default: return -1;
    }
    return target >= 0 && target < count ? target : -1;
}

wxSize ThumbnailSizeFor(const wxSize& picture, const wxSize& box) {
    if (picture.x <= 0 || picture.y <= 0) return picture;
    const double sx = static_cast<double>(box.x) / picture.x;
    const double sy = static_cast<double>(box.y) / picture.y;
    if (sx >= 1 && sy >= 1) return picture;  // pictures are never enlarged
    const double s = std::min(sx, sy);
    return wxSize(static_cast<int>(picture.x * s), static_cast<int>(picture.y * s));
}

namespace {
// The unit the Delay field's label uses too, without its trailing space.
wxString SecondsUnit() { return wxGetTranslation("sec ").Strip(wxString::both); }
}  // namespace

wxString FormatFrameLabel(int index, int frameDelay) {
    // Single precision on purpose: the labels show what the frame times were
    // always shown as, rounding included.
    const float perFrame = static_cast<float>(frameDelay / 100.0);
    const float start = static_cast<float>(index) * perFrame;
    return wxString::Format("#%d  %.2f", index + 1, static_cast<double>(start)) + SecondsUnit();
}

wxString FormatFrameStartLabel(int index, long long start) {
    return wxString::Format("#%d  %lld.%02lld", index + 1, start / 100, start % 100) + SecondsUnit();
}

// ---------------------------------------------------------------------------
// Items

wxThumbnailItem::wxThumbnailItem(const wxString& path) : m_path(path) {}

wxThumbnailItem::~wxThumbnailItem() = default;

bool wxThumbnailItem::DrawImage(wxDC&, wxThumbnailCtrl*, const wxRect&, int) { return false; }

bool wxThumbnailItem::PrepareThumbnail(wxThumbnailCtrl*, bool) { return false; }

bool wxThumbnailItem::DrawDecoration(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& rect,
                                     const wxRect& imageRect, int flags, int index) {
    const bool selected = (flags & THUMB_DRAW_SELECTED) != 0;
    const wxColour& fill = !selected ? ctrl->GetUnselectedColour()
                           : (flags & THUMB_DRAW_CTRL_FOCUSED) ? ctrl->GetSelectedFocusedColour()
                                                                : ctrl->GetSelectedUnfocusedColour();
    dc.SetBrush(wxBrush(fill));
    dc.SetPen(wxPen(fill, 1));
    dc.DrawRectangle(rect);

    // Raised when unselected, sunken when selected.
    const int x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    dc.SetPen(selected ? *wxWHITE_PEN : *wxBLACK_PEN);
    dc.DrawLine(x + w - 1, y, x + w - 1, y + h - 1);
    dc.DrawLine(x, y + h - 1, x + w, y + h - 1);
    dc.SetPen(selected ? *wxBLACK_PEN : *wxWHITE_PEN);
    dc.DrawLine(x, y, x + w - 1, y);
    dc.DrawLine(x, y, x, y + h - 1);

    const wxString name = ShownFileName(ShownFrameName(m_path));
    const int margin = ctrl->GetItemMargin();
    const int gap = (h - imageRect.height) / 2;
    if (!name.empty() && ctrl->HasFlag(THUMB_STYLE_SHOW_FILENAME)) {
        dc.SetFont(ctrl->GetFont());
        dc.SetTextForeground(selected ? *wxWHITE : *wxBLACK);
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        const wxRect band(x + margin, y + margin, w - 2 * margin, gap - 2 * margin);
        DrawBandText(dc, name, band, true);
    }
    if (!name.empty() && !ExtensionOf(name).empty() && ctrl->HasFlag(THUMB_STYLE_SHOW_LABEL)) {
        dc.SetFont(ctrl->GetFont());
        dc.SetTextForeground(selected ? *wxWHITE : ctrl->GetLabelColour());
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        const wxRect band(x + margin, y + h - gap + margin, w - 2 * margin, gap - 2 * margin);
        DrawBandText(dc, ctrl->GetFrameLabel(index), band, false);
    }

    if (flags & THUMB_DRAW_FOCUS_ITEM) {
        dc.SetPen(wxPen(ctrl->GetFocusMarkColour(), 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(imageRect.x - 1, imageRect.y - 1, imageRect.width + 2,
                         imageRect.height + 2);
    }
    return true;
}

wxImageThumbnailItem::wxImageThumbnailItem() = default;

wxImageThumbnailItem::wxImageThumbnailItem(wxImage* image, int frameIndex, const wxString& path)
    : wxThumbnailItem(path), m_image(image), m_frameIndex(frameIndex) {}

wxImageThumbnailItem::~wxImageThumbnailItem() = default;

bool wxImageThumbnailItem::DrawImage(wxDC& dc, wxThumbnailCtrl*, const wxRect& box, int) {
    if (!m_thumbnail.IsOk()) return true;
    dc.DrawBitmap(m_thumbnail, box.x + (box.width - m_thumbnail.GetWidth()) / 2,
                  box.y + (box.height - m_thumbnail.GetHeight()) / 2, false);
    return true;
}

bool wxImageThumbnailItem::PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force) {
    Trace("wxImageThumbnailItem");
    if (m_thumbnail.IsOk() && !force) return true;
    if (!wxFileExists(m_path)) return false;
    // Once the picture has been released there is nothing to rebuild from.
    if (!m_image || !m_image->IsOk()) return m_thumbnail.IsOk();
    wxLogNull quiet;
    // Only while the path still is the GIF file itself.
    if (HasGifExtension(m_path)) m_path = MakeFramePath(m_path, m_frameIndex);
    m_bitmap = wxBitmap(*m_image);
    const wxSize box = ctrl ? ctrl->GetThumbnailImageSize() : wxSize(80, 80);
    m_thumbnail = ScaleToThumbnail(*m_image, box.x, box.y);
    if (m_thumbnail.IsOk()) m_image.reset();
    return true;
}

wxBitmap wxImageThumbnailItem::ScaleToThumbnail(const wxImage& image, int width, int height) {
    const wxSize size = ThumbnailSizeFor(image.GetSize(), wxSize(width, height));
    if (size == image.GetSize()) return wxBitmap(image);
    if (size.x < 1 || size.y < 1) return wxBitmap();
    return wxBitmap(image.Scale(size.x, size.y, wxIMAGE_QUALITY_NORMAL));
}

void wxThumbnailItemArray::Add(wxThumbnailItem* item) { m_items.emplace_back(item); }

void wxThumbnailItemArray::Insert(wxThumbnailItem* item, size_t uiIndex) {
    m_items.emplace(m_items.begin() + static_cast<std::ptrdiff_t>(uiIndex), item);
}

void wxThumbnailItemArray::RemoveAt(size_t uiIndex) {
    if (uiIndex >= size()) {
        THUMB_ASSERT_AT("wxThumbnailItemArray::RemoveAt", uiIndex < size(),
                        "bad index in wxThumbnailItemArray::RemoveAt()");
        return;
    }
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(uiIndex));
}

void wxThumbnailItemArray::Clear() { m_items.clear(); }

// ---------------------------------------------------------------------------
// The strip

wxBEGIN_EVENT_TABLE(wxThumbnailCtrl, wxScrolledWindow)
    EVT_PAINT(wxThumbnailCtrl::OnPaint)
    EVT_ERASE_BACKGROUND(wxThumbnailCtrl::OnEraseBackground)
    EVT_LEFT_DOWN(wxThumbnailCtrl::OnLeftClick)
    EVT_RIGHT_DOWN(wxThumbnailCtrl::OnRightClick)
    EVT_MIDDLE_DOWN(wxThumbnailCtrl::OnMiddleClick)
    EVT_LEFT_DCLICK(wxThumbnailCtrl::OnLeftDClick)
    EVT_CHAR(wxThumbnailCtrl::OnChar)
    EVT_KEY_UP(wxThumbnailCtrl::OnKeyUp)
    EVT_SIZE(wxThumbnailCtrl::OnSize)
    EVT_SET_FOCUS(wxThumbnailCtrl::OnSetFocus)
    EVT_KILL_FOCUS(wxThumbnailCtrl::OnKillFocus)
    EVT_LEFT_UP(wxThumbnailCtrl::OnLeftUp)
    EVT_MOTION(wxThumbnailCtrl::OnMotion)
    EVT_MOUSE_CAPTURE_LOST(wxThumbnailCtrl::OnCaptureLost)
    EVT_MENU(wxID_SELECTALL, wxThumbnailCtrl::OnSelectAll)
    EVT_UPDATE_UI(wxID_SELECTALL, wxThumbnailCtrl::OnUpdateSelectAll)
wxEND_EVENT_TABLE()

wxThumbnailCtrl::wxThumbnailCtrl() { Init(); }

wxThumbnailCtrl::wxThumbnailCtrl(wxWindow* parent, const wxPoint& pos, const wxSize& size) {
    Init();
    Create(parent, pos, size);
}

wxThumbnailCtrl::~wxThumbnailCtrl() {
    // Closed in the middle of a drag: the toolkit must not keep the pointer
    // grabbed for a window that no longer exists.
    if (HasCapture()) ReleaseMouse();
    m_items.Clear();
}

void wxThumbnailCtrl::Init() {
    m_frameDelay = 0;
    m_itemWidth = -1;
    m_itemHeight = -1;
    m_thumbnailWidth = 80;
    m_thumbnailHeight = 80;
    m_spacing = 3;
    m_itemMargin = 3;
    m_thumbnailTextHeight = 13;  // measured once the window exists
    m_freezeCount = 0;
    m_anchorItem = -1;
    m_lastSelected = -1;
    m_focusItem = -1;
    m_focusedSelectionColour = wxColour(140, 140, 140);
    m_unfocusedSelectionColour = wxColour(175, 175, 175);
    m_unselectedColour = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    m_focusRectColour = wxColour(100, 80, 80);
    m_labelColour = wxColour(0, 0, 200);
}

bool wxThumbnailCtrl::Create(wxWindow* parent, const wxPoint& pos, const wxSize& size) {
    // wxVSCROLL as well: without it GTK never shows the vertical scroll bar
    // and the strip cannot be scrolled with the mouse.
    if (!wxScrolledWindow::Create(parent, ID_THUMBNAIL_CTRL, pos, size,
                                  wxHSCROLL | wxVSCROLL | wxBORDER_SUNKEN | kStripStyle,
                                  wxASCII_STR(wxPanelNameStr)))
        return false;
    if (!GetFont().IsOk()) SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    ComputeItemSize();
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    SetInitialSize(size);
    GrowPaintBuffer(size);
    m_dragScrollTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &wxThumbnailCtrl::OnDragScrollTimer, this, m_dragScrollTimer.GetId());
    return true;
}

wxSize wxThumbnailCtrl::DoGetBestSize() const { return wxWindowBase::DoGetBestSize(); }

void wxThumbnailCtrl::ComputeItemSize() {
    int w = 0, h = 0;
    GetTextExtent("X", &w, &h);
    m_thumbnailTextHeight = h;
    m_itemWidth = m_thumbnailWidth + 2 * m_itemMargin;
    m_itemHeight = HasFlag(THUMB_STYLE_SHOW_LABEL)
                       ? m_thumbnailHeight + 4 * m_itemMargin + 2 * m_thumbnailTextHeight
                       : m_thumbnailHeight + 3 * m_itemMargin + m_thumbnailTextHeight;
}

ThumbnailGeometry wxThumbnailCtrl::GetGeometry() const {
    ThumbnailGeometry g;
    g.itemWidth = m_itemWidth;
    g.itemHeight = m_itemHeight;
    g.imageWidth = m_thumbnailWidth;
    g.imageHeight = m_thumbnailHeight;
    g.spacing = m_spacing;
    g.margin = m_itemMargin;
    g.textHeight = m_thumbnailTextHeight;
    g.showLabel = HasFlag(THUMB_STYLE_SHOW_LABEL);
    return g;
}

// --- item list --------------------------------------------------------------

int wxThumbnailCtrl::GetCount() const { return static_cast<int>(m_items.size()); }

wxThumbnailItem* wxThumbnailCtrl::GetItem(int n) const {
    if (!IsValidIndex(n)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::GetItem", n < GetCount(), "");
        return nullptr;
    }
    return m_items[static_cast<size_t>(n)];
}

void wxThumbnailCtrl::ResetCursorItems() { m_anchorItem = m_lastSelected = m_focusItem = -1; }

int wxThumbnailCtrl::Append(wxThumbnailItem* item, int frameDelay) {
    Trace("Append");
    m_frameDelay = frameDelay;
    if (!item || !item->PrepareThumbnail(this, false)) return -1;
    m_items.Add(item);
    ++m_revision;
    m_selectedFlags.push_back(0);
    ResetCursorItems();
    if (!UpdatesSuspended()) {
        UpdateScrollRange();
        Refresh();
    }
    return GetCount() - 1;
}

int wxThumbnailCtrl::InsertItem(wxThumbnailItem* item, int index) {
    if (!item) return -1;
    if (index < 0 || index > GetCount()) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::InsertItem", index <= GetCount(), "");
        return -1;
    }
    m_items.Insert(item, static_cast<size_t>(index));
    ++m_revision;
    m_selectedFlags.insert(m_selectedFlags.begin() + index, 0);
    ResetCursorItems();
    for (int& s : m_selections)
        if (s >= index) ++s;
    item->PrepareThumbnail(this, false);
    if (!UpdatesSuspended()) {
        UpdateScrollRange();
        Refresh();
    }
    return index;
}

void wxThumbnailCtrl::SetFrameStartTimes(std::vector<long long> starts) {
    m_startTimes = std::move(starts);
}

wxString wxThumbnailCtrl::GetFrameLabel(int index) const {
    if (index >= 0 && static_cast<size_t>(index) < m_startTimes.size())
        return FormatFrameStartLabel(index, m_startTimes[static_cast<size_t>(index)]);
    return FormatFrameLabel(index, m_frameDelay);
}

void wxThumbnailCtrl::RemoveAllItems() {
    ResetCursorItems();
    if (!m_items.IsEmpty()) ++m_revision;
    m_items.Clear();
    m_selections.Clear();
    m_selectedFlags.clear();
    if (!UpdatesSuspended()) {
        UpdateScrollRange();
        Refresh();
    }
}

void wxThumbnailCtrl::RemoveItem(int index) {
    if (!IsValidIndex(index)) {
        m_items.RemoveAt(static_cast<size_t>(index));  // reports the bad index
        return;
    }
    if (m_anchorItem == index) m_anchorItem = -1;
    if (m_lastSelected == index) m_lastSelected = -1;
    if (m_focusItem == index) m_focusItem = -1;
    RemoveFromSelection(index);
    m_items.RemoveAt(static_cast<size_t>(index));
    ++m_revision;
    m_selectedFlags.erase(m_selectedFlags.begin() + index);
    for (int& s : m_selections)
        if (s > index) --s;
    if (!UpdatesSuspended()) {
        UpdateScrollRange();
        Refresh();
    }
}

void wxThumbnailCtrl::ResumeUpdates() {
    if (m_freezeCount == 0) return;  // unbalanced: there is nothing to resume
    if (--m_freezeCount == 0) {
        UpdateScrollRange();
        Refresh();
    }
}

// --- selection --------------------------------------------------------------

bool wxThumbnailCtrl::IsSelected(int n) const {
    return IsValidIndex(n) && m_selectedFlags[static_cast<size_t>(n)] != 0;
}

void wxThumbnailCtrl::AddToSelection(int n) {
    if (m_selectedFlags[static_cast<size_t>(n)]) return;
    m_selectedFlags[static_cast<size_t>(n)] = 1;
    m_selections.Add(n);
}

void wxThumbnailCtrl::RemoveFromSelection(int n) {
    if (!m_selectedFlags[static_cast<size_t>(n)]) return;
    m_selectedFlags[static_cast<size_t>(n)] = 0;
    m_selections.Remove(n);
}

void wxThumbnailCtrl::ClearSelection() {
    for (int s : m_selections) m_selectedFlags[static_cast<size_t>(s)] = 0;
    m_selections.Clear();
}

void wxThumbnailCtrl::Select(int n, bool select) {
    if (!IsValidIndex(n)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::Select", n < GetCount(), "");
        return;
    }
    if (select)
        AddToSelection(n);
    else
        RemoveFromSelection(n);
    const int oldFocus = m_focusItem;
    m_anchorItem = m_lastSelected = m_focusItem = n;
    if (!UpdatesSuspended()) {
        RefreshItem(n);
        if (oldFocus != -1 && oldFocus != n) RefreshItem(oldFocus);
    }
}

void wxThumbnailCtrl::SelectAllItems() {
    SuspendUpdates();
    for (int i = 0; i < GetCount(); ++i) Select(i, true);
    m_focusItem = GetCount() - 1;
    ResumeUpdates();
}

void wxThumbnailCtrl::SetFocusItem(int item) {
    if (item < -1 || item >= GetCount()) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::SetFocusItem", item < GetCount(), "");
        return;
    }
    const int old = m_focusItem;
    m_focusItem = item;
    if (!UpdatesSuspended()) {
        if (old != -1) RefreshItem(old);
        if (item != -1) RefreshItem(item);
    }
}

void wxThumbnailCtrl::SelectWithModifiers(int n, int flags) {
    if (!IsValidIndex(n)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::SelectWithModifiers", n < GetCount(), "");
        return;
    }
    const bool wasSelected = IsSelected(n);
    std::vector<int> changes;
    auto addChange = [&changes](int i) {
        if (std::find(changes.begin(), changes.end(), i) == changes.end()) changes.push_back(i);
    };
    const bool multi = HasFlag(THUMB_STYLE_MULTI_SELECT);
    const bool ctrl = (flags & THUMB_MOD_CTRL) != 0;
    const bool shift = (flags & THUMB_MOD_SHIFT) != 0;

    if (!multi || (!ctrl && !shift)) {
        for (int s : m_selections) {
            RefreshItem(s);
            changes.push_back(s);
        }
        ClearSelection();
        Select(n, true);
        addChange(n);
    } else if (ctrl) {
        Select(n, !wasSelected);
        changes.push_back(n);
    } else {
        const int anchor = m_anchorItem;
        const wxArrayInt previous = m_selections;
        ClearSelection();
        const bool walk = anchor >= 0 && anchor < GetCount() && anchor != n;
        if (walk) {
            const int step = n > anchor ? 1 : -1;
            for (int i = anchor; i != n; i += step) {
                AddToSelection(i);
                changes.push_back(i);
                RefreshItem(i);
            }
        }
        for (int s : previous)
            if (!IsSelected(s)) RefreshItem(s);
        Select(n, true);
        addChange(n);
        if (walk) m_anchorItem = anchor;  // further Shift clicks extend from the same start
    }

    for (int i : changes)
        SendThumbnailEvent(IsSelected(i) ? wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED
                                         : wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED,
                           i, 0);
}

bool wxThumbnailCtrl::MoveByKey(int keyCode, int flags) {
    const int count = GetCount();
    if (count == 0) return false;
    const ThumbnailGeometry g = GetGeometry();
    const wxSize client = GetClientSize();
    const int current = m_focusItem != -1 ? m_focusItem : m_lastSelected;
    if (current < 0 || current >= count) {
        m_lastSelected = 0;
        SelectWithModifiers(0, flags);
        ScrollToItemForKey(keyCode, 0);
        return true;
    }
    const int target =
        ThumbKeyTarget(keyCode, current, count, g.Columns(client.x), g.PageRows(client.y));
    if (target < 0) return false;
    SelectWithModifiers(target, flags);
    ScrollToItemForKey(keyCode, target);
    return true;
}

// --- geometry ---------------------------------------------------------------

int wxThumbnailCtrl::ScrollOffsetY() const {
    int ppuX = 0, ppuY = 0;
    GetScrollPixelsPerUnit(&ppuX, &ppuY);
    return GetViewStart().y * ppuY;
}

bool wxThumbnailCtrl::GetRowCol(int item, const wxSize& clientSize, int& row, int& col) const {
    if (!IsValidIndex(item)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::GetRowCol", item < GetCount(), "");
        return false;
    }
    const int columns = GetGeometry().Columns(clientSize.x);
    row = item / columns;
    col = item % columns;
    return true;
}

bool wxThumbnailCtrl::GetItemRect(int n, wxRect& rect, bool transform) const {
    if (!IsValidIndex(n)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::GetItemRect", n < GetCount(), "");
        return false;
    }
    rect = GetGeometry().CellRect(n, GetClientSize().x);
    if (transform) rect.y -= ScrollOffsetY();
    return true;
}

bool wxThumbnailCtrl::GetItemRectImage(int n, wxRect& rect, bool transform) const {
    if (!IsValidIndex(n)) {
        THUMB_ASSERT_AT("wxThumbnailCtrl::GetItemRectImage", n < GetCount(), "");
        return false;
    }
    const ThumbnailGeometry g = GetGeometry();
    rect = g.ImageRect(g.CellRect(n, GetClientSize().x));
    if (transform) rect.y -= ScrollOffsetY();
    return true;
}

bool wxThumbnailCtrl::ItemAtPoint(const wxPoint& pt, int& n) const {
    const int hit = GetGeometry().ItemAt(pt, ScrollOffsetY(), GetClientSize().x, GetCount());
    if (hit < 0) return false;
    n = hit;
    return true;
}

// --- scrolling --------------------------------------------------------------

void wxThumbnailCtrl::UpdateScrollRange() {
    if (UpdatesSuspended()) return;
    if (GetCount() == 0) {
        SetScrollbars(0, 0, 0, 0, 0, 0);
        return;
    }
    const wxSize client = GetClientSize();
    const int height = GetGeometry().VirtualHeight(GetCount(), client.x);
    // Rounded up: the last row must be reachable in whole.
    const int units = CeilDiv(height, kThumbScrollUnit);
    const int highest = CeilDiv(std::max(0, height - client.y), kThumbScrollUnit);
    const int current = GetViewStart().y;
    SetScrollbars(0, kThumbScrollUnit, 0, units, 0, std::min(highest, current));
}

void wxThumbnailCtrl::ScrollToUnits(int position) { Scroll(wxDefaultCoord, position); }

void wxThumbnailCtrl::ScrollToItem(int n) {
    wxRect cell;
    if (!GetItemRect(n, cell, false)) return;
    const ThumbnailGeometry g = GetGeometry();
    const int top = ScrollOffsetY();
    int position = ThumbScrollBottomTest(g, cell, top, GetClientSize().y);
    if (position < 0) position = ThumbScrollTopTest(cell, top);
    if (position >= 0) ScrollToUnits(position);
}

void wxThumbnailCtrl::ScrollToItemForKey(int keyCode, int n) {
    bool bottomFirst;
    switch (keyCode) {
        case WXK_END:
        case WXK_RIGHT:
        case WXK_DOWN:
        case WXK_PAGEDOWN: bottomFirst = true; break;
        case WXK_HOME:
        case WXK_LEFT:
        case WXK_UP:
        case WXK_PAGEUP: bottomFirst = false; break;
        default: return;
    }
    wxRect cell;
    if (!GetItemRect(n, cell, false)) return;
    const ThumbnailGeometry g = GetGeometry();
    const int top = ScrollOffsetY();
    const int clientHeight = GetClientSize().y;
    int position = bottomFirst ? ThumbScrollBottomTest(g, cell, top, clientHeight)
                               : ThumbScrollTopTest(cell, top);
    if (position < 0)
        position = bottomFirst ? ThumbScrollTopTest(cell, top)
                               : ThumbScrollBottomTest(g, cell, top, clientHeight);
    if (position >= 0) ScrollToUnits(position);
}

// --- painting ---------------------------------------------------------------

bool wxThumbnailCtrl::GrowPaintBuffer(const wxSize& size) {
    const wxSize wanted = size == wxDefaultSize ? GetClientSize() : size;
    if (wanted.x < 1 || wanted.y < 1) return false;
    if (m_paintBuffer.IsOk() && m_paintBuffer.GetWidth() >= wanted.x &&
        m_paintBuffer.GetHeight() >= wanted.y)
        return true;
    // Never shrinks: keep what was there in the other direction.
    const int w = std::max(wanted.x, m_paintBuffer.IsOk() ? m_paintBuffer.GetWidth() : 0);
    const int h = std::max(wanted.y, m_paintBuffer.IsOk() ? m_paintBuffer.GetHeight() : 0);
    m_paintBuffer = wxBitmap(w, h);
    return m_paintBuffer.IsOk();
}

void wxThumbnailCtrl::FillBackground(wxDC& dc) {
    wxColour colour = GetBackgroundColour();
    if (!colour.IsOk()) colour = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    dc.SetBrush(wxBrush(colour));
    dc.SetPen(*wxTRANSPARENT_PEN);
    const wxSize client = GetClientSize();
    const wxPoint topLeft = CalcUnscrolledPosition(wxPoint(-2, -2));
    dc.DrawRectangle(topLeft.x, topLeft.y, client.x + 4, client.y + 4);
}

bool wxThumbnailCtrl::PaintItemImage(int n, wxDC& dc, const wxRect& imageRect, int flags) {
    wxThumbnailItem* item = GetItem(n);
    return item && item->DrawImage(dc, this, imageRect, flags);
}

bool wxThumbnailCtrl::PaintItemFrame(int n, wxDC& dc, const wxRect& rect,
                                     const wxRect& imageRect, int flags) {
    wxThumbnailItem* item = GetItem(n);
    return item && item->DrawDecoration(dc, this, rect, imageRect, flags, n);
}

void wxThumbnailCtrl::OnPaint(wxPaintEvent&) {
    wxBufferedPaintDC dc(this, m_paintBuffer, wxBUFFER_CLIENT_AREA);
    PrepareDC(dc);
    if (UpdatesSuspended()) return;
    FillBackground(dc);
    const int count = GetCount();
    if (count == 0) {
        PaintEmptyHint(dc);
        return;
    }

    const wxRegion& region = GetUpdateRegion();
    const bool focused = FindFocus() == this;
    const ThumbnailGeometry g = GetGeometry();
    const int clientWidth = GetClientSize().x;
    const int columns = g.Columns(clientWidth);
    const int scrollY = ScrollOffsetY();
    // Only rows that the update region's box reaches can touch the region.
    const wxRect box = region.GetBox();
    int firstRow = 0, lastRow = -1;
    g.RowsBetween(box.y + scrollY, box.GetBottom() + scrollY, firstRow, lastRow);
    const int first = std::min(count, firstRow * columns);
    const int last = static_cast<int>(std::min<long long>(
        count, (static_cast<long long>(lastRow) + 1) * columns));
    for (int i = first; i < last; ++i) {
        const wxRect cell = g.CellRect(i, clientWidth);
        wxRect onScreen = cell;
        onScreen.y -= scrollY;
        if (region.Contains(onScreen) == wxOutRegion) continue;
        int flags = 0;
        if (m_selectedFlags[static_cast<size_t>(i)]) flags |= THUMB_DRAW_SELECTED;
        if (focused) {
            flags |= THUMB_DRAW_CTRL_FOCUSED;
            if (i == m_focusItem) flags |= THUMB_DRAW_FOCUS_ITEM;
        }
        const wxRect image = g.ImageRect(cell);
        PaintItemFrame(i, dc, cell, image, flags);
        PaintItemImage(i, dc, image, flags);
    }
    if (m_dropPosition >= 0) PaintDropMark(dc);
}

void wxThumbnailCtrl::SetEmptyHint(const wxString& text) {
    m_emptyHint = text;
    if (GetCount() == 0) Refresh(false);
}

void wxThumbnailCtrl::PaintEmptyHint(wxDC& dc) {
    if (m_emptyHint.empty()) return;
    dc.SetFont(GetFont());
    dc.SetTextForeground(m_labelColour);
    // Nothing scrolls while the strip is empty: the client area is the view.
    dc.DrawLabel(m_emptyHint, wxRect(GetClientSize()), wxALIGN_CENTER);
}

void wxThumbnailCtrl::OnEraseBackground(wxEraseEvent&) {
    // The paint handler covers everything; erasing first would only flicker.
}

void wxThumbnailCtrl::RefreshItem(int n) {
    if (!IsValidIndex(n) || UpdatesSuspended()) return;
    wxRect rect;
    GetItemRect(n, rect);
    if (rect.Intersects(wxRect(GetClientSize()))) RefreshRect(rect, false);
}

// --- input ------------------------------------------------------------------

void wxThumbnailCtrl::SendThumbnailEvent(wxEventType type, int index, int flags) {
    wxThumbnailEvent event(type, GetId());
    event.SetEventObject(this);
    event.SetItemIndex(index);
    event.SetModifierFlags(flags);
    GetEventHandler()->ProcessEvent(event);
}

void wxThumbnailCtrl::OnLeftClick(wxMouseEvent& event) {
    SetFocus();
    m_tabbedIn = false;
    int n = -1;
    if (!ItemAtPoint(event.GetPosition(), n)) return;
    const int flags = ModifierFlags(event);
    ScrollToItem(n);
    // Pressing one of several selected items keeps them selected, so that
    // they can be dragged together; released without a drag, it alone stays.
    m_pendingClick = -1;
    if (flags == 0 && IsSelected(n) && m_selections.size() > 1) {
        m_pendingClick = n;
        SetFocusItem(n);
    } else {
        SelectWithModifiers(n, flags);
    }
    m_dragPossible = flags == 0;
    m_dragStart = event.GetPosition();
    SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, n, flags);
}

void wxThumbnailCtrl::OnRightClick(wxMouseEvent& event) {
    SetFocus();
    m_tabbedIn = false;
    int n = -1;
    if (!ItemAtPoint(event.GetPosition(), n)) return;
    if (n != m_focusItem) SetFocusItem(n);
    SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, n, ModifierFlags(event));
}

void wxThumbnailCtrl::OnMiddleClick(wxMouseEvent& event) {
    int n = -1;
    if (ItemAtPoint(event.GetPosition(), n))
        SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, n, ModifierFlags(event));
}

void wxThumbnailCtrl::OnLeftDClick(wxMouseEvent& event) {
    int n = -1;
    if (ItemAtPoint(event.GetPosition(), n))
        SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK, n, ModifierFlags(event));
}

void wxThumbnailCtrl::OnChar(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const int flags = ModifierFlags(event);
    switch (key) {
        case WXK_RETURN:
            SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_RETURN, -1, flags);
            break;
        case WXK_ESCAPE:
            if (m_dragging)
                EndDrag(false);
            else
                event.Skip();
            break;
        case WXK_END:
        case WXK_HOME:
        case WXK_LEFT:
        case WXK_UP:
        case WXK_RIGHT:
        case WXK_DOWN:
        case WXK_PAGEUP:
        case WXK_PAGEDOWN:
            MoveByKey(key, flags);
            break;
        default:
            event.Skip();
    }
}

void wxThumbnailCtrl::OnSize(wxSizeEvent& event) {
    UpdateScrollRange();
    GrowPaintBuffer(wxDefaultSize);
    // The cells reflow with the width and the hint stays centred; what was
    // painted before is out of place.
    Refresh(false);
    event.Skip();
}

void wxThumbnailCtrl::OnSetFocus(wxFocusEvent& event) {
    if (GetCount() > 0) Refresh(false);
    // Whether Tab brought the focus shows when its key is released here.
    m_tabbedIn = true;
    event.Skip();
}

// Reached with Tab and nothing selected: the keys need a frame to start from.
// A click, or the window coming back to the front, chooses nothing.
void wxThumbnailCtrl::OnKeyUp(wxKeyEvent& event) {
    if (m_tabbedIn && event.GetKeyCode() == WXK_TAB && GetCount() > 0 && m_selections.IsEmpty())
        SelectWithModifiers(0, 0);
    m_tabbedIn = false;
    event.Skip();
}

void wxThumbnailCtrl::OnKillFocus(wxFocusEvent& event) {
    m_tabbedIn = false;
    if (GetCount() > 0) Refresh(false);
    event.Skip();
}

void wxThumbnailCtrl::OnSelectAll(wxCommandEvent&) { SelectAllItems(); }

void wxThumbnailCtrl::OnUpdateSelectAll(wxUpdateUIEvent& event) { event.Enable(GetCount() > 0); }
