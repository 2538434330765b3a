#include "window/importcontroller.h"

#include "document/framesource.h"
#include "jobs/imageloadthread.h"
#include "jobs/importevents.h"
#include "import/framepath.h"
#include "window/videodialog.h"
#include "window/skipreport.h"

#include <wx/msgdlg.h>

ImportController::ImportController(wxWindow* window, const Document& document)
    : m_window(window), m_document(document) {
    Bind(wxEVT_IMPORT_PROGRESS, &ImportController::OnProgress, this);
}

ImportController::~ImportController() {
    if (m_sink) m_sink->Close();
}

wxArrayString ImportController::AskForVideos(const wxArrayString& paths, VideoChoices& choices) {
    wxArrayString kept;
    for (const wxString& path : paths) {
        // A project's video frame, or a file the libraries cannot open (the
        // import names it), goes on as it is.
        const bool video = !VideoFrameFromPath(path) && LooksLikeVideo(path);
        const std::unique_ptr<VideoReader> reader = video ? VideoReader::Open(path) : nullptr;
        if (reader) {
            VideoDialog dialog(m_window, path, *reader, m_videoMemory.Proposal(path, reader->Facts()));
            if (dialog.ShowModal() != wxID_OK) continue;
            choices[path] = dialog.GetSampling();
            m_videoMemory.Chosen(path, reader->Facts(), dialog.GetSampling());
        }
        kept.Add(path);
    }
    return kept;
}

bool ImportController::Start(const wxArrayString& listed, Finished finished) {
    if (listed.empty() || IsRunning()) return false;
    VideoChoices choices;
    const wxArrayString paths = AskForVideos(listed, choices);
    if (paths.empty()) return false;
    m_frames.clear();
    m_finished = std::move(finished);
    m_sink = std::make_shared<ImportSink>(this);
    auto chooser = [choices](const wxString& path, const VideoFacts& facts) {
        const auto chosen = choices.find(path);
        return chosen != choices.end() ? chosen->second : DefaultVideoSampling(facts);
    };
    auto* thread = new ImageLoadThread(m_sink, paths, PictureDecoder::kImportPixels, chooser);
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        delete thread;
        ReportNoThread();
        return false;
    }
    // The dialog exists before the thread can post its first event.
    m_progress.Begin(m_window, wxGetTranslation("Load Images Progress Dialog"),
                     wxGetTranslation("Loading images...."));
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        m_progress.End();
        ReportNoThread();
        return false;
    }
    return true;
}

void ImportController::ReportNoThread() {
    wxMessageBox(wxGetTranslation("The pictures cannot be loaded: the system refused to start a thread."),
                 wxGetTranslation("Warning"), wxOK | wxICON_ERROR, m_window);
}

void ImportController::OnProgress(ImportEvent& event) {
    if (m_progress.Defer(event, *this)) return;
    if (auto image = event.TakePicture()) {
        const ImportedPicture& picture = event.GetPicture();
        // A GIF's frames keep their own timing; other pictures take the document's.
        m_frames.push_back(MakeFrame(std::move(image), picture.path, picture.frameIndex,
                                     picture.delay, m_document.DefaultDelay()));
    }
    const int progress = event.GetProgress();
    if (progress != 100) {
        m_progress.Update(progress);
        return;
    }
    // Taken before the message below: while it is up, a drop may start the
    // next import.
    std::vector<DocumentFrame> frames = std::move(m_frames);
    m_frames.clear();
    const Finished finished = std::move(m_finished);
    m_finished = nullptr;
    m_progress.End();
    ReportSkippedPictures(m_window, event.GetSkipped());
    if (finished) finished(std::move(frames));
}
