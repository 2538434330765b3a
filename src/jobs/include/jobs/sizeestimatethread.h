// The GIF's expected size, estimated on a thread of its own for a copy of the
// document, so that the window shows it a moment after each edit without
// waiting for it.
#pragma once

#include "document/document.h"

#include <wx/event.h>

#include <atomic>
#include <memory>
#include <thread>

// What an estimate queues to its sink when it ends unstopped.
struct SizeEstimated {
    int id = 0;            // the id it was started with
    long long bytes = -1;  // -1: no estimate (a frame could not be prepared)
};
// A wxThreadEvent whose payload is a SizeEstimated.
wxDECLARE_EVENT(EVT_SIZE_ESTIMATED, wxThreadEvent);

class SizeEstimateThread {
public:
    // Starts at once; parallelism frames are drawn and reduced at the same time.
    SizeEstimateThread(wxEvtHandler* sink, int id, Document document, int parallelism);
    // Stops it and waits for it: after this no event of it arrives.
    ~SizeEstimateThread();
    SizeEstimateThread(const SizeEstimateThread&) = delete;
    SizeEstimateThread& operator=(const SizeEstimateThread&) = delete;

    // Asks it to end soon, without queueing its result; does not wait.
    void Stop() { m_state->stop = true; }
    // Whether it has ended, so that joining it would not wait.
    bool Ended() const { return m_state->ended; }

private:
    struct State {
        std::atomic<bool> stop{false};
        std::atomic<bool> ended{false};
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::thread m_thread;
};
