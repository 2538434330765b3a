// The timing tools: Change Speed, Reduce Frames, Remove Duplicates, Play
// Forth and Back and Trim, each one command on the selected frames (every
// frame when at most one is selected).
#include "window/mainwindow.h"

#include "document/duplicates.h"
#include "document/timing.h"
#include "window/duplicatecontroller.h"
#include "window/thumbnailctrl.h"
#include "window/timingdialogs.h"

#include <wx/msgdlg.h>

#include <algorithm>
#include <memory>

std::vector<size_t> MainWindow::TimingSpan() const {
    std::vector<size_t> span = SelectedFrames();
    if (span.size() >= 2) return span;
    span.resize(m_document.FrameCount());
    for (size_t i = 0; i < span.size(); ++i) span[i] = i;
    return span;
}

bool MainWindow::HasPartialSelection() const {
    const size_t selected = SelectedFrames().size();
    return selected > 0 && selected < m_document.FrameCount();
}

bool MainWindow::IsSearchingDuplicates() const { return m_duplicates && m_duplicates->IsRunning(); }

void MainWindow::OnChangeSpeed(wxCommandEvent&) {
    StopPreview();
    if (m_document.IsEmpty()) return;
    SpeedDialog dialog(this, m_speedPercent);
    if (dialog.ShowModal() != wxID_OK) return;
    m_speedPercent = dialog.GetPercent();
    const std::vector<size_t> span = TimingSpan();
    std::vector<int> delays;
    for (size_t index : span) delays.push_back(DelayAtSpeed(m_document.Frame(index).delay, m_speedPercent));
    Edit(std::make_unique<SetDelaysCommand>(m_document, span, delays, wxTRANSLATE("Change Speed")));
}

void MainWindow::OnReduceFrames(wxCommandEvent&) {
    StopPreview();
    if (m_document.IsEmpty()) return;
    ReduceDialog dialog(this, m_reduceStep, m_reduceKeepsOne);
    if (dialog.ShowModal() != wxID_OK) return;
    m_reduceStep = dialog.GetStep();
    m_reduceKeepsOne = dialog.KeepsOne();
    const std::vector<size_t> away = ReducedAway(TimingSpan(), m_reduceStep, m_reduceKeepsOne);
    if (away.empty()) return;
    Edit(std::make_unique<DropFramesCommand>(m_document, DropFrames(m_document, away), wxTRANSLATE("Reduce Frames")));
}

void MainWindow::OnRemoveDuplicates(wxCommandEvent&) {
    StopPreview();
    if (m_document.IsEmpty() || IsSearchingDuplicates()) return;
    DuplicatesDialog dialog(this, m_duplicatePercent);
    if (dialog.ShowModal() != wxID_OK) return;
    m_duplicatePercent = dialog.GetPercent();
    const std::vector<size_t> span = TimingSpan();
    m_duplicates->Start(FramesToCompare(m_document, span), m_duplicatePercent,
                        [this, span](const std::vector<size_t>& positions) {
                            std::vector<size_t> frames;
                            for (size_t position : positions) frames.push_back(span[position]);
                            RemoveDuplicates(frames);
                        });
}

void MainWindow::RemoveDuplicates(const std::vector<size_t>& frames) {
    if (frames.empty()) {
        wxMessageBox(wxGetTranslation("No frame repeats the one before it."),
                     wxGetTranslation("Remove Duplicates"), wxOK | wxICON_INFORMATION, this);
        return;
    }
    Edit(std::make_unique<DropFramesCommand>(m_document, DropFrames(m_document, frames),
                                             wxTRANSLATE("Remove Duplicates")));
}

void MainWindow::OnForthAndBack(wxCommandEvent&) {
    StopPreview();
    const std::vector<size_t> span = TimingSpan();
    std::vector<DocumentFrame> back = ForthAndBack(m_document, span);
    if (back.empty()) return;
    // Right after the frames it plays back, so that a selection in the middle turns there.
    Edit(std::make_unique<InsertFramesCommand>(m_document, span.back() + 1, std::move(back),
                                               wxTRANSLATE("Play Forth and Back")));
}

void MainWindow::OnTrim(wxCommandEvent&) {
    StopPreview();
    if (!HasPartialSelection()) return;
    const std::vector<size_t> selected = SelectedFrames();
    wxMessageDialog confirm(this, wxGetTranslation("Delete every frame that is not selected?"),
                            wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_INFORMATION);
    if (confirm.ShowModal() != wxID_YES) return;
    std::vector<size_t> others;
    for (size_t i = 0; i < m_document.FrameCount(); ++i)
        if (!std::binary_search(selected.begin(), selected.end(), i)) others.push_back(i);
    Edit(std::make_unique<RemoveFramesCommand>(m_document, others, wxTRANSLATE("Trim")));
}
