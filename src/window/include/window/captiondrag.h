// Moving a caption by dragging it on the preview: the pointer shows a mover
// over a caption of the frame on show; a drag shows where the caption's box
// goes and, on release, hands the caption and its new offset over.
#pragma once

#include "document/document.h"

#include <functional>
#include <memory>

class PreviewPanel;
class wxMouseCaptureLostEvent;
class wxMouseEvent;

class CaptionDrag {
public:
    using Moved = std::function<void(const std::shared_ptr<const Caption>& caption, const wxPoint& offset)>;
    CaptionDrag(PreviewPanel& preview, const Document& document, Moved moved);
    ~CaptionDrag();
    CaptionDrag(const CaptionDrag&) = delete;
    CaptionDrag& operator=(const CaptionDrag&) = delete;

    // The caption of the frame on show under a point of the panel (the last
    // drawn on top), or null.
    std::shared_ptr<const Caption> CaptionAt(const wxPoint& panelPoint) const;
    // Where a point of the panel lies on the canvas.
    wxPoint ToCanvas(const wxPoint& panelPoint) const;

private:
    void OnMouse(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void ShowBox(const wxPoint& to) const;

    PreviewPanel& m_preview;
    const Document& m_document;
    Moved m_moved;
    std::shared_ptr<const Caption> m_dragged;
    wxPoint m_from;  // on the canvas
};
