#include "document/sizesearch.h"

#include "document/exportjob.h"
#include "document/timing.h"
#include "framestore/storedahead.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>

namespace {

// The export of frames `picked` of the document alone, in that order.
GifExportJob PickedJob(const GifExportJob& whole, const std::vector<int>& picked) {
    GifExportJob job = whole;
    job.frameCount = int(picked.size());
    job.delays.clear();
    job.turns.clear();
    job.captions.clear();
    for (int index : picked) {
        job.delays.push_back(GifFrameDelay(whole, index));
        job.turns.push_back(size_t(index) < whole.turns.size() ? whole.turns[size_t(index)] : FrameTurn());
        job.captions.push_back(size_t(index) < whole.captions.size() ? whole.captions[size_t(index)] : CaptionList());
    }
    return job;
}

// Frame 0, then runs of `run` neighbours at even steps, as many frames as
// `pairs` pairs (rounded up to whole runs); every frame when that would be
// nearly all of them.
std::vector<int> SampleFrames(int frameCount, int pairs, int run) {
    std::vector<int> picked;
    const int runs = std::max(1, (2 * pairs + run - 1) / run);
    if (frameCount <= 1 + run * runs) {
        for (int i = 0; i < frameCount; ++i) picked.push_back(i);
        return picked;
    }
    picked.push_back(0);
    for (int j = 0; j < runs; ++j) {
        const int first = 1 + int((long long)(frameCount - run) * j / runs);
        for (int k = 0; k < run; ++k) picked.push_back(first + k);
    }
    return picked;
}

GifExportStatus Encode(const Document& document, const GifExportJob& job, const std::vector<int>& picked,
                       const SizeStop& stop, const ExportFrameWritten& written, wxOutputStream& out) {
    std::vector<FramePicture> pictures;
    for (int index : picked) pictures.push_back(document.Frame(size_t(index)).picture);
    StoredPicturesAhead stored(std::move(pictures), 2 * job.parallelism);
    return WriteGifToStream(
        job,
        [&](int index) -> std::unique_ptr<wxImage> {
            if (stop && stop()) return nullptr;
            std::unique_ptr<wxImage> picture = stored.Take(index);
            return picture && picture->IsOk() ? std::move(picture) : nullptr;
        },
        [&](int index) { return written(index) && !(stop && stop()); }, out);
}

std::vector<int> AllFrames(size_t count) {
    std::vector<int> all(count);
    for (size_t i = 0; i < count; ++i) all[i] = int(i);
    return all;
}

// The estimate from runs of `run` neighbouring frames.
long long EstimateFromRuns(const Document& document, int parallelism, int pairs, int run, const SizeStop& stop) {
    const int count = int(document.FrameCount());
    if (count == 0) return -1;
    GifExportJob whole = ExportJobFor(document, parallelism, wxString());
    whole.format = AnimationFormat::Gif;
    const std::vector<int> picked = SampleFrames(count, std::max(1, pairs), run);
    const GifExportJob job = PickedJob(whole, picked);
    wxCountingOutputStream out;
    std::vector<long long> ends;  // where each frame but the last ends
    const GifExportStatus status =
        Encode(document, job, picked, stop, [&](int) { return ends.push_back(out.GetLength()), true; }, out);
    if (status != GifExportStatus::Written) return -1;
    const long long total = out.GetLength();
    if (int(picked.size()) == count) return total;
    ends.push_back(total - 1);  // the trailer is not the last frame's
    // A run's first frame follows another part of the animation; the others
    // are stored as the change from their true neighbours.
    long long sampled = 0;
    size_t measured = 0;
    for (size_t k = 1; k < picked.size(); ++k)
        if ((k - 1) % size_t(run) != 0) sampled += ends[k] - ends[k - 1], ++measured;
    const double perFrame = double(sampled) / double(measured);
    return ends[0] + std::llround(perFrame * (count - 1)) + 1;
}

// Steps of each lever from the mildest; the document's own value comes before them.
const int kLossySteps[] = {20, 40, 60, 80, 100};
const int kColourSteps[] = {192, 128, 96, 64, 48, 32, 16};
const int kScaleSteps[] = {90, 80, 70, 60, 50, 40, 30, 25, 20, 15, 10};
const int kKeepSteps[] = {2, 3, 4};

// The choices along the levers in order, each lever pulled to its end
// before the next: sizes fall along the list.
std::vector<SizeChoice> Ladder(const Document& document) {
    std::vector<SizeChoice> ladder{OwnSizeChoice(document)};
    for (SizeLever lever : document.Settings().levers) {
        SizeChoice choice = ladder.back();
        switch (lever) {
            case SizeLever::Lossy:
                for (int step : kLossySteps)
                    if (step > choice.lossy) ladder.push_back(choice), ladder.back().lossy = step;
                break;
            case SizeLever::Colours:
                for (int step : kColourSteps)
                    if (step < choice.colours) ladder.push_back(choice), ladder.back().colours = step;
                break;
            case SizeLever::Scale:
                for (int step : kScaleSteps) ladder.push_back(choice), ladder.back().scalePercent = step;
                break;
            case SizeLever::FrameRate:
                if (document.FrameCount() > 1)
                    for (int step : kKeepSteps) ladder.push_back(choice), ladder.back().keepOneOf = step;
                break;
        }
    }
    return ladder;
}

// A choice between two neighbours of the ladder, share of the way from a to
// b; frames are dropped only in whole steps, so b's count is kept.
SizeChoice Between(const SizeChoice& a, const SizeChoice& b, double share) {
    auto mix = [share](int x, int y) { return int(std::lround(x + (y - x) * std::clamp(share, 0.0, 1.0))); };
    SizeChoice choice;
    choice.lossy = mix(a.lossy, b.lossy);
    choice.colours = mix(a.colours, b.colours);
    choice.scalePercent = mix(a.scalePercent, b.scalePercent);
    choice.keepOneOf = share <= 0 ? a.keepOneOf : b.keepOneOf;
    return choice;
}

// Where the size should land: a little under the limit, so that an estimate
// a few percent short still fits, and well above 85 % of it.
constexpr double kAim = 0.93;
constexpr double kLowest = 0.85;

class SizeSearch {
public:
    SizeSearch(const Document& document, long long limit, int parallelism, const SizeProgress& progress,
               const SizeStop& stop)
        : m_document(document), m_limit(limit), m_parallelism(parallelism), m_progress(progress),
          m_stop(stop), m_ladder(Ladder(document)), m_estimates(m_ladder.size(), -1),
          m_probeParallelism(ProbeParallelism(parallelism)) {}

