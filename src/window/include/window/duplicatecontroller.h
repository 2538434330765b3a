// Remove Duplicates' search under a progress dialog with Cancel: the window
// stays disabled, and so the frames unchanged, until it ends.
#pragma once

#include "jobs/duplicatesearch.h"
#include "window/workerprogress.h"

#include <wx/event.h>

#include <functional>
#include <vector>

class wxWindow;

class DuplicateController : public wxEvtHandler {
public:
    // The positions found in the frames searched; not called when cancelled.
    using Found = std::function<void(const std::vector<size_t>& positions)>;

    explicit DuplicateController(wxWindow* window);
    ~DuplicateController() override;

    // False (and the user told) when the search could not start.
    bool Start(std::vector<FrameToCompare> frames, double percent, Found found);
    bool IsRunning() const { return m_running; }

private:
    void OnNews(wxThreadEvent& event);
    void End();

    wxWindow* const m_window;
    WorkerProgress m_progress;
    DuplicateSearch m_search;
    Found m_found;
    bool m_running = false;
};
