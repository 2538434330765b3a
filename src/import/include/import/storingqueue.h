// Decoded pictures go into the frame store on worker threads while the caller
// decodes the next ones. Each is handed back, stored, on the caller's thread
// and in the order it was added; a few are in flight at once, so no more
// decoded pictures are held than that.
#pragma once

#include "framestore/framestore.h"

#include <wx/image.h>

#include <deque>
#include <functional>
#include <future>
#include <memory>

class StoringQueue {
public:
    // Receives a picture once stored (null when the store could not take it:
    // out of memory).
    using Done = std::function<void(FramePicture)>;

    explicit StoringQueue(size_t inFlight = 2) : m_inFlight(inFlight < 1 ? 1 : inFlight) {}
    // Hands back whatever is still in flight.
    ~StoringQueue() { Finish(); }
    StoringQueue(const StoringQueue&) = delete;
    StoringQueue& operator=(const StoringQueue&) = delete;

    // Starts storing picture; may first hand back the oldest ones.
    void Add(std::unique_ptr<wxImage> picture, Done done);
    // Hands back every picture added, oldest first.
    void Finish();

private:
    struct Entry {
        std::future<FramePicture> stored;
        Done done;
    };
    void HandBackOldest();

    size_t m_inFlight;
    std::deque<Entry> m_entries;
};
