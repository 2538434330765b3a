#include "gif/plan.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// The smallest rectangle holding every pixel whose flag equals `value`; empty
// (width 0) when there is none.
GifRect Bounds(const unsigned char* flags, int width, int height, unsigned char value) {
    int left = INT_MAX, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = flags + size_t(y) * width;
        const void* any = std::memchr(row, value, size_t(width));
        if (!any) continue;
        if (top < 0) top = y;
        bottom = y;
        const int first = int(static_cast<const unsigned char*>(any) - row);
        int last = width - 1;
        while (row[last] != value) --last;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0) return GifRect{};
    return GifRect{left, top, right - left + 1, bottom - top + 1};
}

// The flags inside rect, set where they equal `value`.
std::vector<unsigned char> Cut(const unsigned char* flags, int width, const GifRect& rect,
                               unsigned char value, int& count) {
    std::vector<unsigned char> cut(size_t(rect.width) * rect.height);
    count = 0;
    for (int y = 0; y < rect.height; ++y) {
        const unsigned char* row = flags + size_t(rect.y + y) * width + rect.x;
        unsigned char* out = cut.data() + size_t(y) * rect.width;
        for (int x = 0; x < rect.width; ++x) {
            out[x] = row[x] == value;
            count += out[x];
        }
    }
    return cut;
}

// The frame's picture in a holder of its own, leaving none behind.
std::unique_ptr<wxImage> TakeCanvas(RenderedFrame& frame) {
    auto canvas = std::make_unique<wxImage>(frame.canvas);
    frame.canvas = wxImage();
    return canvas;
}

// An image must hold a pixel: a frame that changes nothing is one
// transparent pixel, which still shows for its delay.
GifFramePlan Nothing(GifFramePlan plan) {
    plan.rect = GifRect{0, 0, 1, 1};
    plan.clear.assign(1, 1);
    plan.clearCount = 1;
    plan.plainAllowed = false;
    return plan;
}

// Flags (1) the pixels of a row that differ from what is shown, or that are
// shown only approximately.
void ChangedExactly(const unsigned char* src, const unsigned char* shown, const unsigned char* shownExact,
                    int width, unsigned char* changed) {
    for (int x = 0; x < width; ++x, src += 3, shown += 3)
        changed[x] = !shownExact[x] | (src[0] != shown[0]) | (src[1] != shown[1]) | (src[2] != shown[2]);
}

// The runs of set flags in a rect's flags, row by row as the coder meets them.
size_t ClearRuns(const std::vector<unsigned char>& clear) {
    size_t runs = 0;
    for (size_t i = 0; i < clear.size(); ++i) runs += clear[i] && (i == 0 || !clear[i - 1]);
    return runs;
}

// The mean length of the transparent runs below which transparency costs a
// quantised frame more than it saves: between them the coder must break its
// strings (on the 1920 x 1080 corpus at lossy 100, frames 90 % transparent in
// runs of 11 pixels took 22 % more bytes than written whole).
constexpr int kMinClearRun = 16;

// Tenths of the frame the wide tolerance must leave as shown to be used.
constexpr size_t kWideShare = 8;

// The shortest run of pixels within the tolerance that a quantised frame
// leaves as shown: shorter ones are written with the pixels around them, so
// that a frame of slowly drifting colours (a video) keeps its long still
// stretches rather than being written whole for its many short ones
// (video-like corpus at lossy 0: 11 % smaller, +0.2 dB; 16 gave 0.07 dB less).
constexpr int kMinKeptRun = 24;

