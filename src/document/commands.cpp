#include "document/commands.h"

#include <wx/intl.h>

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {

std::atomic<unsigned long> g_nextSerial{1};

// Ascending runs of consecutive indices, as (first, length).
std::vector<std::pair<size_t, size_t>> Runs(const std::vector<size_t>& ascending) {
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t index : ascending) {
        if (!runs.empty() && runs.back().first + runs.back().second == index)
            ++runs.back().second;
        else
            runs.emplace_back(index, 1);
    }
    return runs;
}

std::vector<size_t> SortedUnique(std::vector<size_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

}  // namespace

DocumentCommand::DocumentCommand(Document& document, const char* name)
    : wxCommand(true, name), m_document(document), m_serial(g_nextSerial++) {}

bool DocumentCommand::Absorb(DocumentCommand&) { return false; }

// ---------------------------------------------------------------------------

InsertFramesCommand::InsertFramesCommand(Document& document, size_t at,
                                         std::vector<DocumentFrame> frames, const char* name)
    : DocumentCommand(document, name), m_at(at), m_frames(std::move(frames)) {}

bool InsertFramesCommand::Do() {
    if (m_frames.empty()) return false;
    m_at = std::min(m_at, m_document.FrameCount());
    m_canvasBefore = m_document.CanvasSize();
    m_referenceBefore = m_document.ReferenceSize();
    m_document.InsertFrames(m_at, m_frames);
    return true;
}

bool InsertFramesCommand::Undo() {
    m_document.RemoveFrames(m_at, m_frames.size());
    m_document.SetCanvas(m_canvasBefore, m_referenceBefore);
    return true;
}

// ---------------------------------------------------------------------------

RemoveFramesCommand::RemoveFramesCommand(Document& document, std::vector<size_t> indices,
                                         const char* name)
    : DocumentCommand(document, name), m_indices(SortedUnique(std::move(indices))) {}

bool RemoveFramesCommand::Do() {
    const size_t count = m_document.FrameCount();
    while (!m_indices.empty() && m_indices.back() >= count) m_indices.pop_back();
    if (m_indices.empty()) return false;
    m_canvasBefore = m_document.CanvasSize();
    m_referenceBefore = m_document.ReferenceSize();
    const auto runs = Runs(m_indices);
    m_removed.assign(runs.size(), Run());
    // From the end, so that the earlier indices stay valid.
    for (size_t r = runs.size(); r-- > 0;)
        m_removed[r] = Run{runs[r].first, m_document.RemoveFrames(runs[r].first, runs[r].second)};
    return true;
}

bool RemoveFramesCommand::Undo() {
    for (const Run& run : m_removed) m_document.InsertFrames(run.at, run.frames);
    m_removed.clear();
    m_document.SetCanvas(m_canvasBefore, m_referenceBefore);
    return true;
}

// ---------------------------------------------------------------------------

ReorderFramesCommand::ReorderFramesCommand(Document& document, std::vector<size_t> newOrder,
                                           const char* name)
    : DocumentCommand(document, name), m_order(std::move(newOrder)) {}

void ReorderFramesCommand::Apply(const std::vector<size_t>& order) {
    // Only the span that changes is replaced and reported.
    size_t first = 0;
    while (first < order.size() && order[first] == first) ++first;
    size_t last = order.size();
    while (last > first && order[last - 1] == last - 1) --last;
    if (first == last) return;
    std::vector<DocumentFrame> span;
    span.reserve(last - first);
    for (size_t i = first; i < last; ++i) span.push_back(m_document.Frame(order[i]));
    m_document.ReplaceFrames(first, std::move(span));
}

bool ReorderFramesCommand::Do() {
    if (m_order.size() != m_document.FrameCount() || m_order.empty()) return false;
    Apply(m_order);
    return true;
}

bool ReorderFramesCommand::Undo() {
    std::vector<size_t> inverse(m_order.size());
    for (size_t i = 0; i < m_order.size(); ++i) inverse[m_order[i]] = i;
    Apply(inverse);
    return true;
}

