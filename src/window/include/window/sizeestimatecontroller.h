// The status bar's estimate of the GIF's size: started on a worker a moment
// after the last edit, replaced by the next edit's, shown when it arrives;
// after a save, the size written beside it.
#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include <functional>
#include <memory>
#include <vector>

class Document;
class SizeEstimateThread;

class SizeEstimateController : public wxEvtHandler {
public:
    using Show = std::function<void(const wxString& text)>;

    // The document outlives the controller; show puts a text in the status bar.
    SizeEstimateController(const Document& document, Show show);
    ~SizeEstimateController() override;

    // The document changed: a new estimate starts once edits pause.
    void DocumentChanged();
    // A file of bytes was just written: shown beside the estimate.
    void Saved(long long bytes);
    // The pause after an edit before estimating (tests shorten it).
    void SetPause(int milliseconds) { m_pause = milliseconds; }
    // The last estimate shown; -1: none yet.
    long long Estimate() const { return m_estimate; }

private:
    void OnTimer(wxTimerEvent& event);
    void OnEstimated(wxThreadEvent& event);
    void ShowText();
    // Joins the estimates that have ended since they were stopped.
    void Reap();

    const Document& m_document;
    Show m_show;
    wxTimer m_timer;
    int m_pause = 300;
    int m_id = 0;
    std::unique_ptr<SizeEstimateThread> m_running;
    std::vector<std::unique_ptr<SizeEstimateThread>> m_stopping;
    long long m_estimate = -1;
    long long m_saved = -1;
};
