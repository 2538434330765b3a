// The window as a view of the document: after every change of the document,
// whoever made it, the strip, the fields, the status bar and the commands
// show the document as it now is.
#include "window/mainwindow.h"

#include "document/canvasgeometry.h"
#include "window/framedisplay.h"
#include "window/framethumbnail.h"
#include "window/previewpanel.h"
#include "window/sizeestimatecontroller.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"

#include <wx/checkbox.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

#include <map>
#include <utility>

void MainWindow::FramesInserted(size_t at, size_t count) {
    m_thumbnailCtrl->SuspendUpdates();
    for (size_t i = 0; i < count; ++i) {
        auto* item = new FrameThumbnailItem(m_document.Frame(at + i),
                                            ThumbnailDrawing(m_document, at + i, ThumbnailBox()),
                                            m_document.Settings().transparent);
        if (m_thumbnailCtrl->InsertItem(item, static_cast<int>(at + i)) < 0) delete item;
    }
    m_thumbnailCtrl->ResumeUpdates();
    FrameListChanged();
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
    // New frames are seen where they went in.
    if (count > 0) m_thumbnailCtrl->ScrollToItem(static_cast<int>(at));
}

void MainWindow::FramesRemoved(size_t at, size_t count) {
    m_thumbnailCtrl->SuspendUpdates();
    if (at == 0 && count == static_cast<size_t>(m_thumbnailCtrl->GetCount())) {
        m_thumbnailCtrl->RemoveAllItems();
    } else {
        for (size_t i = at + count; i-- > at;) m_thumbnailCtrl->RemoveItem(static_cast<int>(i));
    }
    m_thumbnailCtrl->ResumeUpdates();
    // The frame shown may be gone.
    m_statusBar1->SetStatusText(wxEmptyString, 1);
    m_preview->Clear();
    FrameListChanged();
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
}

void MainWindow::FramesRearranged(size_t first, size_t last) {
    // The cells of the span show other frames now; their thumbnails are
    // already made, so they are passed on by picture and turn rather than made again.
    const auto key = [](const StoredPicture* picture, const FrameTurn& turn) {
        return std::make_pair(picture, turn.quarterTurns * 2 + turn.mirrored);
    };
    std::map<std::pair<const StoredPicture*, int>, wxBitmap> thumbnails;
    for (size_t i = first; i <= last; ++i)
        if (auto* item = dynamic_cast<FrameThumbnailItem*>(m_thumbnailCtrl->GetItem(static_cast<int>(i))))
            thumbnails.emplace(key(item->GetPicture().get(), item->Drawing().turn), item->GetThumbnail());
    for (size_t i = first; i <= last; ++i) {
        auto* item = dynamic_cast<FrameThumbnailItem*>(m_thumbnailCtrl->GetItem(static_cast<int>(i)));
        if (!item) continue;
        const DocumentFrame& frame = m_document.Frame(i);
        const auto found = thumbnails.find(key(frame.picture.get(), frame.turn));
        item->Redraw(ThumbnailDrawing(m_document, i, ThumbnailBox()), m_document.Settings().transparent);
        item->Show(frame, found != thumbnails.end() ? found->second : wxBitmap());
    }
    // Same frames, same count, same canvas: only the order and the start times changed.
    StopPreview();
    DelaysChanged();
    // The frame at the place on show is another one now.
    m_preview->ForgetShownPicture();
    ShowSelectedFrame();
}

void MainWindow::FramesRedrawn(size_t first, size_t last) {
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
    CancelCrop();
    RedrawThumbnails(first, last);
    StopPreview();
    m_preview->ForgetShownPicture();
    ShowSelectedFrame();
    RefreshCommands();
}

wxSize MainWindow::ThumbnailBox() const { return m_thumbnailCtrl->GetThumbnailImageSize(); }

void MainWindow::RedrawThumbnails(size_t first, size_t last) {
    const bool transparent = m_document.Settings().transparent;
    for (size_t i = first; i <= last && i < m_document.FrameCount(); ++i)
        if (auto* item = dynamic_cast<FrameThumbnailItem*>(m_thumbnailCtrl->GetItem(static_cast<int>(i))))
            item->Redraw(ThumbnailDrawing(m_document, i, ThumbnailBox()), transparent);
    m_thumbnailBasis = ThumbnailBasisNow();
    m_thumbnailCtrl->Refresh();
}

