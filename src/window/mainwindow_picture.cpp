// Picture edits: cropping the animation, rotating and flipping frames. Each
// is one command; the pictures themselves are never changed.
#include "window/mainwindow.h"

#include "window/cropdialog.h"
#include "window/previewpanel.h"
#include "window/thumbnailctrl.h"

#include <memory>

std::vector<size_t> MainWindow::FramesToEdit() const {
    std::vector<size_t> frames = SelectedFrames();
    if (frames.empty())
        for (size_t i = 0; i < m_document.FrameCount(); ++i) frames.push_back(i);
    return frames;
}

void MainWindow::TurnFrames(TurnFramesCommand::Turn turn) {
    StopPreview();
    Edit(std::make_unique<TurnFramesCommand>(m_document, FramesToEdit(), turn));
}

void MainWindow::OnRotateRight(wxCommandEvent&) { TurnFrames(TurnFramesCommand::Turn::Right); }
void MainWindow::OnRotateLeft(wxCommandEvent&) { TurnFrames(TurnFramesCommand::Turn::Left); }
void MainWindow::OnFlipHorizontal(wxCommandEvent&) { TurnFrames(TurnFramesCommand::Turn::FlipHorizontally); }
void MainWindow::OnFlipVertical(wxCommandEvent&) { TurnFrames(TurnFramesCommand::Turn::FlipVertically); }

void MainWindow::OnCrop(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    if (m_cropDialog) {
        m_cropDialog->Raise();
        return;
    }
    StopPreview();
    // The rectangle is drawn over a frame: the selected one, else the first.
    if (m_preview->ShownIndex() < 0) m_preview->ShowFrame(0);
    m_cropDialog = new CropDialog(this, *m_preview, m_document.ReferenceSize(), m_document.Crop(),
                                  [this](std::optional<wxRect> crop) {
                                      m_cropDialog = nullptr;
                                      if (crop) ApplyCrop(*crop);
                                  });
    // Beside the preview, not over it: at the window's top right, over the strip.
    const wxRect window = GetScreenRect();
    m_cropDialog->Move(window.GetRight() - m_cropDialog->GetSize().x - 16, window.y + 60);
    m_cropDialog->Show();
}

void MainWindow::ApplyCrop(const wxRect& crop) {
    // The whole plane is no crop: frames added later are not cut to it.
    const wxRect whole(wxPoint(0, 0), m_document.ReferenceSize());
    Edit(std::make_unique<SetCropCommand>(m_document, crop == whole ? wxRect() : crop, wxTRANSLATE("Crop")));
}

void MainWindow::OnResetCrop(wxCommandEvent&) {
    CancelCrop();
    Edit(std::make_unique<SetCropCommand>(m_document, wxRect(), wxTRANSLATE("Reset Crop")));
}

void MainWindow::CancelCrop() {
    if (m_cropDialog) m_cropDialog->Finish(false);
    m_cropDialog = nullptr;
}
