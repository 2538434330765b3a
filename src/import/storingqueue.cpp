#include "import/storingqueue.h"

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
    Entry entry{std::async(std::launch::async | std::launch::deferred, store), std::move(done)};
    held.reset();
    m_entries.push_back(std::move(entry));
}

void StoringQueue::Finish() {
    while (!m_entries.empty()) HandBackOldest();
}

void StoringQueue::HandBackOldest() {
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    entry.done(entry.stored.get());
}
