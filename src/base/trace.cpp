#include "base/trace.h"

#include <atomic>
#include <iostream>
#include <mutex>

namespace {
std::atomic<bool> g_enabled{false};
std::mutex g_output;
}  // namespace

void EnableTrace(bool on) { g_enabled = on; }

void Trace(const wxString& line) {
    if (!g_enabled) return;
    const std::lock_guard<std::mutex> lock(g_output);
    std::cout << line.utf8_str() << std::endl;
}
