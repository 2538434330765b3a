#include "window/exportcontroller.h"

#include "base/filenames.h"
#include "document/exportjob.h"
#include "document/sizesearch.h"
#include "formats/animationexport.h"
#include "gif/export.h"
#include "gif/export_memory.h"
#include "jobs/workerevents.h"
#include "jobs/worksaveasgifthread.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

ExportController::ExportController(wxWindow* window) : m_window(window) {
    Bind(wxEVT_COMMAND_WORKER_PROGRESS, &ExportController::OnProgress, this, ID_SAVE_GIF_THREAD);
}

ExportController::~ExportController() { Abandon(); }

bool ExportController::Start(const Document& document, const wxString& path, const wxString& title,
                             Ended ended) {
    if (IsRunning()) return false;
    m_path = path;
    const wxSize canvas = document.CanvasSize();
    // Fewer frames at once when memory is short; none when even one does not fit.
    const int parallelism = ExportParallelismThatFits(canvas.x, canvas.y, DefaultExportParallelism(),
                                                      AvailableMemory());
    if (parallelism == 0) {
        ReportFailure(ExportMemoryRefusalText(m_path, canvas.x, canvas.y));
        return false;
    }
    // The pictures the export takes, fixed now: handles to the stored frames,
    // decoded on the export's threads, twice as many ahead as are rendered at
    // once, so that the thread never waits and memory holds only a few frames.
    std::vector<FramePicture> pictures;
    for (const DocumentFrame& frame : document.Frames()) pictures.push_back(frame.picture);
    auto feed = std::make_shared<ExportFrameFeed>(this, std::move(pictures), 2 * parallelism);
    GifExportJob job = ExportJobFor(document, parallelism, path);
    m_fitText.clear();
    // A GIF under a size limit is searched for on a copy of the document.
    const long long limit = document.Settings().maxBytes;
    auto thread = job.format == AnimationFormat::Gif && limit > 0
                      ? std::make_unique<WorkSaveAsGifThread>(job, feed, document, limit)
                      : std::make_unique<WorkSaveAsGifThread>(job, feed);
    const wxString noThread =
        wxString::Format(wxGetTranslation("The file \"%s\" cannot be saved: the system "
                                          "refused to start a thread."),
                         ShownFileName(m_path));
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        ReportFailure(noThread);
        return false;
    }
    // The dialog disables the window, so the frames stay as they are until
    // the thread is done with them.
    m_progress.Begin(m_window, title, wxGetTranslation("Saving images...."));
    m_feed = feed;
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        m_feed.reset();
        m_progress.End();
        ReportFailure(noThread);
        return false;
    }
    m_thread = std::move(thread);
    m_ended = std::move(ended);
    return true;
}

void ExportController::OnProgress(wxCommandEvent& event) {
    if (!m_feed || m_progress.Defer(event, *this)) return;
    const int progress = event.GetInt();
    if (progress == 100)
        End();
    else
        m_progress.Update(progress);
}

void ExportController::End() {
    const GifExportStatus status = m_feed->Outcome();
    const int unreadable = m_feed->UnreadableFrame();
    const auto fit = m_feed->Fit();
    if (fit) m_fitText = SizeChoiceText(fit->choice, fit->bytes);
    m_feed.reset();
    // It posted its last event and is ending.
    if (m_thread) m_thread->Wait(wxTHREAD_WAIT_BLOCK);
    m_thread.reset();
    m_progress.End();
    wxWakeUpIdle();
    const bool written = status == GifExportStatus::Written;
    const Ended ended = std::move(m_ended);
    m_ended = nullptr;
    if (ended) ended(written);
    if (!written) {
        wxString text = status == GifExportStatus::BadFrame && unreadable >= 0 ? UnreadableFrameText(m_path, unreadable)
                                                                               : GifExportFailureText(status, m_path);
        if (status == GifExportStatus::TooLarge && fit)
            text += "\n" + wxString::Format(wxGetTranslation("The smallest it could be made: %s."), m_fitText);
        ReportFailure(text);
    }
}

void ExportController::ReportFailure(const wxString& text) {
    wxMessageBox(text, wxGetTranslation("Warning"), wxOK | wxICON_ERROR, m_window);
}

void ExportController::Abandon() {
    if (!m_feed) return;
    // The thread stops and removes its temporary file; no event of it
    // reaches the window any more.
    m_feed->Close();
    m_feed.reset();
    // Waited for here, without running events: the window is going away.
    if (m_thread) m_thread->Delete(nullptr, wxTHREAD_WAIT_BLOCK);
    m_thread.reset();
    m_progress.End();
    m_ended = nullptr;
}
