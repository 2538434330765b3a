#include "window/framethumbnail.h"

#include <wx/dc.h>

FrameThumbnailItem::FrameThumbnailItem(const DocumentFrame& frame)
    : wxThumbnailItem(frame.path), m_picture(frame.picture) {}

bool FrameThumbnailItem::DrawImage(wxDC& dc, wxThumbnailCtrl*, const wxRect& box, int) {
    if (!m_thumbnail.IsOk()) return true;
    dc.DrawBitmap(m_thumbnail, box.x + (box.width - m_thumbnail.GetWidth()) / 2,
                  box.y + (box.height - m_thumbnail.GetHeight()) / 2, true);
    return true;
}

bool FrameThumbnailItem::PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force) {
    if (m_thumbnail.IsOk() && !force) return true;
    // Every frame of the document has a cell, even one without a picture.
    if (!m_picture || !m_picture->IsOk()) return true;
    const wxSize box = ctrl ? ctrl->GetThumbnailImageSize() : wxSize(80, 80);
    m_thumbnail = wxImageThumbnailItem::ScaleToThumbnail(*m_picture->Image(), box.x, box.y);
    return true;
}

void FrameThumbnailItem::Show(const DocumentFrame& frame, const wxBitmap& thumbnail) {
    m_picture = frame.picture;
    m_path = frame.path;
    m_thumbnail = thumbnail;
}
