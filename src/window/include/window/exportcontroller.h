// Saving the animation as a GIF: written on a worker thread under a progress
// dialog, which keeps the document as it is until the file is done.
#pragma once

#include "window/workerprogress.h"

#include <wx/event.h>

#include <functional>
#include <memory>
#include <optional>

class Document;
class ExportFrameFeed;
class WorkSaveAsGifThread;
class wxWindow;

class ExportController : public wxEvtHandler {
public:
    // How an export ended: written, or not (and the user told why).
    using Ended = std::function<void(bool written)>;

    // Dialogs show over window.
    explicit ExportController(wxWindow* window);
    // Stops a running export and waits for its thread.
    ~ExportController() override;

    // Writes the document's frames as the GIF at path; ended runs when the
    // thread is done. False (and the user told why) when it could not start.
    bool Start(const Document& document, const wxString& path, const wxString& title, Ended ended);
    bool IsRunning() const { return m_feed != nullptr; }
    // What the last export written under a size limit chose and reached
    // ("4.8 MB: lossy 40, ..."); empty without a limit.
    const wxString& FitText() const { return m_fitText; }
    // Stops a running export without a word: its temporary file is removed,
    // no event of it arrives any more. Waits for the thread.
    void Abandon();

private:
    void OnProgress(wxCommandEvent& event);
    void End();
    void ReportFailure(const wxString& text);

    wxWindow* const m_window;
    WorkerProgress m_progress;
    std::shared_ptr<ExportFrameFeed> m_feed;
    std::unique_ptr<WorkSaveAsGifThread> m_thread;
    wxString m_path;
    wxString m_fitText;
    Ended m_ended;
};
