#include "jobs/duplicatesearch.h"

#include "base/signalstack.h"

#include <system_error>

wxDEFINE_EVENT(EVT_DUPLICATE_SEARCH, wxThreadEvent);

namespace {

void Tell(wxEvtHandler* handler, DuplicateSearchNews news) {
    auto* event = new wxThreadEvent(EVT_DUPLICATE_SEARCH);
    event->SetPayload(std::move(news));
    handler->QueueEvent(event);
}

}  // namespace

DuplicateSearch::~DuplicateSearch() { Stop(); }

bool DuplicateSearch::Start(std::vector<FrameToCompare> frames, double percent, wxEvtHandler* handler) {
    Stop();
    m_stop = false;
    try {
        m_thread = std::thread([this, frames = std::move(frames), percent, handler] {
            ThreadSignalStack stack;
            const size_t total = frames.size();
            // A tenth of a percent at most between events: a thousand frames
            // do not flood the window with a thousand updates.
            size_t told = 0;
            const auto progress = [&](size_t done) {
                if (m_stop) return false;
                if (total && done * 1000 / total != told * 1000 / total) Tell(handler, DuplicateSearchNews{done, total, false, {}});
                told = done;
                return !m_stop;
            };
            std::optional<std::vector<size_t>> found = FindDuplicates(frames, percent, progress);
            if (found && !m_stop) Tell(handler, DuplicateSearchNews{total, total, true, std::move(*found)});
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DuplicateSearch::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}
