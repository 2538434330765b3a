#include "window/framethumbnail.h"

#include "window/framedisplay.h"

#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/pen.h>

FrameThumbnailItem::FrameThumbnailItem(const DocumentFrame& frame, const FrameDrawing& drawing,
                                       bool transparent)
    : wxThumbnailItem(frame.path), m_picture(frame.picture), m_drawing(drawing), m_transparent(transparent) {}

bool FrameThumbnailItem::DrawImage(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& box, int) {
    // Frames drawn another way are made again when they come into view.
    if (!m_thumbnail.IsOk() && !m_unreadable) PrepareThumbnail(ctrl, false);
    if (m_unreadable) {
        // A frame the store could not give back: a crossed box, not a blank.
        const wxRect mark = box.Deflate(box.width / 4, box.height / 4);
        dc.SetPen(wxPen(wxColour(200, 40, 40), 2));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(mark);
        dc.DrawLine(mark.GetTopLeft(), mark.GetBottomRight());
        dc.DrawLine(mark.GetTopRight(), mark.GetBottomLeft());
        return true;
    }
    if (!m_thumbnail.IsOk()) return true;
    dc.DrawBitmap(m_thumbnail, box.x + (box.width - m_thumbnail.GetWidth()) / 2,
                  box.y + (box.height - m_thumbnail.GetHeight()) / 2, true);
    return true;
}

bool FrameThumbnailItem::PrepareThumbnail(wxThumbnailCtrl*, bool force) {
    if (m_thumbnail.IsOk() && !force) return true;
    // Every frame of the document has a cell, even one without a picture.
    if (!m_picture || !m_picture->IsOk()) return true;
    const std::shared_ptr<const wxImage> picture = m_picture->Image();
    m_unreadable = !picture->IsOk();
    const wxImage drawn = m_unreadable ? wxImage() : DrawForDisplay(*picture, m_drawing, m_transparent);
    m_thumbnail = drawn.IsOk() ? wxBitmap(drawn) : wxBitmap();
    return true;
}

void FrameThumbnailItem::Show(const DocumentFrame& frame, const wxBitmap& thumbnail) {
    m_picture = frame.picture;
    m_unreadable = false;
    m_path = frame.path;
    m_thumbnail = thumbnail;
}

void FrameThumbnailItem::Redraw(const FrameDrawing& drawing, bool transparent) {
    m_drawing = drawing;
    m_transparent = transparent;
    m_thumbnail = wxBitmap();
    m_unreadable = false;
}
