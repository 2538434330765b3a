// Saving the animation as a GIF file: the file is chosen here, written on a
// worker thread under a progress dialog.
#include "window/gifframe.h"

#include "base/trace.h"
#include "document/exportjob.h"
#include "gif/export.h"
#include "gif/export_memory.h"
#include "jobs/workerevents.h"
#include "jobs/worksaveasgifthread.h"
#include "window/gifsettingsdialog.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>


void GifFrame::OnSaveAnimator(wxCommandEvent&) {
    Trace("OnSaveAnimator");
    StopPreview();
    if (IsExporting()) return;
    if (m_document.GifPath().empty()) {
        const wxString chosen = ChooseGifFile(wxGetTranslation("Save GIF Files"));
        const wxString path = EnsureGifExtension(chosen);
        if (chosen.empty() || !ConfirmAppendedExtension(chosen, path)) return;
        // The status bar shows the name as it was typed; the file gets ".gif".
        m_document.SetGif(path, wxFileNameFromPath(chosen));
        if (m_document.IsEmpty()) return;
    } else {
        if (m_document.IsEmpty()) return;
        // Unchanged since the last save and the file still there: up to date.
        if (wxFileExists(m_document.GifPath()) && m_history.IsGifUnchanged()) return;
    }
    StartExport(wxGetTranslation("Save GIF Progress Dialog"));
}

void GifFrame::OnGifSettings(wxCommandEvent&) {
    StopPreview();
    GifSettingsDialog dialog(this, m_document.Settings());
    if (dialog.ShowModal() == wxID_OK)
        Edit(std::make_unique<SetGifSettingsCommand>(m_document, dialog.GetSettings()));
}

void GifFrame::OnTransparentBox(wxCommandEvent&) {
    GifSettings settings = m_document.Settings();
    settings.transparent = m_checkBox_transparent->GetValue();
    Edit(std::make_unique<SetGifSettingsCommand>(m_document, settings));
}

void GifFrame::OnSaveAsAnimator(wxCommandEvent&) {
    StopPreview();
    if (IsExporting() || m_document.IsEmpty()) return;
    const wxString chosen = ChooseGifFile(wxGetTranslation("Save As GIF Files"));
    const wxString path = EnsureGifExtension(chosen);
    if (chosen.empty() || !ConfirmAppendedExtension(chosen, path)) {
        // The document has no GIF file any more, so "Save" asks again.
        m_document.SetGif(wxString(), m_document.GifName());
        return;
    }
    m_document.SetGif(path, wxFileNameFromPath(path));
    StartExport(wxGetTranslation("Save As GIF Progress Dialog"));
}

wxString GifFrame::ChooseGifFile(const wxString& message) {
    const wxString firstPicture = m_document.IsEmpty() ? wxString() : m_document.Frame(0).path;
    const wxString chosen =
        ChooseFileToWrite(message, m_places.GifFolder(m_document.GifPath(), firstPicture),
                          ProposedGifName(m_document.GifPath(), m_document.GifName()),
                          wxGetTranslation("Image files") + " (*.gif)|*.gif");
    m_places.GifChosen(chosen);
    return chosen;
}

