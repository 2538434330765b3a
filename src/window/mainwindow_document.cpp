// The document's commands: inserting, deleting and clearing frames, the
// delays and canvas size, the loop count, undo and redo, and closing.
#include "window/mainwindow.h"

#include "document/canvasgeometry.h"
#include "window/framedelaydialog.h"
#include "window/loopcountdialog.h"
#include "window/previewpanel.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

#include <algorithm>

bool MainWindow::Edit(std::unique_ptr<DocumentCommand> command) {
    const bool done = m_history.SubmitEdit(std::move(command));
    RefreshCommands();
    return done;
}

bool MainWindow::IsProjectUnsaved(bool evenWithoutPath) const {
    if (!evenWithoutPath && m_document.ProjectPath().empty()) return !m_document.IsEmpty();
    return m_history.IsDirty();
}

int MainWindow::AskToSaveProject() {
    wxMessageDialog prompt(this,
                           wxGetTranslation("The project is unsaved, you can continue to edit\n "
                                            "your project when you open it next time, do you \n"
                                            "want to save the project now?"),
                           wxGetTranslation("Warning"),
                           wxYES_NO | wxCANCEL | wxNO_DEFAULT | wxICON_EXCLAMATION);
    return prompt.ShowModal();
}

std::vector<size_t> MainWindow::SelectedFrames() const {
    std::vector<size_t> frames;
    for (int index : m_thumbnailCtrl->GetSelectedIndices())
        if (index >= 0 && static_cast<size_t>(index) < m_document.FrameCount())
            frames.push_back(static_cast<size_t>(index));
    std::sort(frames.begin(), frames.end());
    return frames;
}

size_t MainWindow::InsertPosition() const {
    // The first frame selected, not the lowest index: as the user chose it.
    const wxArrayInt& selection = m_thumbnailCtrl->GetSelectedIndices();
    if (selection.empty() || selection[0] < 0) return m_document.FrameCount();
    return std::min(static_cast<size_t>(selection[0]), m_document.FrameCount());
}

void MainWindow::OnDeleteImages(wxCommandEvent&) {
    StopPreview();
    if (m_document.IsEmpty()) return;
    const std::vector<size_t> selection = SelectedFrames();
    if (selection.empty()) return;
    wxMessageDialog confirm(this,
                            wxGetTranslation("Are you sure you want to delete selected image(s)?"),
                            wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_INFORMATION);
    if (confirm.ShowModal() == wxID_YES) {
        Edit(std::make_unique<RemoveFramesCommand>(m_document, selection, wxTRANSLATE("Delete")));
    } else if (m_document.CanvasSize() != m_document.DrawnSize()) {
        // Answered No: the canvas still goes back to the frames' size, as it
        // always did, and that can be undone like any size edit.
        Edit(std::make_unique<SetCanvasCommand>(m_document, m_document.DrawnSize(), false));
        m_canvasForm = CanvasForm::List;
        UpdateCanvasSize();
    }
    m_statusBar1->SetStatusText(wxEmptyString, 1);
}

void MainWindow::OnClearAll(wxCommandEvent&) {
    StopPreview();
    // Undoable, so it asks nothing.
    std::vector<size_t> all(m_document.FrameCount());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    Edit(std::make_unique<RemoveFramesCommand>(m_document, std::move(all), wxTRANSLATE("Clear All")));
}

void MainWindow::OnFrameDelay(wxCommandEvent&) {
    StopPreview();
    const std::vector<size_t> selection = SelectedFrames();
    if (selection.empty()) return;
    // The dialog starts from the frame the user selected first.
    const int first = m_thumbnailCtrl->GetSelectedIndices()[0];
    FrameDelayDialog dialog(this, m_document.Frame(static_cast<size_t>(first)).delay);
    if (dialog.ShowModal() != wxID_OK) return;
    Edit(std::make_unique<SetDelayCommand>(m_document, selection, dialog.GetDelay()));
}

void MainWindow::OnUndo(wxCommandEvent&) {
    StopPreview();
    if (m_history.CanUndo()) m_history.Undo();
    RefreshCommands();
}

void MainWindow::OnRedo(wxCommandEvent&) {
    StopPreview();
    if (m_history.CanRedo()) m_history.Redo();
    RefreshCommands();
}

void MainWindow::OnSetDelay(wxCommandEvent& event) {
    StopPreview();
    // The field itself would turn a larger number into its maximum without a word.
    long typed = 0;
    if (event.GetString().ToLong(&typed) && typed > m_spinctrl_delay->GetMax())
        m_statusBar1->SetStatusText(
            wxString::Format(wxGetTranslation("A delay is at most %d hundredths of a second."),
                             m_spinctrl_delay->GetMax()),
            2);
    Edit(std::make_unique<SetDelayCommand>(m_document, m_spinctrl_delay->GetValue(), true));
}

void MainWindow::OnSetWidth(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    const int width = ClampCanvasSide(m_spinctrl_width->GetValue());
    const wxSize canvas = m_document.CanvasSize();
    const int height = HeightForWidth(width, m_document.DrawnSize(), canvas.y);
    Edit(std::make_unique<SetCanvasCommand>(m_document, wxSize(width, height), true));
}

void MainWindow::OnSetHeight(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    const int height = ClampCanvasSide(m_spinctrl_height->GetValue());
    const wxSize canvas = m_document.CanvasSize();
    const int width = WidthForHeight(height, m_document.DrawnSize(), canvas.x);
    Edit(std::make_unique<SetCanvasCommand>(m_document, wxSize(width, height), true));
}

void MainWindow::OnRunAnimation(wxCommandEvent&) { m_preview->TogglePlaying(); }

void MainWindow::OnLoopCount(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    LoopCountDialog dialog(this);
    if (dialog.ShowModal() == wxID_OK) {
        if (dialog.GetResult() != m_document.LoopCount())
            Edit(std::make_unique<SetLoopCountCommand>(m_document, dialog.GetResult()));
        m_preview->RestartLoops();
    }
    StopPreview();
}

void MainWindow::OnSaveProject(wxCommandEvent&) { SaveProject(); }

void MainWindow::OnExit(wxCommandEvent&) { RequestClose(); }

void MainWindow::OnCloseWindow(wxCloseEvent& event) {
    if (!RequestClose()) {
        if (event.CanVeto())
            event.Veto();
        else
            Destroy();  // the system insists
    }
}

bool MainWindow::RequestClose() {
    StopPreview();
    if (!MayDiscardDocument()) return false;
    Destroy();
    return true;
}

bool MainWindow::MayDiscardDocument() {
    if (m_document.IsEmpty() || !IsProjectUnsaved(true)) return true;
    const int answer = AskToSaveProject();
    // Unsaved frames are never dropped: a save that did not happen keeps them.
    if (answer == wxID_YES) return SaveProject();
    return answer == wxID_NO;
}

void MainWindow::OnNew(wxCommandEvent&) {
    StopPreview();
    if (IsImporting() || IsExporting() || IsSearchingDuplicates() || !MayDiscardDocument()) return;
    CancelCrop();
    m_document.StartAnew();
    // Undo does not reach back into the document set aside.
    m_history.Reset();
    m_canvasForm = CanvasForm::List;
    RefreshCommands();
    UpdateCanvasSize();
}
