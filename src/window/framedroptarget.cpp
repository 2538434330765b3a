#include "window/framedroptarget.h"

#include "window/mainwindow.h"
#include "window/thumbnailctrl.h"

int FrameDropTarget::PositionAt(wxCoord x, wxCoord y) const {
    if (!m_strip) return -1;
    int x0 = 0, y0 = 0;
    m_strip->CalcUnscrolledPosition(0, 0, &x0, &y0);
    return m_strip->GetGeometry().DropPositionAt(wxPoint(x, y), y0, m_strip->GetClientSize().x,
                                                 m_strip->GetCount());
}

wxDragResult FrameDropTarget::OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) {
    if (m_strip) m_strip->ShowDropMark(PositionAt(x, y));
    return suggested == wxDragNone ? wxDragNone : wxDragCopy;
}

void FrameDropTarget::OnLeave() {
    if (m_strip) m_strip->ShowDropMark(-1);
}

bool FrameDropTarget::OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) {
    const int position = PositionAt(x, y);
    if (m_strip) m_strip->ShowDropMark(-1);
    // Handled after the drop has finished: a question or a progress dialog
    // must not run inside the desktop's drag and drop.
    m_frame->CallAfter([frame = m_frame, files, position] { frame->DropFiles(files, position); });
    return true;
}
