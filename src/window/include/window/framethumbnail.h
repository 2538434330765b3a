// A cell of the strip that shows one frame of the document: the strip keeps
// only the thumbnail; the full-size picture stays shared with the document.
#pragma once

#include "document/document.h"
#include "window/thumbnailctrl.h"

class FrameThumbnailItem : public wxThumbnailItem {
public:
    // Shows frame, drawn as drawing says (transparent: holes stay see-through).
    FrameThumbnailItem(const DocumentFrame& frame, const FrameDrawing& drawing, bool transparent);

    bool DrawImage(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& imageRect, int flags) override;
    bool PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force) override;

    const FramePicture& GetPicture() const { return m_picture; }
    const wxBitmap& GetThumbnail() const { return m_thumbnail; }
    const FrameDrawing& Drawing() const { return m_drawing; }
    // Shows another frame, taking a thumbnail already made for its picture
    // drawn the same way.
    void Show(const DocumentFrame& frame, const wxBitmap& thumbnail);
    // Draws the frame another way from now on (the thumbnail is made again).
    void Redraw(const FrameDrawing& drawing, bool transparent);

private:
    FramePicture m_picture;
    FrameDrawing m_drawing;
    bool m_transparent;
    wxBitmap m_thumbnail;
    bool m_unreadable = false;  // the store could not give the picture back
};