MainWindow::ThumbnailBasis MainWindow::ThumbnailBasisNow() const {
    return ThumbnailBasis{m_document.ReferenceSize(), m_document.Crop(), m_document.DrawnSize(),
                          m_document.Settings().transparent};
}

void MainWindow::RedrawThumbnailsIfNeeded() {
    // Every frame is drawn on the plane of the largest one, in the drawn size.
    if (ThumbnailBasisNow() != m_thumbnailBasis && !m_document.IsEmpty())
        RedrawThumbnails(0, m_document.FrameCount() - 1);
    m_thumbnailBasis = ThumbnailBasisNow();
}

void MainWindow::DelaysChanged() {
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
    m_thumbnailCtrl->SetFrameStartTimes(m_document.StartTimes());
    // The labels show each frame's start time, which just changed.
    m_thumbnailCtrl->Refresh();
}

void MainWindow::CanvasChanged() {
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
    m_canvasForm = CanvasForm::Edit;
    UpdateCanvasSize();
    // The preview shows the frame at the canvas's size.
    ShowSelectedFrame();
}

void MainWindow::SettingsChanged() {
    if (m_sizeEstimate) m_sizeEstimate->DocumentChanged();
    if (m_spinctrl_delay->GetValue() != m_document.DefaultDelay())
        m_spinctrl_delay->SetValue(m_document.DefaultDelay());
    m_thumbnailCtrl->SetFrameDelay(m_document.DefaultDelay());
    m_checkBox_transparent->SetValue(m_document.Settings().transparent);
    // Transparent or black where the frames leave holes: drawn anew.
    const bool transparencyChanged = m_thumbnailBasis.transparent != m_document.Settings().transparent;
    RedrawThumbnailsIfNeeded();
    if (transparencyChanged) ShowSelectedFrame();
    // The labels show the frames' start times as a viewer plays them.
    m_thumbnailCtrl->SetFrameStartTimes(m_document.StartTimes());
    m_thumbnailCtrl->Refresh();
}

void MainWindow::FrameListChanged() {
    // The plane a crop under way is drawn on may have changed.
    CancelCrop();
    StopPreview();
    RedrawThumbnailsIfNeeded();
    m_thumbnailCtrl->SetFrameStartTimes(m_document.StartTimes());
    m_thumbnailCtrl->Refresh();
    m_canvasForm = CanvasForm::List;
    UpdateCanvasSize();
    RefreshCommands();
}

void MainWindow::UpdateCanvasSize() {
    m_preview->ForgetShownPicture();
    if (m_document.IsEmpty()) {
        m_statusBar1->SetStatusText(wxEmptyString, 0);
        // Nothing to size: the disabled fields show 0, outside the range of a canvas.
        for (wxSpinCtrl* side : {m_spinctrl_width, m_spinctrl_height}) {
            side->SetRange(0, 0);
            side->SetValue(0);
        }
        return;
    }
    for (wxSpinCtrl* side : {m_spinctrl_width, m_spinctrl_height})
        if (side->GetMin() != kMinCanvasSide) side->SetRange(kMinCanvasSide, kMaxCanvasSide);
    const wxSize canvas = m_document.CanvasSize();
    // Only values that differ are set, so that a field being typed in keeps
    // its cursor.
    if (m_spinctrl_width->GetValue() != canvas.x) m_spinctrl_width->SetValue(canvas.x);
    if (m_spinctrl_height->GetValue() != canvas.y) m_spinctrl_height->SetValue(canvas.y);
    const wxString& name = m_document.GifName();
    wxString text;
    switch (m_canvasForm) {
        case CanvasForm::List: text = CanvasListText(name, canvas.x, canvas.y); break;
        case CanvasForm::Edit: text = CanvasEditText(name, canvas.x, canvas.y); break;
        case CanvasForm::Loaded: text = CanvasLoadedText(name, canvas.x, canvas.y); break;
    }
    m_statusBar1->SetStatusText(text, 0);
}
