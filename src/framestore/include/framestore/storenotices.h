// What the frame store has to say once, while it goes on as best it can: its
// cache folder cannot be used, or the memory setting is not a size. The
// window shows it in the status bar, the exporter on standard error.
#pragma once

#include <functional>
#include <string>

enum class StoreProblem {
    CacheUnusable,        // detail: the folder and why; frames stay in memory
    MemorySettingIgnored  // detail: the value given; the default budget is used
};

struct StoreNotice {
    StoreProblem problem;
    std::string detail;
};

// Called on whichever thread the store is working on. Notices given before a
// handler is set wait for it; an empty handler stops delivery.
void SetStoreNoticeHandler(std::function<void(const StoreNotice&)> handler);
// Passes the notice on, once per problem for the program's run.
void NoticeStoreProblem(StoreProblem problem, const std::string& detail);