    SizeFit Run() {
        // The mildest step that the estimates say fits: both ends first, then
        // the steps between narrowed down, two steps estimated at once.
        size_t low = 0, high = m_ladder.size() - 1;
        if (!EstimateAll({low, high})) return Stopped();
        if (m_estimates[low] <= m_limit * kAim) {
            high = low;
        } else if (m_estimates[high] > m_limit * kAim) {
            low = high;
        } else if (!Narrow(low, high, 1.0)) {
            return Stopped();
        }
        Report(30);
        SizeFit fit = Export(Aimed(low, high, 1.0), 30, 65);
        if (fit.status != GifExportStatus::Written) return fit;
        const double actual = double(fit.bytes.size());
        const bool under = actual <= m_limit;
        // Good enough, or nothing milder to try.
        if (under && (actual >= m_limit * kLowest || high == 0)) return fit;
        // One correction: the estimates scaled by how far off they were here.
        const double ratio = actual / std::max(1.0, AimedEstimate(low, high, fit.choice));
        SizeChoice correction;
        if (!Corrected(ratio, correction)) return Stopped();
        SizeFit corrected = Export(correction, 65, 100);
        if (corrected.status != GifExportStatus::Written) return corrected;
        if (corrected.fits) return under && corrected.bytes.size() < fit.bytes.size() ? fit : corrected;
        if (under) return fit;
        // Still too large: stronger steps until one fits or none is left.
        for (size_t step = FirstBeyond(corrected.choice); step < m_ladder.size(); ++step) {
            SizeFit next = Export(m_ladder[step], 65, 100);
            if (next.status != GifExportStatus::Written || next.fits) return next;
            corrected = std::move(next);
        }
        return corrected;  // the smallest it can make, too large
    }

private:
    // Estimates the steps not yet estimated, side by side when the cores
    // allow; false when stopped.
    bool EstimateAll(const std::vector<size_t>& steps) {
        std::vector<size_t> needed;
        for (size_t step : steps)
            if (m_estimates[step] < 0) needed.push_back(step);
        for (size_t first = 0; first < needed.size(); first += m_probeParallelism.size()) {
            const size_t count = std::min(m_probeParallelism.size(), needed.size() - first);
            // Only this thread may ask whether to stop (a worker's question may
            // be its own); the other estimates learn of it through the flag.
            std::atomic<bool> stopped{false};
            const SizeStop here = [&] {
                if (m_stop && m_stop()) stopped = true;
                return stopped.load();
            };
            const SizeStop elsewhere = [&] { return stopped.load(); };
            auto estimate = [this](size_t step, int parallelism, const SizeStop& stop) {
                const Document candidate = WithSizeChoice(m_document, m_ladder[step]);
                // Pairs, however lossy: fewer frames (runs made the search a
                // third slower on 1920 x 1080), and the correction after the
                // first export scales away most of their bias.
                return EstimateFromRuns(candidate, parallelism, SearchPairs(), 2, stop);
            };
            std::vector<std::future<long long>> others;
            for (size_t k = 1; k < count; ++k)
                others.push_back(std::async(std::launch::async, estimate, needed[first + k], m_probeParallelism[k],
                                            std::cref(elsewhere)));
            m_estimates[needed[first]] = estimate(needed[first], m_probeParallelism[0], here);
            for (size_t k = 1; k < count; ++k) {
                while (others[k - 1].wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) here();
                m_estimates[needed[first + k]] = others[k - 1].get();
            }
            for (size_t k = 0; k < count; ++k)
                if (m_estimates[needed[first + k]] < 0) return false;
            m_estimated += int(count);
            Report(std::min(30, 5 * m_estimated));
        }
        return true;
    }

