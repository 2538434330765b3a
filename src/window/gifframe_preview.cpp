// The animation preview in the lower panel.
#include "window/gifframe.h"

#include "base/folders.h"
#include "document/canvasgeometry.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"

#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>

void GifFrame::StopPreview() {
    m_previewTimer.Stop();
    m_previewFrame = 0;
    ShowRunButton();
    m_playing = false;
}

void GifFrame::SetPlayLook(const char* bitmapName, const char* label, const char* accelerator) {
    {
        wxLogNull quiet;  // a missing picture shows no message
        const wxBitmap bitmap(GetRootDir() + "/Themes/" + bitmapName, wxBITMAP_TYPE_ANY);
        m_toolBar_button->SetToolNormalBitmap(XRCID("m_tool_play"), bitmap);
    }
    m_itemRunAnimation->SetItemLabel(wxGetTranslation(label) + "\t" + accelerator);
}

void GifFrame::ShowRunButton() { SetPlayLook("play.png", "Run animation", "Ctrl+P"); }

void GifFrame::ShowStopButton() { SetPlayLook("stop.png", "Stop animation", "Ctrl+T"); }

void GifFrame::OnRunAnimation(wxCommandEvent&) {
    if (m_playing) {
        m_previewTimer.Stop();
        m_previewFrame = 0;
        ShowRunButton();
    } else {
        if (m_document.IsEmpty()) return;
        // The first frame comes after the delay of the last one, as when
        // the animation comes round again.
        ScheduleNextFrame(m_document.Frame(m_document.FrameCount() - 1).delay);
        ShowStopButton();
    }
    m_playing = !m_playing;
}

void GifFrame::ScheduleNextFrame(int delay) {
    // As a viewer plays it: 0 or 1 hundredth is 10. (A 0 ms timer would also
    // starve the window's repaints: GTK runs due timers before drawing.)
    m_previewTimer.StartOnce(PlayedDelay(delay) * 10);
}

void GifFrame::OnPreviewTimer(wxTimerEvent&) {
    const int count = static_cast<int>(m_document.FrameCount());
    if (count == 0) {  // frames go only through commands that stop the preview
        StopPreview();
        return;
    }
    const int shown = std::min(m_previewFrame, count - 1);
    ShowFrame(shown);
    for (int ahead = 1; ahead <= int(PictureAhead::kDepth); ++ahead) PrepareFrame((shown + ahead) % count);
    // Each frame stays for its own delay.
    ScheduleNextFrame(m_document.Frame(static_cast<size_t>(shown)).delay);
    if (++m_previewFrame < count) return;
    if (++m_loopsPlayed == m_document.LoopCount()) {
        m_previewTimer.Stop();
        m_loopsPlayed = 0;
        ShowRunButton();
        m_playing = false;
    }
    m_previewFrame = 0;
}

void GifFrame::OnThumbnailLeftClick(wxThumbnailEvent& event) {
    if (m_document.IsEmpty()) return;
    StopPreview();
    ShowFrame(event.GetItemIndex());
}

void GifFrame::OnThumbnailSelection(wxThumbnailEvent&) {
    const int focused = m_thumbnailCtrl->GetFocusItem();
    if (focused < 0 || m_thumbnailCtrl->IsDragging()) return;
    StopPreview();
    ShowFrame(focused);
}

void GifFrame::ShowFrame(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_document.FrameCount()) return;
    const DocumentFrame& frame = m_document.Frame(static_cast<size_t>(index));
    const bool ok = frame.picture && frame.picture->IsOk();
    const wxSize picture = frame.Size();
    const wxSize panel = m_panel_down->GetSize();
    m_previewRect = PreviewPlacement(panel, picture);
    if (m_previewSource != frame.picture || m_previewPanelSize != panel) {
        // Scaled once per frame and panel size, not at every tick.
        if (!ok || m_previewRect.IsEmpty()) {
            m_previewBitmap = wxNullBitmap;
        } else {
            const wxImage shown = PicturesAhead().Get(frame.picture, m_previewRect.GetSize());
            m_previewBitmap = shown.IsOk() ? wxBitmap(shown) : wxNullBitmap;
        }
        m_previewSource = frame.picture;
        m_previewPanelSize = panel;
    }
    m_previewShown = true;
    m_panel_down->Refresh();

    m_shownName = wxFileNameFromPath(frame.path);
    m_shownSize = picture;
    m_statusBar1->SetStatusText(FrameInfoText(m_shownName, m_shownSize.x, m_shownSize.y), 1);
}

PictureAhead& GifFrame::PicturesAhead() {
    if (!m_picturesAhead) m_picturesAhead = std::make_unique<PictureAhead>();
    return *m_picturesAhead;
}

void GifFrame::PrepareFrame(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_document.FrameCount()) return;
    // Decoded and scaled while the current frame is on show, so that the
    // next tick only converts it.
    const DocumentFrame& frame = m_document.Frame(static_cast<size_t>(index));
    if (!frame.picture || !frame.picture->IsOk()) return;
    const wxRect placed = PreviewPlacement(m_panel_down->GetSize(), frame.Size());
    if (!placed.IsEmpty()) PicturesAhead().Prepare(frame.picture, placed.GetSize());
}

void GifFrame::ClearPreview() {
    m_previewShown = false;
    m_previewBitmap = wxNullBitmap;
    m_previewSource.reset();
    m_panel_down->Refresh();
}

void GifFrame::OnPaintPreview(wxPaintEvent&) {
    wxPaintDC dc(m_panel_down);
    if (m_previewShown && m_previewBitmap.IsOk())
        dc.DrawBitmap(m_previewBitmap, m_previewRect.x, m_previewRect.y, true);
}
