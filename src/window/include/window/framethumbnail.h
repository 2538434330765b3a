// A cell of the strip that shows one frame of the document: the strip keeps
// only the thumbnail; the full-size picture stays shared with the document.
#pragma once

#include "document/document.h"
#include "window/thumbnailctrl.h"

class FrameThumbnailItem : public wxThumbnailItem {
public:
    explicit FrameThumbnailItem(const DocumentFrame& frame);

    bool DrawImage(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& imageRect, int flags) override;
    bool PrepareThumbnail(wxThumbnailCtrl* ctrl, bool force) override;

    const FramePicture& GetPicture() const { return m_picture; }
    const wxBitmap& GetThumbnail() const { return m_thumbnail; }
    // Shows another frame, taking a thumbnail already made for its picture.
    void Show(const DocumentFrame& frame, const wxBitmap& thumbnail);

private:
    FramePicture m_picture;
    wxBitmap m_thumbnail;
};
