#include "document/duplicates.h"

#include "base/signalstack.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <future>

std::vector<FrameToCompare> FramesToCompare(const Document& document, const std::vector<size_t>& span) {
    std::vector<FrameToCompare> frames;
    for (size_t index : span)
        if (index < document.FrameCount()) frames.push_back({document.Frame(index).picture, document.Drawing(index)});
    return frames;
}

namespace {

// The sum of absolute differences of n bytes.
unsigned long long DifferenceSum(const unsigned char* p, const unsigned char* q, size_t n) {
    unsigned long long sum = 0;
    for (size_t i = 0; i < n; ++i) sum += unsigned(std::abs(int(p[i]) - int(q[i])));
    return sum;
}

}  // namespace

double MeanDifferencePercent(const wxImage& a, const wxImage& b) {
    if (!a.IsOk() || !b.IsOk() || a.GetSize() != b.GetSize()) return 100;
    const size_t bytes = size_t(a.GetWidth()) * a.GetHeight() * 3;
    const unsigned char* p = a.GetData();
    const unsigned char* q = b.GetData();
    return bytes ? 100.0 * double(DifferenceSum(p, q, bytes)) / (255.0 * double(bytes)) : 0;
}

namespace {

wxImage Drawn(const FrameToCompare& frame) {
    if (!frame.picture || !frame.picture->IsOk()) return wxImage();
    return DrawFrame(frame.picture->Decode(), frame.drawing);
}

bool Same(const wxImage& kept, const wxImage& next, double percent) {
    if (!kept.IsOk() || !next.IsOk() || kept.GetSize() != next.GetSize()) return false;
    const size_t bytes = size_t(kept.GetWidth()) * kept.GetHeight() * 3;
    if (percent <= 0) return std::memcmp(kept.GetData(), next.GetData(), bytes) == 0;
    // Most frames that differ are over the limit long before the end.
    const double limit = percent / 100.0 * 255.0 * double(bytes);
    constexpr size_t kChunk = 1 << 16;
    unsigned long long sum = 0;
    for (size_t at = 0; at < bytes; at += kChunk) {
        sum += DifferenceSum(kept.GetData() + at, next.GetData() + at, std::min(kChunk, bytes - at));
        if (double(sum) > limit) return false;
    }
    return true;
}

}  // namespace

std::optional<std::vector<size_t>> FindDuplicates(const std::vector<FrameToCompare>& frames, double percent,
                                                  const std::function<bool(size_t done)>& progress) {
    std::vector<size_t> duplicates;
    if (frames.empty()) return duplicates;
    wxImage kept = Drawn(frames[0]);
    // The next frame is decoded and drawn while this one is compared.
    std::future<wxImage> next;
    if (frames.size() > 1) next = std::async(std::launch::async, WithSignalStack(Drawn), frames[1]);
    for (size_t i = 1; i < frames.size(); ++i) {
        wxImage drawn = next.get();
        if (i + 1 < frames.size()) next = std::async(std::launch::async, WithSignalStack(Drawn), frames[i + 1]);
        if (Same(kept, drawn, percent)) duplicates.push_back(i);
        else kept = std::move(drawn);
        if (progress && !progress(i + 1)) {
            if (next.valid()) next.wait();
            return std::nullopt;
        }
    }
    return duplicates;
}
