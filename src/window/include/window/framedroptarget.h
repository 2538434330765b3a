// Files dropped from the file manager onto the strip or the preview: the strip
// shows where they would land; the window opens or imports them.
#pragma once

#include <wx/dnd.h>

class MainWindow;
class wxThumbnailCtrl;

class FrameDropTarget : public wxFileDropTarget {
public:
    // strip: the strip the files are dropped on (they land where its mark
    // shows), or null for the preview (they go to the end).
    FrameDropTarget(MainWindow* frame, wxThumbnailCtrl* strip) : m_frame(frame), m_strip(strip) {}

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) override;
    void OnLeave() override;
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override;

private:
    int PositionAt(wxCoord x, wxCoord y) const;

    MainWindow* m_frame;
    wxThumbnailCtrl* m_strip;
};