// ---------------------------------------------------------------------------

SetDelayCommand::SetDelayCommand(Document& document, int delay, bool typed)
    : DocumentCommand(document, wxTRANSLATE("Delay")), m_all(true), m_typed(typed), m_delay(delay) {}

SetDelayCommand::SetDelayCommand(Document& document, std::vector<size_t> indices, int delay)
    : DocumentCommand(document, wxTRANSLATE("Frame Delay")),
      m_all(false),
      m_typed(false),
      m_indices(SortedUnique(std::move(indices))),
      m_delay(delay) {}

bool SetDelayCommand::Do() {
    if (m_all) {
        m_indices.resize(m_document.FrameCount());
        std::iota(m_indices.begin(), m_indices.end(), size_t(0));
        m_defaultBefore = m_document.DefaultDelay();
        m_document.SetDefaultDelay(m_delay);
    }
    m_before.clear();
    for (size_t index : m_indices)
        m_before.push_back(index < m_document.FrameCount() ? m_document.Frame(index).delay : 0);
    m_document.SetDelays(m_indices, std::vector<int>(m_indices.size(), m_delay));
    return true;
}

bool SetDelayCommand::Undo() {
    m_document.SetDelays(m_indices, m_before);
    if (m_all) m_document.SetDefaultDelay(m_defaultBefore);
    return true;
}

bool SetDelayCommand::Absorb(DocumentCommand& next) {
    auto* other = dynamic_cast<SetDelayCommand*>(&next);
    if (!other || !m_typed || !other->m_typed) return false;
    if (!other->Do()) return false;
    m_delay = other->m_delay;
    return true;
}

// ---------------------------------------------------------------------------

SetDelaysCommand::SetDelaysCommand(Document& document, std::vector<size_t> indices, std::vector<int> delays,
                                   const char* name)
    : DocumentCommand(document, name), m_indices(std::move(indices)), m_delays(std::move(delays)) {}

bool SetDelaysCommand::Do() {
    m_before.clear();
    bool changes = false;
    for (size_t i = 0; i < m_indices.size() && i < m_delays.size(); ++i) {
        m_before.push_back(m_indices[i] < m_document.FrameCount() ? m_document.Frame(m_indices[i]).delay : 0);
        changes = changes || m_before.back() != m_delays[i];
    }
    if (!changes) return false;
    m_document.SetDelays(m_indices, m_delays);
    return true;
}

bool SetDelaysCommand::Undo() {
    m_document.SetDelays(m_indices, m_before);
    return true;
}

// ---------------------------------------------------------------------------

DropFramesCommand::DropFramesCommand(Document& document, const FrameDrop& drop, const char* name)
    : DocumentCommand(document, name), m_delays(document, drop.kept, drop.delays, name),
      m_remove(document, drop.removed, name) {}

bool DropFramesCommand::Do() {
    // The delays first: the indices of the kept frames change once the others go.
    m_delays.Do();
    if (m_remove.Do()) return true;
    m_delays.Undo();
    return false;
}

bool DropFramesCommand::Undo() {
    m_remove.Undo();
    m_delays.Undo();
    return true;
}

// ---------------------------------------------------------------------------

SetCanvasCommand::SetCanvasCommand(Document& document, const wxSize& canvas, bool typed)
    : DocumentCommand(document, wxTRANSLATE("Canvas Size")), m_canvas(canvas), m_typed(typed) {}

bool SetCanvasCommand::Do() {
    m_before = m_document.CanvasSize();
    m_document.SetCanvas(m_canvas, m_document.ReferenceSize());
    return true;
}

bool SetCanvasCommand::Undo() {
    m_document.SetCanvas(m_before, m_document.ReferenceSize());
    return true;
}

