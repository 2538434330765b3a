// Adding pictures: decoded and stored on a worker thread under a progress
// dialog, handed to the window as frames once all have arrived. Before a
// video is read, the user chooses which part of it becomes frames.
#pragma once

#include "document/document.h"
#include "import/videoreader.h"
#include "window/videochoicememory.h"
#include "window/workerprogress.h"

#include <wx/arrstr.h>
#include <wx/event.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class ImportEvent;
class ImportSink;
class wxWindow;

class ImportController : public wxEvtHandler {
public:
    // The frames of an import, in the order read; the pictures it left out
    // have been named to the user already.
    using Finished = std::function<void(std::vector<DocumentFrame> frames)>;

    // Dialogs show over window; new pictures take document's delay.
    ImportController(wxWindow* window, const Document& document);
    // A running import posts nothing more and stops at its next picture.
    ~ImportController() override;

    // Starts reading paths; finished runs when they are read. False (and the
    // user told) when no thread could be started.
    bool Start(const wxArrayString& paths, Finished finished);
    bool IsRunning() const { return m_progress.IsShown(); }

private:
    using VideoChoices = std::map<wxString, VideoSampling>;
    // The paths without the videos whose dialog was cancelled, and the
    // choice for each video that stays.
    wxArrayString AskForVideos(const wxArrayString& paths, VideoChoices& choices);
    void OnProgress(ImportEvent& event);
    void ReportNoThread();

    wxWindow* const m_window;
    const Document& m_document;
    WorkerProgress m_progress;
    std::shared_ptr<ImportSink> m_sink;
    std::vector<DocumentFrame> m_frames;
    Finished m_finished;
    VideoChoiceMemory m_videoMemory;
};
