// Saving the animation as a GIF file: the file is chosen here, written on a
// worker thread under a progress dialog.
#include "window/gifframe.h"

#include "window/export_memory.h"
#include "window/gif_export.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"
#include "window/workerevents.h"
#include "window/worksaveasgifthread.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

#include <iostream>

namespace {

// Frame index's full-size picture for the export thread. Made here, on the
// main thread: the bitmap is a toolkit drawing object the thread must not touch.
std::unique_ptr<wxImage> ExportPicture(wxThumbnailCtrl* strip, int index) {
    if (index >= strip->GetCount()) return nullptr;
    auto* item = wxDynamicCast(strip->GetItem(index), wxImageThumbnailItem);
    if (!item || !item->m_bitmap.IsOk()) return nullptr;
    // ConvertToImage keeps the mask as a mask colour and any alpha.
    return std::make_unique<wxImage>(item->m_bitmap.ConvertToImage());
}

}  // namespace

void GifFrame::OnSaveAnimator(wxCommandEvent&) {
    std::cout << "OnSaveAnimator" << std::endl;
    StopPreview();
    if (IsExporting()) return;
    const int count = m_thumbnailCtrl->GetCount();
    if (m_gifPath.empty()) {
        const wxString chosen = ChooseGifFile(wxGetTranslation("Save GIF Files"));
        const wxString path = EnsureGifExtension(chosen);
        if (chosen.empty() || !ConfirmAppendedExtension(chosen, path)) return;
        // The status bar shows the name as it was typed; the file gets ".gif".
        m_gifName = wxFileNameFromPath(chosen);
        m_gifPath = path;
        if (count == 0) return;
    } else {
        if (count == 0) return;
        const SaveSnapshot& saved = m_saveSnapshot;
        // Unchanged since the last save and the file still there: up to date.
        if (wxFileExists(m_gifPath) && saved.frameCount == count &&
            saved.delay == m_spinctrl_delay->GetValue() &&
            saved.width == m_spinctrl_width->GetValue() &&
            saved.height == m_spinctrl_height->GetValue() &&
            saved.revision == m_thumbnailCtrl->GetRevision())
            return;
    }
    RecordSaveSnapshot();
    StartExport(m_saveSnapshot.width, m_saveSnapshot.height, m_saveSnapshot.delay,
                wxGetTranslation("Save GIF Progress Dialog"));
}

void GifFrame::OnSaveAsAnimator(wxCommandEvent&) {
    StopPreview();
    if (IsExporting() || m_thumbnailCtrl->GetCount() == 0) return;
    const wxString chosen = ChooseGifFile(wxGetTranslation("Save As GIF Files"));
    const wxString path = EnsureGifExtension(chosen);
    if (chosen.empty() || !ConfirmAppendedExtension(chosen, path)) {
        // The document has no GIF file any more, so "Save" asks again.
        m_gifPath.clear();
        return;
    }
    m_gifPath = path;
    m_gifName = wxFileNameFromPath(m_gifPath);
    RecordSaveSnapshot();
    StartExport(m_canvasWidth, m_canvasHeight, m_saveSnapshot.delay,
                wxGetTranslation("Save As GIF Progress Dialog"));
}

