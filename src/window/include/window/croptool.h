// Cropping on the preview: while it lives, the preview shows the whole plane
// of the pictures with a rectangle that the mouse drags by its corners and
// sides (Shift keeps the aspect ratio) and the arrow keys nudge; Enter
// applies, Escape cancels.
#pragma once

#include "window/cropdrag.h"

#include <functional>

class PreviewPanel;
class wxDC;
class wxKeyEvent;
class wxMouseEvent;

class CropTool {
public:
    struct Listener {
        std::function<void(const wxRect& crop)> changed;  // by the mouse or the keys
        std::function<void(bool apply)> finished;         // Enter or Escape on the preview
    };
    CropTool(PreviewPanel& preview, const wxSize& plane, const wxRect& crop, Listener listener);
    ~CropTool();
    CropTool(const CropTool&) = delete;
    CropTool& operator=(const CropTool&) = delete;

    const wxRect& Crop() const { return m_crop; }
    // Another rectangle (typed as numbers), kept inside the plane.
    void SetCrop(const wxRect& crop);
    // Where a point of the panel lies on the plane, and back.
    wxPoint ToPlane(const wxPoint& panelPoint) const;
    wxRect ToPanel(const wxRect& planeRect) const;

private:
    void OnMouse(wxMouseEvent& event);
    void OnKey(wxKeyEvent& event);
    void Draw(wxDC& dc) const;
    void Changed(const wxRect& crop);

    PreviewPanel& m_preview;
    const wxSize m_plane;
    wxRect m_crop;
    Listener m_listener;
    // The drag under way: its handle, where it started and the rectangle then.
    CropHandle m_handle = CropHandle::None;
    bool m_spanning = false;
    wxPoint m_from;
    wxRect m_start;
};
