// The animation preview in the window's lower panel: which frame it shows,
// its timer, and the pictures it makes ahead of the next ticks.
#pragma once

#include "document/document.h"
#include "framestore/pictureahead.h"

#include <wx/bitmap.h>
#include <wx/timer.h>

#include <functional>
#include <memory>

class wxDC;
class wxPaintEvent;
class wxPanel;

class PreviewPanel {
public:
    // What the window shows of the preview: the play state (the play tool and
    // the menu item), and the frame on show (a status field).
    struct Listener {
        std::function<void(bool playing)> playingChanged;
        std::function<void(int index, const wxString& name, const wxSize& size)> frameShown;
    };

    // Draws in panel, a view of document; both outlive it.
    PreviewPanel(wxPanel* panel, const Document& document, Listener listener);
    ~PreviewPanel();
    PreviewPanel(const PreviewPanel&) = delete;
    PreviewPanel& operator=(const PreviewPanel&) = delete;

    // Plays from the first frame, or stops; nothing to play without frames.
    void TogglePlaying();
    // Stops playing; the next play starts at the first frame.
    void Stop();
    bool IsPlaying() const { return m_playing; }
    // The loops played count again from none (the loop count changed).
    void RestartLoops() { m_loopsPlayed = 0; }

    // Shows frame index fitted into the panel; an index outside the
    // document does nothing.
    void ShowFrame(int index);
    // Starts making frame index for the panel ahead of its tick.
    void PrepareFrame(int index);
    // Shows nothing (the frame shown may be gone).
    void Clear();
    // The frames changed: a picture kept for the panel may name a gone frame.
    void ForgetShownPicture() { m_source.reset(); }

    // While the crop tool is on: frames are shown whole (uncropped, unturned,
    // at the plane's aspect) and overlay draws over them; an empty overlay
    // ends it. The frame shown is drawn again.
    void SetPlaneOverlay(std::function<void(wxDC&)> overlay);
    bool ShowsPlane() const { return static_cast<bool>(m_overlay); }
    wxPanel* GetPanel() const { return m_panel; }
    int ShownIndex() const { return m_shownIndex; }

    // The next tick: shows the frame due and schedules the one after it.
    void OnTimer(wxTimerEvent& event);

    const wxTimer& GetTimer() const { return m_timer; }
    // The frame the next tick shows.
    int GetNextFrame() const { return m_nextFrame; }
    int GetLoopsPlayed() const { return m_loopsPlayed; }
    // Where the panel shows its picture; empty when it shows none.
    wxRect GetRect() const { return m_shown ? m_rect : wxRect(); }
    // What the panel draws at GetRect().
    const wxBitmap& ShownBitmap() const { return m_bitmap; }
    // The name and size of the frame last shown.
    const wxString& ShownName() const { return m_shownName; }
    const wxSize& ShownSize() const { return m_shownSize; }

private:
    PictureAhead& PicturesAhead();
    // How frame index is drawn for the panel as it now is.
    PictureRecipe RecipeFor(size_t index) const;
    // The size of what the panel shows: the canvas, or the plane while cropping.
    wxSize ShownArea() const;
    void SetPlaying(bool playing);
    // The next frame comes after delay hundredths of a second.
    void ScheduleNextFrame(int delay);
    void OnPaint(wxPaintEvent& event);

    wxPanel* const m_panel;
    const Document& m_document;
    const Listener m_listener;
    wxTimer m_timer;
    int m_nextFrame = 0;
    int m_loopsPlayed = 0;
    bool m_playing = false;
    // What the paint handler draws: the frame's picture scaled to fit, kept
    // while the panel and the frame stay the same.
    bool m_shown = false;
    wxRect m_rect;
    wxBitmap m_bitmap;
    FramePicture m_source;
    std::string m_recipeKey;
    int m_shownIndex = -1;
    std::function<void(wxDC&)> m_overlay;
    wxSize m_panelSize;
    wxString m_shownName;
    bool m_unreadable = false;  // the frame on show could not be read back
    wxSize m_shownSize{0, 0};
    // Makes the frame shown next while the current one is up.
    std::unique_ptr<PictureAhead> m_picturesAhead;
};