    // Two estimates at once share the cores: frame 0 of each is encoded on a
    // core of its own, which within one estimate the other frames wait for.
    static std::vector<int> ProbeParallelism(int parallelism) {
        if (parallelism < 2) return {1};
        return {parallelism - parallelism / 2, parallelism / 2};
    }

    // Between the last step too large and the first that fits, in proportion
    // to their estimates scaled by ratio.
    SizeChoice Aimed(size_t low, size_t high, double ratio) const {
        if (low == high) return m_ladder[low];
        const double a = ratio * m_estimates[low], b = ratio * m_estimates[high];
        const double share = a > b ? (a - m_limit * kAim) / (a - b) : 1.0;
        return Between(m_ladder[low], m_ladder[high], share);
    }
    double AimedEstimate(size_t low, size_t high, const SizeChoice& choice) const {
        if (low == high) return double(m_estimates[low]);
        const SizeChoice& a = m_ladder[low];
        const SizeChoice& b = m_ladder[high];
        // The share of the way the choice lies, from whichever lever moved.
        double share = 1;
        if (a.lossy != b.lossy) share = double(choice.lossy - a.lossy) / (b.lossy - a.lossy);
        else if (a.colours != b.colours) share = double(choice.colours - a.colours) / (b.colours - a.colours);
        else if (a.scalePercent != b.scalePercent)
            share = double(choice.scalePercent - a.scalePercent) / (b.scalePercent - a.scalePercent);
        return m_estimates[low] + (m_estimates[high] - m_estimates[low]) * share;
    }

    // Narrows the steps from low (too large) to high (fits), by the estimates
    // times ratio, until they are neighbours, two steps at a time;
    // false when stopped.
    bool Narrow(size_t& low, size_t& high, double ratio) {
        while (high - low > 1) {
            const size_t gap = high - low;
            // The same steps on any number of cores, so that the same choice
            // (and the same file) comes out.
            std::vector<size_t> probes{low + std::max<size_t>(1, gap / 3)};
            if (gap > 2) probes.push_back(low + std::max(gap * 2 / 3, gap / 3 + 1));
            if (!EstimateAll(probes)) return false;
            for (size_t probe : probes) {
                if (ratio * m_estimates[probe] <= m_limit * kAim) {
                    high = probe;
                    break;
                }
                low = probe;
            }
        }
        return true;
    }

    // The aimed choice again after scaling every estimate by ratio, between
    // neighbouring steps, so that the choice moves one lever only (between
    // steps of different levers, a share of each would be a choice no
    // estimate speaks for); false when stopped.
    bool Corrected(double ratio, SizeChoice& choice) {
        // The last step estimated too large, and the first estimated after it,
        // which fits: estimates need not fall all the way along the ladder.
        size_t low = 0, high = m_ladder.size();
        for (size_t i = 0; i < m_ladder.size(); ++i)
            if (m_estimates[i] >= 0 && ratio * m_estimates[i] > m_limit * kAim) low = i;
        for (size_t i = low + 1; i < m_ladder.size() && high == m_ladder.size(); ++i)
            if (m_estimates[i] >= 0) high = i;
        if (high == m_ladder.size()) {
            choice = m_ladder.back();
        } else if (ratio * m_estimates[0] <= m_limit * kAim) {
            choice = m_ladder[0];
        } else {
            if (!Narrow(low, high, ratio)) return false;
            choice = Aimed(low, high, ratio);
        }
        return true;
    }

    size_t FirstBeyond(const SizeChoice& choice) const {
        for (size_t i = 0; i < m_ladder.size(); ++i)
            if (m_ladder[i] == choice) return i + 1;
        for (size_t i = 0; i < m_ladder.size(); ++i)
            if (m_ladder[i].lossy >= choice.lossy && m_ladder[i].colours <= choice.colours &&
                m_ladder[i].scalePercent <= choice.scalePercent && m_ladder[i].keepOneOf >= choice.keepOneOf &&
                !(m_ladder[i] == choice))
                return i;
        return m_ladder.size();
    }