// The file dialog asked before replacing the name that was typed, not the one
// with ".gif" added: ask about that one here.
bool GifFrame::ConfirmAppendedExtension(const wxString& chosen, const wxString& path) {
    if (chosen == path || !wxFileExists(path)) return true;
    wxMessageDialog ask(this,
                        wxString::Format(wxGetTranslation("The file \"%s\" already exists. Do you want to replace it?"), path),
                        wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    return ask.ShowModal() == wxID_YES;
}

bool GifFrame::StartExport(const wxString& title) {
    const wxString& gifPath = m_document.GifPath();
    const wxSize canvas = m_document.CanvasSize();
    // Fewer frames at once when memory is short; none when even one does not fit.
    const int parallelism = ExportParallelismThatFits(canvas.x, canvas.y, DefaultExportParallelism(),
                                                      AvailableMemory());
    if (parallelism == 0) {
        ReportExportFailure(ExportMemoryRefusalText(gifPath, canvas.x, canvas.y));
        return false;
    }
    // Recorded now: edits are impossible while the dialog is up, and a failed
    // export forgets it.
    m_history.MarkGifSaved();
    // Twice as many frames handed over as are rendered at once: the thread
    // never waits for the next picture, and memory holds only a few frames.
    // The pictures the export takes, fixed now: handles to the stored frames,
    // decoded on the export's threads.
    std::vector<FramePicture> pictures;
    for (const DocumentFrame& frame : m_document.Frames()) pictures.push_back(frame.picture);
    auto feed = std::make_shared<ExportFrameFeed>(this, std::move(pictures), 2 * parallelism);
    auto thread = std::make_unique<WorkSaveAsGifThread>(ExportJobFor(m_document, parallelism), feed);
    const wxString failure =
        wxString::Format(wxGetTranslation("The GIF file \"%s\" cannot be saved: the system "
                                          "refused to start a thread."),
                         gifPath);
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        ReportExportFailure(failure);
        return false;
    }
    m_statusBeforeExport = m_statusBar1->GetStatusText(0);
    m_statusAfterExport = CanvasEditText(m_document.GifName(), canvas.x, canvas.y);
    // The dialog disables the main window, so the frames stay as they are
    // until the thread is done with them.
    m_exportProgress = new wxProgressDialog(
        title, wxGetTranslation("Saving images...."), 100, this,
        wxPD_ELAPSED_TIME | wxPD_ESTIMATED_TIME | wxPD_REMAINING_TIME);
    m_exportFeed = feed;
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        m_exportFeed.reset();
        delete m_exportProgress;
        m_exportProgress = nullptr;
        ReportExportFailure(failure);
        return false;
    }
    m_exportThread = std::move(thread);
    return true;
}

void GifFrame::OnWorkSaveAsGifThreadUpdate(wxCommandEvent& event) {
    Trace("WorkSaveAsGifThreadUpdate:");
    if (!m_exportFeed) return;
    if (DeferDuringProgressUpdate(event)) return;
    const int progress = event.GetInt();
    if (progress == 100) {
        EndExport();
        return;
    }
    UpdateProgress(m_exportProgress, progress);
}

void GifFrame::EndExport() {
    const GifExportStatus status = m_exportFeed->Outcome();
    m_exportFeed.reset();
    // It posted its last event and is ending.
    if (m_exportThread) m_exportThread->Wait(wxTHREAD_WAIT_BLOCK);
    m_exportThread.reset();
    // Deleting re-enables the main window at once; the dialog is never
    // updated to its maximum, so it is not inside a modal loop of its own.
    delete m_exportProgress;
    m_exportProgress = nullptr;
    wxWakeUpIdle();
    if (status == GifExportStatus::Written) {
        m_statusBar1->SetStatusText(m_statusAfterExport, 0);
    } else {
        m_statusBar1->SetStatusText(m_statusBeforeExport, 0);
        ReportExportFailure(GifExportFailureText(status, m_document.GifPath()));
    }
}

void GifFrame::ReportExportFailure(const wxString& text) {
    // Not saved: the next "Save" must write.
    m_history.ForgetGifSaved();
    wxMessageBox(text, wxGetTranslation("Warning"), wxOK | wxICON_ERROR, this);
}

void GifFrame::AbandonExport() {
    if (!m_exportFeed) return;
    // The thread stops and removes its temporary file; no event of it reaches
    // this window any more.
    m_exportFeed->Close();
    m_exportFeed.reset();
    // Waited for here, without running events: the window is going away.
    if (m_exportThread) m_exportThread->Delete(nullptr, wxTHREAD_WAIT_BLOCK);
    m_exportThread.reset();
}