// How many more runs of pixels left as shown the wide tolerance makes than
// the tolerance, row by row: a pixel it leaves between changed ones starts a
// run of its own, one beside a pixel left anyway only lengthens a run, and
// one between two such pixels joins their runs (fewer runs, a negative count).
std::ptrdiff_t RunsTheWideToleranceAdds(const std::vector<unsigned char>& changed, int width, int height) {
    std::ptrdiff_t added = 0;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = changed.data() + size_t(y) * width;
        if (!std::memchr(row, 2, size_t(width))) continue;  // the same runs either way
        bool leftBefore = false, leftWideBefore = false;
        for (int x = 0; x < width; ++x) {
            const bool left = row[x] == 0, leftWide = row[x] != 1;
            added += std::ptrdiff_t(leftWide && !leftWideBefore) - std::ptrdiff_t(left && !leftBefore);
            leftBefore = left, leftWideBefore = leftWide;
        }
    }
    return added;
}

// Clears the rect's runs of flags shorter than kMinKeptRun, row by row, and
// marks their pixels as changed in the frame's flags; the count cleared.
int WriteShortRuns(std::vector<unsigned char>& clear, const GifRect& rect, unsigned char* changed, int width) {
    int cleared = 0;
    for (int y = 0; y < rect.height; ++y) {
        unsigned char* row = clear.data() + size_t(y) * rect.width;
        unsigned char* inFrame = changed + size_t(rect.y + y) * width + rect.x;
        for (int x = 0; x < rect.width;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < rect.width && row[end]) ++end;
            if (end - x < kMinKeptRun) {
                std::memset(row + x, 0, size_t(end - x));
                std::memset(inFrame + x, 1, size_t(end - x));
                cleared += end - x;
            }
            x = end;
        }
    }
    return cleared;
}

}  // namespace

GifScreenModel::GifScreenModel(int width, int height, bool optimise, bool transparent, int tolerance,
                               int wideTolerance)
    : m_width(width), m_height(height), m_optimise(optimise), m_transparent(transparent),
      m_tolerance(tolerance), m_wideTolerance(std::max(tolerance, wideTolerance)) {}

GifFramePlan GifScreenModel::Plan(RenderedFrame&& frame, bool exact) {
    GifFramePlan plan;
    if (m_transparent) plan = Alone(frame, exact);
    else if (m_first || !m_optimise) plan = Whole(frame, exact);
    else plan = Changes(frame, exact);
    m_first = false;
    return plan;
}

GifFramePlan GifScreenModel::Whole(RenderedFrame& frame, bool exact) {
    GifFramePlan plan;
    plan.rect = GifRect{0, 0, m_width, m_height};
    plan.exact = exact;
    plan.plainAllowed = true;
    if (m_optimise) {
        const size_t pixels = size_t(m_width) * m_height;
        m_shown.assign(frame.canvas.GetData(), frame.canvas.GetData() + 3 * pixels);
        m_exact.assign(pixels, exact ? 1 : 0);
    }
    plan.canvas = TakeCanvas(frame);
    return plan;
}

// Each frame's holes must show the page beneath, not an earlier frame: every
// frame is cleared after its delay and stores only the part it covers.
GifFramePlan GifScreenModel::Alone(RenderedFrame& frame, bool exact) {
    GifFramePlan plan;
    plan.exact = exact;
    plan.disposal = GifDisposal::RestoreBackground;
    plan.rect = m_optimise ? Bounds(frame.holes.data(), m_width, m_height, 0)
                           : GifRect{0, 0, m_width, m_height};
    plan.canvas = TakeCanvas(frame);
    if (plan.rect.width == 0) return Nothing(std::move(plan));
    plan.clear = Cut(frame.holes.data(), m_width, plan.rect, 1, plan.clearCount);
    plan.plainAllowed = plan.clearCount == 0;
    return plan;
}