    SizeFit Export(const SizeChoice& choice, int from, int to) {
        SizeFit fit;
        fit.choice = choice;
        const Document candidate = WithSizeChoice(m_document, choice);
        GifExportJob job = ExportJobFor(candidate, m_parallelism, wxString());
        job.format = AnimationFormat::Gif;
        wxMemoryOutputStream out;
        const std::vector<int> all = AllFrames(candidate.FrameCount());
        fit.status = Encode(candidate, job, all, m_stop, [&](int index) {
            Report(from + (to - from) * (index + 1) / std::max(1, job.frameCount));
            return true;
        }, out);
        if (fit.status != GifExportStatus::Written) return fit;
        fit.bytes.resize(size_t(out.GetSize()));
        out.CopyTo(fit.bytes.data(), fit.bytes.size());
        fit.fits = (long long)fit.bytes.size() <= m_limit;
        return fit;
    }

    SizeFit Stopped() const {
        SizeFit fit;
        fit.status = GifExportStatus::Stopped;
        return fit;
    }

    void Report(int percent) {
        if (m_progress) m_progress(percent);
    }

    // Fewer pairs than the live estimate: the search estimates about five
    // times, which together should cost about one export of every frame.
    int SearchPairs() const {
        const int frames = int(m_document.FrameCount());
        return std::clamp((frames / 5 - 1) / 2, 1, 6);
    }

    const Document& m_document;
    const long long m_limit;
    const int m_parallelism;
    const SizeProgress& m_progress;
    const SizeStop& m_stop;
    const std::vector<SizeChoice> m_ladder;
    std::vector<long long> m_estimates;
    const std::vector<int> m_probeParallelism;  // of each estimate run side by side
    int m_estimated = 0;
};

}  // namespace

long long EstimateGifBytes(const Document& document, int parallelism, int pairs, const SizeStop& stop) {
    // Under lossy coding, pixels that moved little are left as shown and
    // drift further with every frame until written again, which one frame
    // after its neighbour sees too little of (screen-like corpus at lossy
    // 100: pairs 17.5 % low, runs of four 6 % low, from as many frames).
    const int run = document.Settings().lossy > 0 ? 4 : 2;
    return EstimateFromRuns(document, parallelism, pairs, run, stop);
}

int EstimatePairsFor(const wxSize& canvas) {
    const double pixels = std::max(1.0, double(canvas.x) * double(canvas.y));
    return std::clamp(int(kEstimatePairs * 1280.0 * 720.0 / pixels), 4, kEstimatePairs);
}

SizeChoice OwnSizeChoice(const Document& document) {
    SizeChoice choice;
    choice.lossy = document.Settings().lossy;
    choice.colours = document.Settings().colours;
    return choice;
}

Document WithSizeChoice(const Document& document, const SizeChoice& choice) {
    Document copy = document;
    copy.SetObserver(nullptr);
    GifSettings settings = copy.Settings();
    settings.lossy = choice.lossy;
    settings.colours = choice.colours;
    settings.maxBytes = 0;
    copy.SetSettings(settings);
    const wxSize canvas = copy.CanvasSize();
    if (choice.keepOneOf > 1) {
        std::vector<size_t> span(copy.FrameCount());
        for (size_t i = 0; i < span.size(); ++i) span[i] = i;
        const FrameDrop drop = DropFrames(copy, ReducedAway(span, choice.keepOneOf, true));
        if (drop.removed.size() < copy.FrameCount()) {
            copy.SetDelays(drop.kept, drop.delays);
            for (auto at = drop.removed.rbegin(); at != drop.removed.rend(); ++at) copy.RemoveFrames(*at, 1);
        }
    }
    auto scaled = [&](int side) { return std::max(1, int(std::lround(side * choice.scalePercent / 100.0))); };
    copy.SetCanvas(wxSize(scaled(canvas.x), scaled(canvas.y)), copy.ReferenceSize());
    return copy;
}

wxString ShownByteSize(long long bytes) {
    return wxFileName::GetHumanReadableSize(wxULongLong(static_cast<wxULongLong_t>(std::max(0LL, bytes))), "0", 1);
}

wxString SizeChoiceText(const SizeChoice& choice, long long bytes) {
    wxString text = wxString::Format(wxGetTranslation("%s: lossy %d, %d colours, %d %% size"),
                                     ShownByteSize(bytes), choice.lossy, choice.colours, choice.scalePercent);
    if (choice.keepOneOf > 1) text += wxString::Format(wxGetTranslation(", 1 of %d frames"), choice.keepOneOf);
    return text;
}

SizeFit FitGifToSize(const Document& document, long long limit, int parallelism, const SizeProgress& progress,
                     const SizeStop& stop) {
    if (document.IsEmpty()) {
        SizeFit fit;
        fit.status = GifExportStatus::NothingToWrite;
        return fit;
    }
    return SizeSearch(document, limit, parallelism, progress, stop).Run();
}
