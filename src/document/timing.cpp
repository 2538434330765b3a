#include "document/timing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxDelay = 65535;  // what a GIF stores

}  // namespace

int DelayAtSpeed(int delay, int percent) {
    if (percent <= 0) return delay;
    const double scaled = double(PlayedDelay(delay)) * 100.0 / percent;
    return static_cast<int>(std::clamp<long long>(std::llround(scaled), 2, kMaxDelay));
}

std::vector<size_t> ReducedAway(const std::vector<size_t>& span, int step, bool keepOneOf) {
    std::vector<size_t> away;
    if (step < 2) return away;
    for (size_t i = 0; i < span.size(); ++i) {
        const bool first = i % size_t(step) == 0;
        const bool last = i % size_t(step) == size_t(step) - 1;
        if (keepOneOf ? !first : last) away.push_back(span[i]);
    }
    return away;
}

FrameDrop DropFrames(const Document& document, const std::vector<size_t>& removed) {
    FrameDrop drop;
    const size_t count = document.FrameCount();
    std::vector<char> gone(count, 0);
    for (size_t index : removed)
        if (index < count) gone[index] = 1;
    for (size_t i = 0; i < count; ++i)
        if (gone[i]) drop.removed.push_back(i);
    if (drop.removed.size() == count) return drop;  // nothing keeps the time: the caller refuses
    // Each removed frame's time goes to the kept frame before it, else after it.
    std::vector<long long> added(count, 0);
    size_t lastKept = count;
    std::vector<size_t> waiting;  // removed frames before the first kept one
    for (size_t i = 0; i < count; ++i) {
        if (!gone[i]) {
            if (lastKept == count)
                for (size_t w : waiting) added[i] += PlayedDelay(document.Frame(w).delay);
            lastKept = i;
        } else if (lastKept == count) {
            waiting.push_back(i);
        } else {
            added[lastKept] += PlayedDelay(document.Frame(i).delay);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (gone[i] || added[i] == 0) continue;
        drop.kept.push_back(i);
        const long long total = PlayedDelay(document.Frame(i).delay) + added[i];
        drop.delays.push_back(static_cast<int>(std::min<long long>(total, kMaxDelay)));
    }
    return drop;
}

std::vector<DocumentFrame> ForthAndBack(const Document& document, const std::vector<size_t>& span) {
    std::vector<DocumentFrame> back;
    if (span.size() < 3) return back;
    for (size_t i = span.size() - 1; i-- > 1;)
        if (span[i] < document.FrameCount()) back.push_back(document.Frame(span[i]));
    return back;
}
