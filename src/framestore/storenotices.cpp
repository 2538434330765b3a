#include "framestore/storenotices.h"

#include <mutex>
#include <set>
#include <vector>

namespace {

struct Notices {
    std::mutex mutex;
    std::function<void(const StoreNotice&)> handler;
    std::vector<StoreNotice> waiting;
    std::set<StoreProblem> told;
};

Notices& TheNotices() {
    static Notices notices;
    return notices;
}

}  // namespace

void SetStoreNoticeHandler(std::function<void(const StoreNotice&)> handler) {
    Notices& notices = TheNotices();
    std::lock_guard<std::mutex> lock(notices.mutex);
    notices.handler = std::move(handler);
    if (!notices.handler) return;
    for (const StoreNotice& notice : notices.waiting) notices.handler(notice);
    notices.waiting.clear();
}

void NoticeStoreProblem(StoreProblem problem, const std::string& detail) {
    Notices& notices = TheNotices();
    // Held while the handler runs, so that a handler being replaced is never
    // called after SetStoreNoticeHandler returns.
    std::lock_guard<std::mutex> lock(notices.mutex);
    if (!notices.told.insert(problem).second) return;
    const StoreNotice notice{problem, detail};
    if (notices.handler)
        notices.handler(notice);
    else
        notices.waiting.push_back(notice);
}