wxString GifFrame::ChooseGifFile(const wxString& message) {
    return m_prompts->ChooseFile(this, message, "*.gif",
                                 wxGetTranslation("Image files") + " (*.gif)|*.gif",
                                 wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
}

// The file dialog asked before replacing the name that was typed, not the one
// with ".gif" added: ask about that one here.
bool GifFrame::ConfirmAppendedExtension(const wxString& chosen, const wxString& path) {
    if (chosen == path || !wxFileExists(path)) return true;
    wxMessageDialog ask(this,
                        wxString::Format("The file \"%s\" already exists. Do you want to replace it?", path),
                        wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    return ask.ShowModal() == wxID_YES;
}

void GifFrame::RecordSaveSnapshot() {
    m_saveSnapshot.frameCount = m_thumbnailCtrl->GetCount();
    m_saveSnapshot.delay = m_spinctrl_delay->GetValue();
    m_saveSnapshot.width = m_spinctrl_width->GetValue();
    m_saveSnapshot.height = m_spinctrl_height->GetValue();
    m_saveSnapshot.revision = m_thumbnailCtrl->GetRevision();
}

bool GifFrame::StartExport(int width, int height, int delay, const wxString& title) {
    // Fewer frames at once when memory is short; none when even one does not fit.
    const int parallelism =
        ExportParallelismThatFits(width, height, DefaultExportParallelism(), AvailableMemory());
    if (parallelism == 0) {
        ReportExportFailure(ExportMemoryRefusalText(m_gifPath, width, height));
        return false;
    }
    // Twice as many frames handed over as are rendered at once: the thread
    // never waits for the next picture, and memory holds only a few frames.
    auto feed = std::make_shared<ExportFrameFeed>(this, m_thumbnailCtrl->GetCount(), 2 * parallelism);
    auto* thread = new WorkSaveAsGifThread(width, height, feed, m_gifPath, delay, parallelism);
    const wxString failure =
        wxString::Format("The GIF file \"%s\" cannot be saved: the system refused to start a thread.",
                         m_gifPath);
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        delete thread;
        ReportExportFailure(failure);
        return false;
    }
    m_statusBeforeExport = m_statusBar1->GetStatusText(0);
    m_statusAfterExport = CanvasEditText(m_gifName, m_spinctrl_width->GetValue(),
                                         m_spinctrl_height->GetValue());
    // The dialog disables the main window, so the frames stay as they are
    // until the thread is done with them.
    m_exportProgress = new wxProgressDialog(
        title, wxGetTranslation(" Saving images...."), 100, this,
        wxPD_ELAPSED_TIME | wxPD_ESTIMATED_TIME | wxPD_REMAINING_TIME);
    m_exportFeed = feed;
    FeedExport();
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        m_exportFeed.reset();
        delete m_exportProgress;
        m_exportProgress = nullptr;
        ReportExportFailure(failure);
        return false;
    }
    return true;
}

void GifFrame::FeedExport() {
    if (m_exportFeed)
        m_exportFeed->Refill([this](int index) { return ExportPicture(m_thumbnailCtrl, index); });
}

void GifFrame::OnWorkSaveAsGifThreadUpdate(wxCommandEvent& event) {
    std::cout << "WorkSaveAsGifThreadUpdate:" << std::endl;
    if (!m_exportFeed) return;
    if (DeferDuringProgressUpdate(event)) return;
    const int progress = event.GetInt();
    if (progress == 100) {
        EndExport();
        return;
    }
    FeedExport();
    UpdateProgress(m_exportProgress, progress);
}

void GifFrame::EndExport() {
    const GifExportStatus status = m_exportFeed->Outcome();
    m_exportFeed.reset();
    // Deleting re-enables the main window at once; the dialog is never
    // updated to its maximum, so it is not inside a modal loop of its own.
    delete m_exportProgress;
    m_exportProgress = nullptr;
    wxWakeUpIdle();
    if (status == GifExportStatus::Written) {
        m_statusBar1->SetStatusText(m_statusAfterExport, 0);
    } else {
        m_statusBar1->SetStatusText(m_statusBeforeExport, 0);
        ReportExportFailure(GifExportFailureText(status, m_gifPath));
    }
}

void GifFrame::ReportExportFailure(const wxString& text) {
    // Not saved: the next "Save" must write, whatever the snapshot said.
    m_saveSnapshot = SaveSnapshot();
    wxMessageBox(text, wxGetTranslation("Warning"), wxOK | wxICON_ERROR, this);
}

void GifFrame::AbandonExport() {
    if (!m_exportFeed) return;
    // The thread stops and removes its temporary file; no event of it reaches
    // this window any more.
    m_exportFeed->Close();
    m_exportFeed.reset();
}