bool SetCanvasCommand::Absorb(DocumentCommand& next) {
    auto* other = dynamic_cast<SetCanvasCommand*>(&next);
    if (!other || !m_typed || !other->m_typed) return false;
    if (!other->Do()) return false;
    m_canvas = other->m_canvas;
    return true;
}

// ---------------------------------------------------------------------------

SetCropCommand::SetCropCommand(Document& document, const wxRect& crop, const char* name)
    : DocumentCommand(document, name), m_crop(crop) {}

bool SetCropCommand::Do() {
    m_before = m_document.Crop();
    m_canvasBefore = m_document.CanvasSize();
    if (m_crop == m_before) return false;
    m_document.SetCrop(m_crop);
    m_document.SetCanvas(m_document.DrawnSize(), m_document.ReferenceSize());
    return true;
}

bool SetCropCommand::Undo() {
    m_document.SetCrop(m_before);
    m_document.SetCanvas(m_canvasBefore, m_document.ReferenceSize());
    return true;
}

// ---------------------------------------------------------------------------

namespace {

const char* TurnName(TurnFramesCommand::Turn turn) {
    switch (turn) {
        case TurnFramesCommand::Turn::Right: return wxTRANSLATE("Rotate Right");
        case TurnFramesCommand::Turn::Left: return wxTRANSLATE("Rotate Left");
        case TurnFramesCommand::Turn::FlipHorizontally: return wxTRANSLATE("Flip Horizontal");
        default: return wxTRANSLATE("Flip Vertical");
    }
}

FrameTurn Turned(const FrameTurn& turn, TurnFramesCommand::Turn how) {
    switch (how) {
        case TurnFramesCommand::Turn::Right: return turn.RotatedRight();
        case TurnFramesCommand::Turn::Left: return turn.RotatedLeft();
        case TurnFramesCommand::Turn::FlipHorizontally: return turn.FlippedHorizontally();
        default: return turn.FlippedVertically();
    }
}

}  // namespace

TurnFramesCommand::TurnFramesCommand(Document& document, std::vector<size_t> indices, Turn turn)
    : DocumentCommand(document, TurnName(turn)), m_indices(SortedUnique(std::move(indices))), m_turn(turn) {}

bool TurnFramesCommand::Do() {
    const size_t count = m_document.FrameCount();
    while (!m_indices.empty() && m_indices.back() >= count) m_indices.pop_back();
    if (m_indices.empty()) return false;
    m_canvasBefore = m_document.CanvasSize();
    const wxSize drawnBefore = m_document.DrawnSize();
    m_before.clear();
    std::vector<FrameTurn> after;
    for (size_t index : m_indices) {
        m_before.push_back(m_document.Frame(index).turn);
        after.push_back(Turned(m_before.back(), m_turn));
    }
    m_document.SetTurns(m_indices, after);
    // The whole animation turned sideways: so is its canvas, edited or not.
    if (m_document.DrawnSize() != drawnBefore)
        m_document.SetCanvas(wxSize(m_canvasBefore.y, m_canvasBefore.x), m_document.ReferenceSize());
    return true;
}

bool TurnFramesCommand::Undo() {
    m_document.SetTurns(m_indices, m_before);
    m_document.SetCanvas(m_canvasBefore, m_document.ReferenceSize());
    return true;
}

// ---------------------------------------------------------------------------

SetCaptionsCommand::SetCaptionsCommand(Document& document, std::vector<size_t> indices,
                                       std::vector<CaptionList> captions, const char* name)
    : DocumentCommand(document, name), m_indices(std::move(indices)), m_after(std::move(captions)) {}

bool SetCaptionsCommand::Do() {
    m_before.clear();
    for (size_t index : m_indices) {
        if (index >= m_document.FrameCount()) return false;
        m_before.push_back(m_document.Frame(index).captions);
    }
    if (m_before == m_after) return false;
    m_document.SetCaptions(m_indices, m_after);
    return true;
}

bool SetCaptionsCommand::Undo() {
    m_document.SetCaptions(m_indices, m_before);
    return true;
}

