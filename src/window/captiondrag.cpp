#include "window/captiondrag.h"

#include "window/previewpanel.h"

#include <wx/dcclient.h>
#include <wx/panel.h>

#include <cmath>

CaptionDrag::CaptionDrag(PreviewPanel& preview, const Document& document, Moved moved)
    : m_preview(preview), m_document(document), m_moved(std::move(moved)) {
    wxPanel* panel = m_preview.GetPanel();
    for (const auto& type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION}) panel->Bind(type, &CaptionDrag::OnMouse, this);
    panel->Bind(wxEVT_MOUSE_CAPTURE_LOST, &CaptionDrag::OnCaptureLost, this);
}

CaptionDrag::~CaptionDrag() {
    wxPanel* panel = m_preview.GetPanel();
    for (const auto& type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION}) panel->Unbind(type, &CaptionDrag::OnMouse, this);
    panel->Unbind(wxEVT_MOUSE_CAPTURE_LOST, &CaptionDrag::OnCaptureLost, this);
}

void CaptionDrag::OnCaptureLost(wxMouseCaptureLostEvent&) {
    m_dragged.reset();
    m_preview.GetPanel()->Refresh();
}

wxPoint CaptionDrag::ToCanvas(const wxPoint& p) const {
    const wxRect shown = m_preview.GetRect();
    const wxSize canvas = m_document.CanvasSize();
    if (shown.IsEmpty()) return wxPoint(-1, -1);
    return wxPoint(static_cast<int>(std::lround(double(p.x - shown.x) * canvas.x / shown.width)),
                   static_cast<int>(std::lround(double(p.y - shown.y) * canvas.y / shown.height)));
}

std::shared_ptr<const Caption> CaptionDrag::CaptionAt(const wxPoint& panelPoint) const {
    const int index = m_preview.ShownIndex();
    if (index < 0 || size_t(index) >= m_document.FrameCount() || m_preview.ShowsPlane()) return nullptr;
    const wxPoint at = ToCanvas(panelPoint);
    const CaptionList& captions = m_document.Frame(size_t(index)).captions;
    for (auto it = captions.rbegin(); it != captions.rend(); ++it)
        if (CaptionBox(**it, m_document.CanvasSize()).Contains(at)) return *it;
    return nullptr;
}

// The caption's box where the drag would put it, drawn over the preview.
void CaptionDrag::ShowBox(const wxPoint& to) const {
    wxPanel* panel = m_preview.GetPanel();
    panel->Refresh();
    panel->Update();
    const wxRect shown = m_preview.GetRect();
    const wxSize canvas = m_document.CanvasSize();
    if (shown.IsEmpty() || canvas.x <= 0 || canvas.y <= 0) return;
    const wxRect box = CaptionBox(*m_dragged, canvas);
    const double sx = double(shown.width) / canvas.x, sy = double(shown.height) / canvas.y;
    const wxPoint moved = box.GetPosition() + (to - m_from);
    wxClientDC dc(panel);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(*wxWHITE, 1, wxPENSTYLE_SHORT_DASH));
    dc.DrawRectangle(shown.x + int(moved.x * sx), shown.y + int(moved.y * sy), std::max(2, int(box.width * sx)),
                     std::max(2, int(box.height * sy)));
}

void CaptionDrag::OnMouse(wxMouseEvent& event) {
    event.Skip();
    wxPanel* panel = m_preview.GetPanel();
    if (m_preview.ShowsPlane() || m_preview.IsPlaying()) {
        m_dragged.reset();
        return;
    }
    const wxPoint at = ToCanvas(event.GetPosition());
    if (event.LeftDown()) {
        m_dragged = CaptionAt(event.GetPosition());
        m_from = at;
        if (m_dragged && !panel->HasCapture()) panel->CaptureMouse();
        return;
    }
    if (event.LeftUp()) {
        if (panel->HasCapture()) panel->ReleaseMouse();
        const auto dragged = std::move(m_dragged);
        m_dragged.reset();
        if (dragged && at != m_from) m_moved(dragged, dragged->offset + (at - m_from));
        else panel->Refresh();
        return;
    }
    if (m_dragged && event.Dragging()) {
        ShowBox(at);
        return;
    }
    panel->SetCursor(CaptionAt(event.GetPosition()) ? wxCursor(wxCURSOR_SIZING) : wxNullCursor);
}
