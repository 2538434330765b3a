#include "window/duplicatecontroller.h"

#include <wx/intl.h>
#include <wx/msgdlg.h>

DuplicateController::DuplicateController(wxWindow* window) : m_window(window) {
    Bind(EVT_DUPLICATE_SEARCH, &DuplicateController::OnNews, this);
}

DuplicateController::~DuplicateController() {
    m_search.Stop();
    m_progress.End();
}

bool DuplicateController::Start(std::vector<FrameToCompare> frames, double percent, Found found) {
    if (m_running) return false;
    m_progress.Begin(m_window, wxGetTranslation("Remove Duplicates"),
                     wxGetTranslation("Comparing the frames..."), true);
    if (!m_search.Start(std::move(frames), percent, this)) {
        m_progress.End();
        wxMessageBox(wxGetTranslation("The frames cannot be compared: the system refused to start a thread."),
                     wxGetTranslation("Warning"), wxOK | wxICON_ERROR, m_window);
        return false;
    }
    m_running = true;
    m_found = std::move(found);
    return true;
}

void DuplicateController::OnNews(wxThreadEvent& event) {
    // What a stopped search queued before it stopped means nothing now.
    if (!m_running || m_progress.Defer(event, *this)) return;
    const auto news = event.GetPayload<DuplicateSearchNews>();
    if (news.finished) {
        const Found found = std::move(m_found);
        End();
        if (found) found(news.duplicates);
        return;
    }
    const int percent = news.total ? static_cast<int>(99 * news.done / news.total) : 0;
    if (!m_progress.Update(percent)) End();  // cancelled: nothing changes
}

void DuplicateController::End() {
    m_search.Stop();
    m_progress.End();
    m_running = false;
    m_found = nullptr;
}
