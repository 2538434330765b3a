#include "import/storingqueue.h"

#include "base/signalstack.h"

#include <new>
#include <system_error>

void StoringQueue::Add(std::unique_ptr<wxImage> picture, Done done) {
    while (m_entries.size() >= m_inFlight) HandBackOldest();
    // Shared, so that the task can be copied: when no thread can be started,
    // it runs later on this thread instead, with the picture still there.
    std::shared_ptr<wxImage> held(std::move(picture));
    auto store = [held]() mutable {
        FramePicture stored = StorePicture(*held);
        held.reset();  // the decoded pixels go as soon as they are compressed
        return stored;
    };
    std::future<FramePicture> stored;
    try {
        stored = std::async(std::launch::async | std::launch::deferred, WithSignalStack(store));
    } catch (const std::system_error&) {
        std::promise<FramePicture> here;  // no thread of any kind: stored on this one
        here.set_value(store());
        stored = here.get_future();
    }
    held.reset();
    m_entries.push_back(Entry{std::move(stored), std::move(done)});
}

void StoringQueue::Finish() {
    while (!m_entries.empty()) HandBackOldest();
}

void StoringQueue::HandBackOldest() {
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    FramePicture stored;
    try {
        stored = entry.stored.get();
    } catch (const std::bad_alloc&) {
        // Handed back as not stored, so that the caller can name it.
    }
    entry.done(std::move(stored));
}
