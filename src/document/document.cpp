#include "document/document.h"

#include "document/canvasgeometry.h"

#include <algorithm>
#include <iterator>

wxSize DocumentFrame::Size() const {
    return picture && picture->IsOk() ? picture->GetSize() : wxSize(0, 0);
}

std::vector<long long> Document::StartTimes() const {
    std::vector<long long> starts;
    starts.reserve(m_frames.size());
    long long start = 0;
    for (const DocumentFrame& frame : m_frames) {
        starts.push_back(start);
        start += PlayedDelay(frame.delay);
    }
    return starts;
}

void Document::InsertFrames(size_t at, std::vector<DocumentFrame> frames) {
    at = std::min(at, m_frames.size());
    const size_t count = frames.size();
    m_frames.insert(m_frames.begin() + static_cast<std::ptrdiff_t>(at),
                    std::make_move_iterator(frames.begin()), std::make_move_iterator(frames.end()));
    FollowFrames();
    if (m_observer && count > 0) m_observer->FramesInserted(at, count);
}

std::vector<DocumentFrame> Document::RemoveFrames(size_t at, size_t count) {
    at = std::min(at, m_frames.size());
    count = std::min(count, m_frames.size() - at);
    const auto first = m_frames.begin() + static_cast<std::ptrdiff_t>(at);
    const auto last = first + static_cast<std::ptrdiff_t>(count);
    std::vector<DocumentFrame> removed(std::make_move_iterator(first), std::make_move_iterator(last));
    m_frames.erase(first, last);
    FollowFrames();
    if (m_observer && count > 0) m_observer->FramesRemoved(at, count);
    return removed;
}

std::vector<DocumentFrame> Document::ReplaceFrames(size_t first, std::vector<DocumentFrame> frames) {
    if (first >= m_frames.size() || frames.empty()) return {};
    const size_t count = std::min(frames.size(), m_frames.size() - first);
    std::vector<DocumentFrame> previous;
    previous.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        previous.push_back(std::move(m_frames[first + i]));
        m_frames[first + i] = std::move(frames[i]);
    }
    if (m_observer) m_observer->FramesRearranged(first, first + count - 1);
    return previous;
}

void Document::SetDelay(size_t index, int delay) {
    if (index >= m_frames.size() || m_frames[index].delay == delay) return;
    m_frames[index].delay = delay;
    if (m_observer) m_observer->DelaysChanged();
}

void Document::SetDelays(const std::vector<size_t>& indices, const std::vector<int>& delays) {
    bool changed = false;
    for (size_t i = 0; i < indices.size() && i < delays.size(); ++i) {
        if (indices[i] >= m_frames.size() || m_frames[indices[i]].delay == delays[i]) continue;
        m_frames[indices[i]].delay = delays[i];
        changed = true;
    }
    if (changed && m_observer) m_observer->DelaysChanged();
}

void Document::SetDefaultDelay(int delay) {
    if (m_defaultDelay == delay) return;
    m_defaultDelay = delay;
    if (m_observer) m_observer->SettingsChanged();
}

void Document::SetCanvas(const wxSize& canvas, const wxSize& reference) {
    m_canvas = canvas;
    m_reference = reference;
    if (m_observer) m_observer->CanvasChanged();
}

wxSize Document::DrawnSize() const {
    FrameDrawing drawing;
    drawing.plane = m_reference;
    drawing.crop = m_crop;
    const wxSize region = drawing.Region().GetSize();
    const bool sideways = !m_frames.empty() && std::all_of(m_frames.begin(), m_frames.end(), [](const DocumentFrame& f) {
        return f.turn.Sideways();
    });
    return sideways ? wxSize(region.y, region.x) : region;
}

void Document::SetCrop(const wxRect& crop) {
    if (m_crop == crop) return;
    m_crop = crop;
    if (m_observer && !m_frames.empty()) m_observer->FramesRedrawn(0, m_frames.size() - 1);
}

template <typename Value>
void Document::SetEach(const std::vector<size_t>& indices, const std::vector<Value>& values,
                       Value DocumentFrame::*member) {
    size_t first = m_frames.size(), last = 0;
    for (size_t i = 0; i < indices.size() && i < values.size(); ++i) {
        if (indices[i] >= m_frames.size() || m_frames[indices[i]].*member == values[i]) continue;
        m_frames[indices[i]].*member = values[i];
        first = std::min(first, indices[i]);
        last = std::max(last, indices[i]);
    }
    if (first <= last && m_observer) m_observer->FramesRedrawn(first, last);
}

void Document::SetTurns(const std::vector<size_t>& indices, const std::vector<FrameTurn>& turns) {
    SetEach(indices, turns, &DocumentFrame::turn);
}

void Document::SetCaptions(const std::vector<size_t>& indices, const std::vector<CaptionList>& captions) {
    SetEach(indices, captions, &DocumentFrame::captions);
}

CaptionList Document::AllCaptions() const {
    CaptionList all;
    for (const DocumentFrame& frame : m_frames)
        for (const auto& caption : frame.captions)
            if (std::find(all.begin(), all.end(), caption) == all.end()) all.push_back(caption);
    return all;
}

FrameDrawing Document::Drawing(size_t index) const {
    FrameDrawing drawing;
    drawing.plane = m_reference;
    drawing.crop = m_crop;
    drawing.canvas = m_canvas;
    if (index < m_frames.size()) {
        drawing.turn = m_frames[index].turn;
        drawing.captions = m_frames[index].captions;
        drawing.captionCanvas = m_canvas;
    }
    return drawing;
}

void Document::SetLoopCount(int count) {
    if (m_loopCount == count) return;
    m_loopCount = count;
    if (m_observer) m_observer->SettingsChanged();
}

void Document::SetSettings(const GifSettings& settings) {
    if (m_settings == settings) return;
    m_settings = settings;
    if (m_observer) m_observer->SettingsChanged();
}

void Document::SetGif(const wxString& path, const wxString& name) {
    m_gifPath = path;
    m_gifName = name;
}

void Document::Clear() { RemoveFrames(0, m_frames.size()); }

void Document::StartAnew() {
    Clear();
    SetCrop(wxRect());
    SetLoopCount(0);
    SetSettings(GifSettings());
    SetGif(wxString(), wxString());
    SetProjectPath(wxString());
}

void Document::FollowFrames() {
    std::vector<wxSize> sizes;
    sizes.reserve(m_frames.size());
    for (const DocumentFrame& frame : m_frames) sizes.push_back(frame.Size());
    m_reference = m_frames.empty() ? wxSize(0, 0) : ReferenceSizeOf(sizes);
    m_canvas = m_frames.empty() ? m_reference : DrawnSize();
}

std::vector<SizeLever> DefaultSizeLevers() {
    return {SizeLever::Lossy, SizeLever::Colours, SizeLever::Scale, SizeLever::FrameRate};
}
