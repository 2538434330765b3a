#include "window/previewpanel.h"

#include "base/filenames.h"
#include "document/canvasgeometry.h"
#include "import/framepath.h"
#include "window/framedisplay.h"

#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/panel.h>

#include <algorithm>

PreviewPanel::PreviewPanel(wxPanel* panel, const Document& document, Listener listener)
    : m_panel(panel), m_document(document), m_listener(std::move(listener)) {
    // Drawn in the panel's paint handler: drawing from outside one has no
    // effect on Wayland.
    m_panel->Bind(wxEVT_PAINT, &PreviewPanel::OnPaint, this);
    m_timer.Bind(wxEVT_TIMER, &PreviewPanel::OnTimer, this);
}

PreviewPanel::~PreviewPanel() {
    m_timer.Stop();
    m_panel->Unbind(wxEVT_PAINT, &PreviewPanel::OnPaint, this);
}

void PreviewPanel::SetPlaying(bool playing) {
    // Every command stops the preview: the window's look changes only when
    // the state does.
    if (playing == m_playing) return;
    m_playing = playing;
    if (m_listener.playingChanged) m_listener.playingChanged(playing);
}

void PreviewPanel::Stop() {
    m_timer.Stop();
    m_nextFrame = 0;
    SetPlaying(false);
}

void PreviewPanel::TogglePlaying() {
    if (m_playing) {
        Stop();
        return;
    }
    if (m_document.IsEmpty()) return;
    // The first frame comes after the delay of the last one, as when the
    // animation comes round again.
    ScheduleNextFrame(m_document.Frame(m_document.FrameCount() - 1).delay);
    SetPlaying(true);
}

void PreviewPanel::ScheduleNextFrame(int delay) {
    // As a viewer plays it: 0 or 1 hundredth is 10. (A 0 ms timer would also
    // starve the window's repaints: GTK runs due timers before drawing.)
    m_timer.StartOnce(PlayedDelay(delay) * 10);
}

void PreviewPanel::OnTimer(wxTimerEvent&) {
    const int count = static_cast<int>(m_document.FrameCount());
    if (count == 0) {  // frames go only through commands that stop the preview
        Stop();
        return;
    }
    const int shown = std::min(m_nextFrame, count - 1);
    ShowFrame(shown);
    for (int ahead = 1; ahead <= int(PictureAhead::kDepth); ++ahead) PrepareFrame((shown + ahead) % count);
    // Each frame stays for its own delay.
    ScheduleNextFrame(m_document.Frame(static_cast<size_t>(shown)).delay);
    if (++m_nextFrame < count) return;
    m_nextFrame = 0;
    if (++m_loopsPlayed == m_document.LoopCount()) {
        m_timer.Stop();
        m_loopsPlayed = 0;
        SetPlaying(false);
    }
}

void PreviewPanel::ShowFrame(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_document.FrameCount()) return;
    const DocumentFrame& frame = m_document.Frame(static_cast<size_t>(index));
    const bool ok = frame.picture && frame.picture->IsOk();
    const wxSize picture = frame.Size();
    const wxSize panel = m_panel->GetSize();
    const PictureRecipe recipe = RecipeFor(static_cast<size_t>(index));
    m_rect = PreviewPlacement(panel, ShownArea());
    m_shownIndex = index;
    if (m_source != frame.picture || m_panelSize != panel || m_recipeKey != recipe.key) {
        // Drawn once per frame and panel size, not at every tick.
        if (!ok || m_rect.IsEmpty()) {
            m_bitmap = wxNullBitmap;
            m_unreadable = false;
        } else {
            const wxImage shown = PicturesAhead().Get(frame.picture, recipe);
            m_bitmap = shown.IsOk() ? wxBitmap(shown) : wxNullBitmap;
            m_unreadable = !shown.IsOk();
        }
        m_source = frame.picture;
        m_panelSize = panel;
        m_recipeKey = recipe.key;
    }
    m_shown = true;
    m_panel->Refresh();

    m_shownName = ShownFileName(ShownFrameName(frame.path));
    m_shownSize = picture;
    if (m_listener.frameShown) m_listener.frameShown(index, m_shownName, m_shownSize);
}

PictureAhead& PreviewPanel::PicturesAhead() {
    if (!m_picturesAhead) m_picturesAhead = std::make_unique<PictureAhead>();
    return *m_picturesAhead;
}

void PreviewPanel::PrepareFrame(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_document.FrameCount()) return;
    // Decoded and scaled while the current frame is on show, so that the
    // next tick only converts it.
    const DocumentFrame& frame = m_document.Frame(static_cast<size_t>(index));
    if (!frame.picture || !frame.picture->IsOk()) return;
    const wxRect placed = PreviewPlacement(m_panel->GetSize(), ShownArea());
    if (!placed.IsEmpty()) PicturesAhead().Prepare(frame.picture, RecipeFor(static_cast<size_t>(index)));
}

PictureRecipe PreviewPanel::RecipeFor(size_t index) const {
    const wxSize panel = m_panel->GetSize();
    const FrameDrawing drawing =
        ShowsPlane() ? PlaneDrawing(m_document, index, panel) : DisplayDrawing(m_document, index, panel);
    return DisplayRecipe(drawing, m_document.Settings().transparent);
}

wxSize PreviewPanel::ShownArea() const {
    return ShowsPlane() ? m_document.ReferenceSize() : m_document.CanvasSize();
}

void PreviewPanel::SetPlaneOverlay(std::function<void(wxDC&)> overlay) {
    m_overlay = std::move(overlay);
    if (m_shownIndex >= 0) ShowFrame(m_shownIndex);
}

void PreviewPanel::Clear() {
    m_shown = false;
    m_shownIndex = -1;
    m_shownName.clear();
    m_unreadable = false;
    m_shownSize = wxSize(0, 0);
    m_bitmap = wxNullBitmap;
    m_source.reset();
    m_panel->Refresh();
}

void PreviewPanel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(m_panel);
    if (m_shown && m_bitmap.IsOk()) dc.DrawBitmap(m_bitmap, m_rect.x, m_rect.y, true);
    if (m_shown && m_unreadable)
        dc.DrawLabel(wxGetTranslation("This frame could not be read back from the cache."), m_rect,
                     wxALIGN_CENTER);
    if (m_overlay) m_overlay(dc);
}
