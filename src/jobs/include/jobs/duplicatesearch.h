// Remove Duplicates' search on a worker thread: it reads the frames through
// the frame store and tells its handler how far it got and what it found,
// with events only; it never touches a window.
#pragma once

#include "document/duplicates.h"

#include <wx/event.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

// What the search tells its handler.
struct DuplicateSearchNews {
    size_t done = 0;
    size_t total = 0;
    bool finished = false;
    std::vector<size_t> duplicates;  // when finished: positions in the frames searched
};
// A wxThreadEvent whose payload is a DuplicateSearchNews.
wxDECLARE_EVENT(EVT_DUPLICATE_SEARCH, wxThreadEvent);

class DuplicateSearch {
public:
    DuplicateSearch() = default;
    ~DuplicateSearch();  // stops a search under way and waits for it
    DuplicateSearch(const DuplicateSearch&) = delete;
    DuplicateSearch& operator=(const DuplicateSearch&) = delete;

    // Starts searching frames; handler gets EVT_DUPLICATE_SEARCH events,
    // the last one finished (unless stopped). False when no thread started.
    bool Start(std::vector<FrameToCompare> frames, double percent, wxEvtHandler* handler);
    // Stops the search and waits for its thread; no event of it follows.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
