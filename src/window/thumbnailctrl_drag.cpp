// Dragging the strip's selection to another place: the strip shows where it
// would land and tells its owner where it was dropped; the owner moves the frames.
#include "window/thumbnailctrl.h"

#include <wx/dc.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

void wxThumbnailCtrl::SelectOnly(const std::vector<int>& items, int focus) {
    SuspendUpdates();
    ClearSelection();
    for (int item : items)
        if (IsValidIndex(item)) Select(item, true);
    if (IsValidIndex(focus)) {
        m_focusItem = m_anchorItem = focus;
    }
    ResumeUpdates();
    if (IsValidIndex(focus)) ScrollToItem(focus);
}

void wxThumbnailCtrl::ShowDropMark(int position) {
    if (position == m_dropPosition) return;
    m_dropPosition = position;
    Refresh(false);
}

void wxThumbnailCtrl::OnMotion(wxMouseEvent& event) {
    event.Skip();
    if (!event.LeftIsDown() || !m_dragPossible || m_selections.empty()) return;
    if (!m_dragging) {
        const wxPoint moved = event.GetPosition() - m_dragStart;
        // The desktop's threshold, so that a shaky click stays a click.
        if (std::abs(moved.x) <= wxSystemSettings::GetMetric(wxSYS_DRAG_X, this) &&
            std::abs(moved.y) <= wxSystemSettings::GetMetric(wxSYS_DRAG_Y, this))
            return;
        m_dragging = true;
        m_pendingClick = -1;
        CaptureMouse();
    }
    UpdateDrag(event.GetPosition());
}

void wxThumbnailCtrl::UpdateDrag(const wxPoint& point) {
    const int height = GetClientSize().y;
    // Near the top or bottom edge the strip scrolls, for as long as the
    // pointer stays there.
    const int edge = std::max(8, m_itemHeight / 3);
    m_dragScrollStep = point.y < edge ? -1 : point.y > height - edge ? 1 : 0;
    if (m_dragScrollStep != 0 && !m_dragScrollTimer.IsRunning()) m_dragScrollTimer.Start(40);
    if (m_dragScrollStep == 0) m_dragScrollTimer.Stop();
    const int position = GetGeometry().DropPositionAt(point, ScrollOffsetY(), GetClientSize().x, GetCount());
    if (position != m_dropPosition) {
        m_dropPosition = position;
        Refresh(false);
    }
}

void wxThumbnailCtrl::OnDragScrollTimer(wxTimerEvent&) {
    if (!m_dragging || m_dragScrollStep == 0) {
        m_dragScrollTimer.Stop();
        return;
    }
    int x = 0, y = 0;
    GetViewStart(&x, &y);
    Scroll(x, std::max(0, y + m_dragScrollStep));
    UpdateDrag(ScreenToClient(wxGetMousePosition()));
}

void wxThumbnailCtrl::OnLeftUp(wxMouseEvent& event) {
    event.Skip();
    m_dragPossible = false;
    if (m_dragging) {
        EndDrag(true);
        return;
    }
    if (IsValidIndex(m_pendingClick)) SelectWithModifiers(m_pendingClick, 0);
    m_pendingClick = -1;
}

void wxThumbnailCtrl::OnCaptureLost(wxMouseCaptureLostEvent&) {
    // Capture lost: the drag ends without a drop.
    m_dragging = false;
    m_dragPossible = false;
    m_dragScrollTimer.Stop();
    Refresh(false);
}

void wxThumbnailCtrl::EndDrag(bool drop) {
    const int position = m_dropPosition;
    m_dragging = false;
    m_dragPossible = false;
    m_dropPosition = -1;
    m_dragScrollTimer.Stop();
    if (HasCapture()) ReleaseMouse();
    Refresh(false);
    if (drop && position >= 0) SendThumbnailEvent(wxEVT_COMMAND_THUMBNAIL_DROP, position, 0);
}

void wxThumbnailCtrl::PaintDropMark(wxDC& dc) {
    const wxRect mark = GetGeometry().DropMarkRect(m_dropPosition, GetClientSize().x, GetCount());
    if (mark.IsEmpty()) return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(m_focusRectColour));
    dc.DrawRectangle(mark);
}
