#include "window/croptool.h"

#include "window/previewpanel.h"

#include <wx/dc.h>
#include <wx/panel.h>

#include <algorithm>
#include <cmath>

namespace {

// How near a side or corner the pointer grabs it, in screen pixels.
constexpr int kGrab = 6;

wxStockCursor CursorFor(CropHandle handle) {
    switch (handle) {
        case CropHandle::Left:
        case CropHandle::Right: return wxCURSOR_SIZEWE;
        case CropHandle::Top:
        case CropHandle::Bottom: return wxCURSOR_SIZENS;
        case CropHandle::TopLeft:
        case CropHandle::BottomRight: return wxCURSOR_SIZENWSE;
        case CropHandle::TopRight:
        case CropHandle::BottomLeft: return wxCURSOR_SIZENESW;
        case CropHandle::Move: return wxCURSOR_SIZING;
        default: return wxCURSOR_CROSS;
    }
}

}  // namespace

CropTool::CropTool(PreviewPanel& preview, const wxSize& plane, const wxRect& crop, Listener listener)
    : m_preview(preview), m_plane(plane), m_crop(ClampedCrop(crop.IsEmpty() ? wxRect(wxPoint(0, 0), plane) : crop, plane)),
      m_listener(std::move(listener)) {
    wxPanel* panel = m_preview.GetPanel();
    for (const auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION})
        panel->Bind(type, &CropTool::OnMouse, this);
    panel->Bind(wxEVT_KEY_DOWN, &CropTool::OnKey, this);
    m_preview.SetPlaneOverlay([this](wxDC& dc) { Draw(dc); });
    panel->SetFocus();
}

CropTool::~CropTool() {
    wxPanel* panel = m_preview.GetPanel();
    if (panel->HasCapture()) panel->ReleaseMouse();
    for (const auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION})
        panel->Unbind(type, &CropTool::OnMouse, this);
    panel->Unbind(wxEVT_KEY_DOWN, &CropTool::OnKey, this);
    panel->SetCursor(wxNullCursor);
    m_preview.SetPlaneOverlay(nullptr);
}

void CropTool::SetCrop(const wxRect& crop) {
    m_crop = ClampedCrop(crop, m_plane);
    m_preview.GetPanel()->Refresh();
}

void CropTool::Changed(const wxRect& crop) {
    if (crop == m_crop) return;
    m_crop = crop;
    m_preview.GetPanel()->Refresh();
    if (m_listener.changed) m_listener.changed(m_crop);
}

wxPoint CropTool::ToPlane(const wxPoint& p) const {
    const wxRect shown = m_preview.GetRect();
    if (shown.IsEmpty()) return wxPoint(0, 0);
    return wxPoint(static_cast<int>(std::lround(double(p.x - shown.x) * m_plane.x / shown.width)),
                   static_cast<int>(std::lround(double(p.y - shown.y) * m_plane.y / shown.height)));
}

wxRect CropTool::ToPanel(const wxRect& r) const {
    const wxRect shown = m_preview.GetRect();
    if (shown.IsEmpty() || m_plane.x <= 0 || m_plane.y <= 0) return wxRect();
    const auto x = [&](int v) { return shown.x + static_cast<int>(std::lround(double(v) * shown.width / m_plane.x)); };
    const auto y = [&](int v) { return shown.y + static_cast<int>(std::lround(double(v) * shown.height / m_plane.y)); };
    return wxRect(wxPoint(x(r.x), y(r.y)), wxPoint(x(r.x + r.width) - 1, y(r.y + r.height) - 1));
}

void CropTool::OnMouse(wxMouseEvent& event) {
    wxPanel* panel = m_preview.GetPanel();
    const wxRect shown = m_preview.GetRect();
    if (shown.IsEmpty()) return;
    // The grab distance in plane pixels, for the preview's scale.
    const int grab = std::max(1, static_cast<int>(std::lround(double(kGrab) * m_plane.x / shown.width)));
    const wxPoint at = ToPlane(event.GetPosition());
    if (event.LeftDown()) {
        panel->SetFocus();
        m_handle = CropHandleAt(m_crop, at, grab);
        m_spanning = m_handle == CropHandle::None;
        m_from = at;
        m_start = m_crop;
        if (!panel->HasCapture()) panel->CaptureMouse();
        return;
    }
    if (event.LeftUp()) {
        if (panel->HasCapture()) panel->ReleaseMouse();
        m_handle = CropHandle::None;
        m_spanning = false;
        return;
    }
    if (!event.Dragging() || !event.LeftIsDown()) {
        panel->SetCursor(wxCursor(CursorFor(CropHandleAt(m_crop, at, grab))));
        return;
    }
    if (m_spanning)
        Changed(SpannedCrop(m_from, at, m_plane, event.ShiftDown(), m_start.GetSize()));
    else if (m_handle != CropHandle::None)
        Changed(DraggedCrop(m_start, m_handle, m_from, at, m_plane, event.ShiftDown()));
}

void CropTool::OnKey(wxKeyEvent& event) {
    // A nudge moves by one pixel of the plane, or by ten with Shift.
    const int step = event.ShiftDown() ? 10 : 1;
    switch (event.GetKeyCode()) {
        case WXK_LEFT: Changed(NudgedCrop(m_crop, -step, 0, m_plane)); break;
        case WXK_RIGHT: Changed(NudgedCrop(m_crop, step, 0, m_plane)); break;
        case WXK_UP: Changed(NudgedCrop(m_crop, 0, -step, m_plane)); break;
        case WXK_DOWN: Changed(NudgedCrop(m_crop, 0, step, m_plane)); break;
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            if (m_listener.finished) m_listener.finished(true);
            break;
        case WXK_ESCAPE:
            if (m_listener.finished) m_listener.finished(false);
            break;
        default: event.Skip();
    }
}

void CropTool::Draw(wxDC& dc) const {
    const wxRect shown = m_preview.GetRect();
    const wxRect crop = ToPanel(m_crop);
    if (shown.IsEmpty() || crop.IsEmpty()) return;
    // What the crop leaves out is dimmed; the crop keeps its pixels.
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_CROSSDIAG_HATCH));
    const int right = crop.GetRight() + 1, bottom = crop.GetBottom() + 1;
    dc.DrawRectangle(shown.x, shown.y, shown.width, crop.y - shown.y);
    dc.DrawRectangle(shown.x, bottom, shown.width, shown.GetBottom() + 1 - bottom);
    dc.DrawRectangle(shown.x, crop.y, crop.x - shown.x, crop.height);
    dc.DrawRectangle(right, crop.y, shown.GetRight() + 1 - right, crop.height);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(*wxWHITE, 1, wxPENSTYLE_SOLID));
    dc.DrawRectangle(crop);
    dc.SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_SHORT_DASH));
    dc.DrawRectangle(crop);
    // Handles on the corners and the middles of the sides.
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    const int cx = crop.x + crop.width / 2, cy = crop.y + crop.height / 2;
    for (const wxPoint& p : {wxPoint(crop.x, crop.y), wxPoint(cx, crop.y), wxPoint(right, crop.y),
                             wxPoint(crop.x, cy), wxPoint(right, cy), wxPoint(crop.x, bottom),
                             wxPoint(cx, bottom), wxPoint(right, bottom)})
        dc.DrawRectangle(p.x - 3, p.y - 3, 7, 7);
}