GifFramePlan GifScreenModel::Changes(RenderedFrame& frame, bool exact) {
    const size_t pixels = size_t(m_width) * m_height;
    m_changed.resize(pixels);
    const size_t rowBytes = 3 * size_t(m_width);
    size_t stayWide = 0;  // pixels the wide tolerance would leave
    size_t between = 0;   // pixels changed beyond the tolerance but within the wide one
    for (int y = 0; y < m_height; ++y) {
        const size_t first = size_t(y) * m_width;
        const unsigned char* src = frame.canvas.GetData() + 3 * first;
        const unsigned char* shown = m_shown.data() + 3 * first;
        unsigned char* changed = m_changed.data() + first;
        // Most rows of a recording do not change at all: one comparison settles them.
        const bool same = std::memcmp(src, shown, rowBytes) == 0;
        if (same && (!exact || !std::memchr(m_exact.data() + first, 0, size_t(m_width)))) {
            std::memset(changed, 0, size_t(m_width));
            stayWide += size_t(m_width);
            continue;
        }
        if (exact) {
            ChangedExactly(src, shown, m_exact.data() + first, m_width, changed);
            continue;
        }
        for (int x = 0; x < m_width; ++x, src += 3, shown += 3) {
            const int d = std::max({std::abs(src[0] - shown[0]), std::abs(src[1] - shown[1]),
                                    std::abs(src[2] - shown[2])});
            // 1: changed; 2: changed beyond the tolerance but within the wide one.
            changed[x] = d > m_wideTolerance ? 1 : d > m_tolerance ? 2 : 0;
            stayWide += d <= m_wideTolerance;
            between += changed[x] == 2;
        }
    }
    // The wide tolerance pays only when it leaves nearly the whole frame, in
    // runs as long as transparency needs: a half-transparent frame of noise,
    // or a playing video's noise on a still desktop, costs more than its
    // pixels written, and the video would freeze (screen-like corpus at lossy
    // 60: 1.7 dB below lossy 0, was 3.6; at 100: 23 % smaller, 2.1 dB better).
    bool wide = false;
    if (between > 0) {
        wide = stayWide * 10 >= pixels * kWideShare &&
               std::ptrdiff_t(between) >= kMinClearRun * RunsTheWideToleranceAdds(m_changed, m_width, m_height);
        for (size_t i = 0; i < pixels; ++i)
            if (m_changed[i] == 2) m_changed[i] = wide ? 0 : 1;
    }
    GifFramePlan plan;
    plan.exact = exact;
    plan.rect = Bounds(m_changed.data(), m_width, m_height, 1);
    if (plan.rect.width == 0) {
        plan.canvas = TakeCanvas(frame);
        return Nothing(std::move(plan));
    }
    plan.clear = Cut(m_changed.data(), m_width, plan.rect, 0, plan.clearCount);
    // Pixels left as they are show their colour exactly only in exact frames.
    plan.plainAllowed = exact;
    // Short runs left as shown are written after all; not where the wide
    // tolerance leaves pixels, which drift too far to be kept in a frame that
    // would otherwise be written whole (video-like corpus at lossy 50: 1.7 dB lower).
    if (!exact && !wide) plan.clearCount -= WriteShortRuns(plan.clear, plan.rect, m_changed.data(), m_width);
    // A few transparent pixels scattered through a quantised frame cost more
    // (broken runs, a table entry) than they save: write every pixel then.
    const bool sparse = !exact && (plan.clearCount * 3 < plan.rect.width * plan.rect.height ||
                                   size_t(plan.clearCount) < size_t(kMinClearRun) * ClearRuns(plan.clear));
    if (sparse) {
        plan.clear.clear();
        plan.clearCount = 0;
    }
    Remember(frame.canvas, plan.rect, sparse ? nullptr : m_changed.data(), exact);
    plan.canvas = TakeCanvas(frame);
    return plan;
}

void GifScreenModel::Remember(const wxImage& canvas, const GifRect& rect,
                              const unsigned char* changed, bool exact) {
    const unsigned char* data = canvas.GetData();
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        const size_t first = size_t(y) * m_width + rect.x;
        if (!changed) {
            std::memcpy(&m_shown[3 * first], data + 3 * first, 3 * size_t(rect.width));
            std::memset(&m_exact[first], exact, size_t(rect.width));
            continue;
        }
        for (size_t i = first; i < first + size_t(rect.width); ++i) {
            if (!changed[i]) continue;
            std::memcpy(&m_shown[3 * i], data + 3 * i, 3);
            m_exact[i] = exact;
        }
    }
}
