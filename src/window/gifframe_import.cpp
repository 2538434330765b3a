// Adding pictures: decoded on a worker thread, appended as they arrive.
#include "window/gifframe.h"

#include "jobs/imageloadthread.h"
#include "jobs/importevents.h"
#include "window/skipreport.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/spinctrl.h>

#include <iostream>
#include <memory>

void GifFrame::OnAddImages(wxCommandEvent&) {
    StopPreview();
    const wxArrayString paths = m_prompts->ChoosePictures(
        this, wxGetTranslation("Add Image Files"), m_places.PictureFolder());
    if (paths.empty()) return;
    m_places.PicturesChosen(paths);
    m_importTarget = ImportTarget::Append;
    StartImageLoad(paths);
}

bool GifFrame::StartImageLoad(const wxArrayString& paths) {
    if (paths.empty()) return false;
    m_importedFrames.clear();
    m_importSink = std::make_shared<ImportSink>(this);
    auto* thread = new ImageLoadThread(m_importSink, paths);
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        delete thread;
        wxMessageBox(wxGetTranslation("The pictures cannot be loaded: the system refused to start a thread."),
                     wxGetTranslation("Warning"), wxOK | wxICON_ERROR, this);
        return false;
    }
    // The dialog exists before the thread can post its first event.
    m_importProgress = new wxProgressDialog(
        wxGetTranslation("Load Images Progress Dialog"), wxGetTranslation("Loading images...."),
        100, this, wxPD_ELAPSED_TIME | wxPD_ESTIMATED_TIME | wxPD_REMAINING_TIME);
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        delete m_importProgress;
        m_importProgress = nullptr;
        wxMessageBox(wxGetTranslation("The pictures cannot be loaded: the system refused to start a thread."),
                     wxGetTranslation("Warning"), wxOK | wxICON_ERROR, this);
        return false;
    }
    return true;
}

bool GifFrame::DeferDuringProgressUpdate(const wxEvent& event) {
    if (!m_updatingProgress) return false;
    // Queued behind the others, so the order of the worker's events stays.
    QueueEvent(event.Clone());
    return true;
}

void GifFrame::UpdateProgress(wxProgressDialog* dialog, int value) {
    if (!dialog) return;
    m_updatingProgress = true;
    dialog->Update(value, wxEmptyString);
    m_updatingProgress = false;
}

void GifFrame::ThreadUpdate(ImportEvent& event) {
    if (DeferDuringProgressUpdate(event)) return;
    if (auto image = event.TakePicture()) {
        const ImportedPicture& picture = event.GetPicture();
        m_importedFrames.push_back(
            NewFrame(std::move(image), picture.path, picture.frameIndex, picture.delay));
    }
    const int progress = event.GetProgress();
    if (progress != 100) {
        UpdateProgress(m_importProgress, progress);
        return;
    }
    // Deleting re-enables the window at once; the dialog is not inside its
    // own Update here, as it is never updated to its maximum.
    delete m_importProgress;
    m_importProgress = nullptr;
    ReportSkippedPictures(this, event.GetSkipped());
    FinishImport(std::move(m_importedFrames));
    m_importedFrames.clear();
}

void GifFrame::FinishImport(std::vector<DocumentFrame> frames) {
    if (m_importTarget == ImportTarget::Project) {
        ReplaceDocument(std::move(frames));
        return;
    }
    if (frames.empty()) return;  // nothing could be read
    const bool inserting = m_importTarget == ImportTarget::Insert;
    m_importTarget = ImportTarget::Append;
    const size_t at = inserting ? std::min(m_importPosition, m_document.FrameCount())
                                : m_document.FrameCount();
    Edit(std::make_unique<InsertFramesCommand>(m_document, at, std::move(frames),
                                               inserting ? wxTRANSLATE("Insert Image")
                                                         : wxTRANSLATE("Add Image")));
    ShowFrame(0);
}