std::vector<CaptionList> WithCaptionAdded(const Document& document, const std::vector<size_t>& indices,
                                          const std::shared_ptr<const Caption>& caption) {
    std::vector<CaptionList> lists;
    for (size_t i = 0; i < (indices.empty() ? document.FrameCount() : indices.size()); ++i) {
        lists.push_back(document.Frame(indices.empty() ? i : indices[i]).captions);
        lists.back().push_back(caption);
    }
    return lists;
}

std::vector<CaptionList> WithCaptionChanged(const Document& document, const std::shared_ptr<const Caption>& old,
                                            const std::shared_ptr<const Caption>& changed,
                                            const std::vector<size_t>& shownOn) {
    std::vector<CaptionList> lists;
    for (size_t i = 0; i < document.FrameCount(); ++i) {
        CaptionList list = document.Frame(i).captions;
        const auto found = std::find(list.begin(), list.end(), old);
        const bool wanted = changed && std::find(shownOn.begin(), shownOn.end(), i) != shownOn.end();
        if (found != list.end()) {
            if (wanted) *found = changed;
            else list.erase(found);
        } else if (wanted) {
            list.push_back(changed);
        }
        lists.push_back(std::move(list));
    }
    return lists;
}

// ---------------------------------------------------------------------------

SetLoopCountCommand::SetLoopCountCommand(Document& document, int count)
    : DocumentCommand(document, wxTRANSLATE("Loop Count")), m_count(count) {}

bool SetLoopCountCommand::Do() {
    m_before = m_document.LoopCount();
    m_document.SetLoopCount(m_count);
    return true;
}

bool SetLoopCountCommand::Undo() {
    m_document.SetLoopCount(m_before);
    return true;
}

// ---------------------------------------------------------------------------

SetGifSettingsCommand::SetGifSettingsCommand(Document& document, const GifSettings& settings)
    : DocumentCommand(document, wxTRANSLATE("GIF Settings")), m_settings(settings) {}

bool SetGifSettingsCommand::Do() {
    m_before = m_document.Settings();
    if (m_before == m_settings) return false;
    m_document.SetSettings(m_settings);
    return true;
}

bool SetGifSettingsCommand::Undo() {
    m_document.SetSettings(m_before);
    return true;
}

// ---------------------------------------------------------------------------

std::vector<size_t> MovedOrder(size_t count, const std::vector<size_t>& indices, int step) {
    if (indices.empty() || indices.back() >= count) return {};
    if (step < 0 && indices.front() == 0) return {};
    if (step > 0 && indices.back() + 1 >= count) return {};
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t(0));
    // Each selected frame trades places with its neighbour, the one nearest
    // the edge first, so that a block moves as a whole.
    if (step > 0) {
        for (size_t i = indices.size(); i-- > 0;) std::swap(order[indices[i]], order[indices[i] + 1]);
    } else {
        for (size_t index : indices) std::swap(order[index], order[index - 1]);
    }
    return order;
}

std::vector<size_t> DroppedOrder(size_t count, const std::vector<size_t>& indices, size_t position) {
    std::vector<bool> moving(count, false);
    for (size_t index : indices)
        if (index < count) moving[index] = true;
    std::vector<size_t> order;
    order.reserve(count);
    auto putMoving = [&] {
        for (size_t index : indices)
            if (index < count) order.push_back(index);
    };
    for (size_t i = 0; i < count; ++i) {
        if (i == position) putMoving();
        if (!moving[i]) order.push_back(i);
    }
    if (position >= count) putMoving();
    return order;
}

std::vector<size_t> ReversedOrder(size_t count, const std::vector<size_t>& indices) {
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t(0));
    if (indices.empty()) {
        std::reverse(order.begin(), order.end());
        return order;
    }
    for (size_t i = 0, j = indices.size(); i < j--; ++i) std::swap(order[indices[i]], order[indices[j]]);
    return order;
}
