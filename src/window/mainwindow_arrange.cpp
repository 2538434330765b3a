// Rearranging frames: moving the selection by one place or by dragging it,
// duplicating it, reversing the order, selecting every frame.
#include "window/mainwindow.h"

#include "window/thumbnailctrl.h"


#include <algorithm>
#include <memory>

void MainWindow::Rearrange(const std::vector<size_t>& order, const char* name) {
    StopPreview();
    const std::vector<size_t> selected = SelectedFrames();
    const int focus = m_thumbnailCtrl->GetFocusItem();
    if (order.empty() || !Edit(std::make_unique<ReorderFramesCommand>(m_document, order, name))) return;
    // The moved frames stay selected where they landed, in their order, and
    // the focus mark goes with the frame it was on.
    std::vector<int> landed;
    int newFocus = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (std::binary_search(selected.begin(), selected.end(), order[i]))
            landed.push_back(static_cast<int>(i));
        if (static_cast<int>(order[i]) == focus) newFocus = static_cast<int>(i);
    }
    m_thumbnailCtrl->SelectOnly(landed, newFocus);
}

void MainWindow::OnMoveLeft(wxCommandEvent&) {
    Rearrange(MovedOrder(m_document.FrameCount(), SelectedFrames(), -1), wxTRANSLATE("Move Left"));
}

void MainWindow::OnMoveRight(wxCommandEvent&) {
    Rearrange(MovedOrder(m_document.FrameCount(), SelectedFrames(), +1), wxTRANSLATE("Move Right"));
}

void MainWindow::OnReverse(wxCommandEvent&) {
    // One selected frame has nothing to reverse with: the whole animation turns.
    std::vector<size_t> selected = SelectedFrames();
    if (selected.size() < 2) selected.clear();
    Rearrange(ReversedOrder(m_document.FrameCount(), selected), wxTRANSLATE("Reverse Order"));
}

void MainWindow::OnFramesDropped(wxThumbnailEvent& event) {
    const std::vector<size_t> order = DroppedOrder(
        m_document.FrameCount(), SelectedFrames(), static_cast<size_t>(std::max(0, event.GetItemIndex())));
    // A drop where the frames already are changes nothing and is no edit.
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] != i) {
            Rearrange(order, wxTRANSLATE("Move"));
            return;
        }
}

void MainWindow::OnDuplicate(wxCommandEvent&) {
    StopPreview();
    const std::vector<size_t> selected = SelectedFrames();
    if (selected.empty()) return;
    // The copies follow the last selected frame and share the pictures.
    std::vector<DocumentFrame> copies;
    for (size_t index : selected) copies.push_back(m_document.Frame(index));
    const size_t at = selected.back() + 1;
    if (!Edit(std::make_unique<InsertFramesCommand>(m_document, at, std::move(copies),
                                                    wxTRANSLATE("Duplicate"))))
        return;
    std::vector<int> added;
    for (size_t i = 0; i < selected.size(); ++i) added.push_back(static_cast<int>(at + i));
    m_thumbnailCtrl->SelectOnly(added, added.back());
}

void MainWindow::OnSelectAll(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    m_thumbnailCtrl->SelectAllItems();
    m_thumbnailCtrl->Refresh();
}

void MainWindow::OnStripKey(wxKeyEvent& event) {
    // The Delete key deletes as Ctrl+Del does; elsewhere it edits text.
    if (event.GetKeyCode() == WXK_DELETE && event.GetModifiers() == wxMOD_NONE) {
        wxCommandEvent command;
        OnDeleteImages(command);
        return;
    }
    event.Skip();
}
