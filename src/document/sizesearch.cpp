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

// How many neighbouring frames a sample takes at a time. Pixels that moved
// little are left as shown and drift further with every frame until written
// again, which one frame after its neighbour sees too little of (screen-like
// corpus at lossy 100: pairs 17.5 % low, runs of four 6 % low, from as many
// frames; video-like at lossy 0: pairs 15.9 % low, runs of three 6.3 %); the
// higher the level, the longer they drift.
int RunFor(const Document& document) { return 3 + document.Settings().lossy / 25; }

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
constexpr double kCorrectionAim = 0.95;
// While narrowing, a value estimated at most this share of the limit fits.
constexpr double kFitting = 0.95;
// Rounds of estimates that narrow a lever's values between two steps before
// the export; the correction after it takes the values around the file
// written as they are (a round there cost hd's searches a tenth of their time
// and changed no choice on the four corpora).
constexpr int kRefineRounds = 3;
constexpr int kCorrectionRounds = 0;
// How much further under the limit a correction after a file over it aims,
// per part the estimates were off by there: with no file in hand, a
// correction that misses costs a third export, and estimates off at one
// value are off by a varying amount at others (video-like frames at half
// their size: 15 % low at lossy 48, 25 % low at 59).
constexpr double kDoubt = 0.3;
// A value estimated this close under the aim is taken without looking further.
constexpr double kClose = 0.95;
// A value estimated at most this share of the limit is only just too large.
constexpr double kJustOver = 1.02;
// Neighbouring estimates further apart than this are not interpolated between.
constexpr double kSmooth = 1.5;
// A bracket whose sizes fall per value at most this many times as fast as
// along the whole lever is taken to fall evenly.
constexpr double kEven = 2.0;

class SizeSearch {
public:
    SizeSearch(const Document& document, long long limit, int parallelism, const SizeProgress& progress,
               const SizeStop& stop)
        : m_document(document), m_limit(limit), m_parallelism(parallelism), m_progress(progress),
          m_stop(stop), m_ladder(Ladder(document)), m_estimates(m_ladder.size(), -1),
          m_probeParallelism(ProbeParallelism(parallelism)) {}

    SizeFit Run() {
        // The mildest choice that the estimates say fits, two estimated at
        // once: the document's own choice and the end of the first lever
        // first (most limits lie between them), the ladder's end only when
        // that does not fit; then the steps and values between narrowed down.
        size_t low = 0, high = FirstLeverEnd();
        if (!EstimateAll({low, high})) return Stopped();
        const double aim = m_limit * kAim;
        Aim first{m_ladder[low], double(m_estimates[low])};
        if (m_estimates[low] <= aim) {
            high = low;
        } else {
            if (m_estimates[high] > aim) {
                low = high;
                high = m_ladder.size() - 1;
                if (!EstimateAll({high})) return Stopped();
            }
            if (m_estimates[high] > aim) {
                low = high;
                first = Aim{m_ladder[high], double(m_estimates[high])};
            } else if (!NarrowToLever(low, high, 1.0, aim) || !Refine(low, high, 1.0, aim, kRefineRounds, first)) {
                return Stopped();
            }
        }
        Report(30);
        SizeFit fit = Export(first.choice, 30, 65);
        if (fit.status != GifExportStatus::Written) return fit;
        const double actual = double(fit.bytes.size());
        const bool under = actual <= m_limit;
        // Good enough, or nothing milder to try.
        if (under && (actual >= m_limit * kLowest || high == 0)) return fit;
        // One correction: the estimates scaled by how far off they were here.
        // Below the limit, the file in hand stays if the correction does not
        // fit, so the correction may aim nearer the limit: just under it, as
        // the scaled estimates still err by a percent or two (hd-like frames
        // at a quarter of their size: 100.3 % of the limit aimed at 100 %).
        // Above it, further under (see kDoubt).
        const double ratio = actual / std::max(1.0, first.estimate);
        Aim correction;
        if (!under) m_fitting = 0;  // a value estimated over the aim does not fit
        const double correctionAim =
            under ? m_limit * kCorrectionAim : m_limit * std::max(kLowest, kAim - kDoubt * std::abs(ratio - 1));
        if (!Corrected(ratio, correctionAim, correction)) return Stopped();
        if (under && ratio * correction.estimate < m_limit * kLowest) MilderWithinReach(ratio, correction);
        if (under && correction.choice == fit.choice) return fit;
        SizeFit corrected = Export(correction.choice, 65, 100);
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
        std::vector<SizeChoice> choices;
        for (size_t step : steps) {
            if (m_estimates[step] >= 0) continue;
            m_estimates[step] = Known(m_ladder[step]);  // perhaps estimated as a choice between steps
            if (m_estimates[step] < 0) needed.push_back(step), choices.push_back(m_ladder[step]);
        }
        std::vector<long long> estimates;
        if (!EstimateChoices(choices, estimates)) return false;
        for (size_t k = 0; k < needed.size(); ++k) m_estimates[needed[k]] = estimates[k];
        return true;
    }

    // Estimates choices between neighbouring steps not yet estimated; false when stopped.
    bool EstimateBetween(const std::vector<SizeChoice>& wanted) {
        std::vector<SizeChoice> choices;
        for (const SizeChoice& choice : wanted)
            if (Known(choice) < 0) choices.push_back(choice);
        std::vector<long long> estimates;
        if (!EstimateChoices(choices, estimates)) return false;
        for (size_t k = 0; k < choices.size(); ++k) m_between.emplace_back(choices[k], estimates[k]);
        return true;
    }

    long long Known(const SizeChoice& choice) const {
        for (size_t i = 0; i < m_ladder.size(); ++i)
            if (m_ladder[i] == choice && m_estimates[i] >= 0) return m_estimates[i];
        for (const auto& [known, estimate] : m_between)
            if (known == choice) return estimate;
        return -1;
    }

    bool EstimateChoices(const std::vector<SizeChoice>& choices, std::vector<long long>& estimates) {
        estimates.assign(choices.size(), -1);
        for (size_t first = 0; first < choices.size(); first += m_probeParallelism.size()) {
            const size_t count = std::min(m_probeParallelism.size(), choices.size() - first);
            // Only this thread may ask whether to stop (a worker's question may
            // be its own); the other estimates learn of it through the flag.
            std::atomic<bool> stopped{false};
            const SizeStop here = [&] {
                if (m_stop && m_stop()) stopped = true;
                return stopped.load();
            };
            const SizeStop elsewhere = [&] { return stopped.load(); };
            auto estimate = [this](const SizeChoice& choice, int parallelism, const SizeStop& stop) {
                const Document candidate = WithSizeChoice(m_document, choice);
                // Runs of four at most: the search compares its estimates with
                // each other and scales them by the export, and longer runs cover
                // fewer places (at seven, the photo-like corpus's search missed a
                // lossy level where whole frames start to be left as shown).
                const int run = std::min(RunFor(candidate), 4);
                return EstimateFromRuns(candidate, parallelism, SearchPairs(), run, stop);
            };
            std::vector<std::future<long long>> others;
            for (size_t k = 1; k < count; ++k)
                others.push_back(std::async(std::launch::async, estimate, std::cref(choices[first + k]),
                                            m_probeParallelism[k], std::cref(elsewhere)));
            // A lone estimate has every core.
            estimates[first] = estimate(choices[first], count == 1 ? m_parallelism : m_probeParallelism[0], here);
            for (size_t k = 1; k < count; ++k) {
                while (others[k - 1].wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) here();
                estimates[first + k] = others[k - 1].get();
            }
            for (size_t k = 0; k < count; ++k)
                if (estimates[first + k] < 0) return false;
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

    // A choice and its estimate.
    struct Aim {
        SizeChoice choice;
        double estimate = 0;
    };

    // The choice between neighbouring steps low (too large) and high (fits)
    // whose estimate times ratio lies just under aim. The lever's values
    // between them are narrowed down by estimates, the likeliest value by the
    // estimates around it and the middle at once, a few times: sizes need not
    // fall evenly along a lever (on frames of even noise, whole frames are
    // left as shown from one lossy level to the next); false when stopped.
    bool Refine(size_t low, size_t high, double ratio, double aim, int rounds, Aim& result) {
        const SizeChoice& a = m_ladder[low];
        const SizeChoice& b = m_ladder[high];
        const int span = std::abs(LeverValue(b, a, b) - LeverValue(a, a, b));
        auto at = [&](int k) { return Between(a, b, span > 0 ? double(k) / span : 1.0); };
        auto scaled = [&](int k) { return ratio * double(Known(at(k))); };
        // A value estimated a little over aim is as good as one under it
        // (estimates err by a percent or two); looking further costs a round,
        // and the next value may lie past a step where the size falls away.
        const double fitting = std::max(aim, m_limit * m_fitting);
        // How fast the logarithm of the size falls per value along the whole lever.
        const double alongLever =
            span > 0 ? std::log(std::max(1.0, scaled(0)) / std::max(1.0, scaled(span))) / span : 0;
        int lo = 0, hi = span;
        for (int round = 0;; ++round) {
            // The bracket: the first known value that fits, and the last too large before it.
            lo = 0, hi = span;
            for (int k = 1; k <= span; ++k)
                if (Known(at(k)) >= 0 && scaled(k) <= fitting) {
                    hi = k;
                    break;
                }
            for (int k = 0; k < hi; ++k)
                if (Known(at(k)) >= 0 && scaled(k) > fitting) lo = k;
            // Near enough under aim already, or nothing between. Where the
            // sizes fall steeply the line says little, so a correction, too,
            // looks between the values there.
            const bool steep = scaled(lo) > kSmooth * scaled(hi);
            if (hi - lo <= 1 || round == (steep ? kRefineRounds : rounds) || scaled(hi) >= kClose * aim) break;
            // Where the bracket is narrow in size, sizes fall in it about as
            // evenly as along the whole lever and something is known of their
            // course (it lies between neighbouring steps, or was narrowed by
            // estimates), the line is trusted: the second estimate goes to
            // where it meets the bottom of the close range, so that one of the
            // two likely lands in it. Elsewhere it halves the bracket (a
            // photo-like corpus's sizes fall by a third from one lossy level
            // to the next somewhere in a bracket of 50).
            const int likeliest = Likeliest(lo, hi, scaled(lo), scaled(hi), aim);
            const bool informed = round > 0 || high - low == 1;
            const bool even = std::log(scaled(lo) / scaled(hi)) / (hi - lo) <= kEven * alongLever;
            int second = !informed           ? Likeliest(lo, hi, scaled(lo), scaled(hi), aim, true)
                         : even && !steep ? Likeliest(lo, hi, scaled(lo), scaled(hi), kClose * aim)
                                          : likeliest;
            // Where lo is only just too large and the sizes fall steeply,
            // the value after lo tells whether they fall away right there
            // (photo-like frames from lossy 67 to 68), where the middle would
            // say little near the aim.
            const bool justOver = steep && informed && scaled(lo) <= kJustOver * m_limit;
            if (second == likeliest) second = justOver && likeliest - lo >= 2 ? lo + 1 : (lo + hi) / 2;
            std::vector<SizeChoice> probes{at(likeliest)};
            if (second != likeliest) probes.push_back(at(second));
            // A core left over where the sizes fall unevenly estimates what
            // crossing a step there would take (see AcrossAStep).
            SizeChoice pulled;
            if (probes.size() == 1 && rounds > 0 && !even && NextLeverPulled(at(lo), MovedLever(a, b), pulled))
                probes.push_back(pulled);
            if (!EstimateBetween(probes)) return false;
        }
        // Between values whose sizes lie far apart the line says little (a
        // lossy level may leave whole frames as shown): the value known to fit.
        const bool near = hi - lo <= 1 || scaled(hi) >= kClose * aim || scaled(lo) > kSmooth * scaled(hi);
        const int k = near ? hi : Likeliest(lo, hi, scaled(lo), scaled(hi), aim);
        result.choice = at(k);
        const long long known = Known(result.choice);
        // An unknown value's estimate lies on the line between the bracket's.
        result.estimate = known >= 0 ? double(known)
                                     : (scaled(lo) + (scaled(hi) - scaled(lo)) * (k - lo) / (hi - lo)) / ratio;
        // Before the export, a step where the sizes fall away past the range
        // aimed at is crossed with the next lever.
        const bool step = hi - lo > 0 && std::log(scaled(lo) / scaled(hi)) / (hi - lo) > kEven * alongLever;
        if (rounds > 0 && step && scaled(lo) > fitting && scaled(hi) < kLowest * m_limit)
            return AcrossAStep(at(lo), scaled(lo) / ratio, MovedLever(a, b), aim, result);
        return true;
    }

    // Where the sizes fall away between two values of a lever past the range
    // aimed at (frames alike all leave their noise as shown from one lossy
    // level on: the photo-like corpus's fell by a quarter from lossy 67 to
    // 68, and no level lay between 74 and 100 % of its half size), the value
    // before the step with the next lever the user allows pulled a little
    // lands in it, unless the value chosen between does; false when stopped.
    bool AcrossAStep(SizeChoice before, double estimate, SizeLever moved, double aim, Aim& result) {
        SizeChoice pulled;
        if (!NextLeverPulled(before, moved, pulled)) return true;
        std::vector<SizeChoice> probes{pulled};
        if (Known(result.choice) < 0) probes.push_back(result.choice);
        if (!EstimateBetween(probes)) return false;
        const double chosen = double(Known(result.choice));
        if (chosen >= kLowest * m_limit && chosen <= kFitting * m_limit) {
            result.estimate = chosen;
            return true;
        }
        // The next lever's steps in turn until one is estimated to fit.
        const SizeLever next = MovedLever(before, pulled);
        while (double(Known(pulled)) > aim) {
            SizeChoice further;
            if (!NextStep(pulled, next, further)) {
                result = Aim{pulled, double(Known(pulled))};  // the export and its correction go on from there
                return true;
            }
            before = pulled;
            estimate = double(Known(pulled));
            pulled = further;
            if (!EstimateBetween({pulled})) return false;
        }
        const double end = double(Known(pulled));
        const int span = std::abs(LeverValue(pulled, before, pulled) - LeverValue(before, before, pulled));
        const int k = span > 1 ? Likeliest(0, span, estimate, end, aim) : span;
        result.choice = Between(before, pulled, span > 0 ? double(k) / span : 1.0);
        result.estimate = span > 0 ? estimate + (end - estimate) * k / span : end;
        return true;
    }

    static SizeLever MovedLever(const SizeChoice& a, const SizeChoice& b) {
        if (a.lossy != b.lossy) return SizeLever::Lossy;
        if (a.colours != b.colours) return SizeLever::Colours;
        if (a.scalePercent != b.scalePercent) return SizeLever::Scale;
        return SizeLever::FrameRate;
    }

    // The choice with the lever after `moved` in the user's order at its
    // next step; false when there is none that moves by degrees.
    bool NextLeverPulled(const SizeChoice& choice, SizeLever moved, SizeChoice& pulled) const {
        const std::vector<SizeLever>& levers = m_document.Settings().levers;
        auto next = std::find(levers.begin(), levers.end(), moved);
        return next != levers.end() && ++next != levers.end() && NextStep(choice, *next, pulled);
    }

    // The choice with lever at its next step; false at its end, and for
    // frame rates, which move in whole steps only.
    static bool NextStep(const SizeChoice& choice, SizeLever lever, SizeChoice& pulled) {
        pulled = choice;
        switch (lever) {
            case SizeLever::Lossy:
                for (int step : kLossySteps)
                    if (step > choice.lossy) return pulled.lossy = step, true;
                break;
            case SizeLever::Colours:
                for (int step : kColourSteps)
                    if (step < choice.colours) return pulled.colours = step, true;
                break;
            case SizeLever::Scale:
                for (int step : kScaleSteps)
                    if (step < choice.scalePercent) return pulled.scalePercent = step, true;
                break;
            case SizeLever::FrameRate:
                break;
        }
        return false;
    }

    // The last step of the ladder that moves the first lever only.
    size_t FirstLeverEnd() const {
        size_t end = 0;
        while (end + 1 < m_ladder.size() && OnlyLeverMoved(m_ladder[0], m_ladder[end + 1])) ++end;
        return end > 0 ? end : m_ladder.size() - 1;
    }

    static bool OnlyLeverMoved(const SizeChoice& a, const SizeChoice& b) {
        return int(a.lossy != b.lossy) + int(a.colours != b.colours) + int(a.scalePercent != b.scalePercent) +
                   int(a.keepOneOf != b.keepOneOf) <= 1;
    }

    // Strictly between lo and hi: where the line between their sizes meets
    // aim, in the logarithm of the size, along which levers act more evenly.
    // With curved, where the logarithm falls slowly first and then ever
    // faster, as the square of the value (a lossy level's sizes on photo-,
    // hd- and screen-like frames).
    static int Likeliest(int lo, int hi, double above, double below, double aim, bool curved = false) {
        double share = above > below && below > 0
                           ? (std::log(above) - std::log(aim)) / (std::log(above) - std::log(below))
                           : 1.0;
        if (curved) share = std::sqrt(std::clamp(share, 0.0, 1.0));
        return std::clamp(lo + int(std::lround(share * (hi - lo))), lo + 1, std::max(lo + 1, hi - 1));
    }

    // The value of the lever that moves from a to b; 0 for whole steps only.
    static int LeverValue(const SizeChoice& choice, const SizeChoice& a, const SizeChoice& b) {
        if (a.lossy != b.lossy) return choice.lossy;
        if (a.colours != b.colours) return choice.colours;
        if (a.scalePercent != b.scalePercent) return choice.scalePercent;
        return 0;
    }

    // Narrows the steps from low (too large) to high (fits), by the estimates
    // times ratio, until they are neighbours, two steps at a time;
    // false when stopped.
    bool Narrow(size_t& low, size_t& high, double ratio, double aim) {
        while (high - low > 1) {
            const size_t gap = high - low;
            // The same steps on any number of cores, so that the same choice
            // (and the same file) comes out.
            std::vector<size_t> probes{low + std::max<size_t>(1, gap / 3)};
            if (gap > 2) probes.push_back(low + std::max(gap * 2 / 3, gap / 3 + 1));
            if (!EstimateAll(probes)) return false;
            for (size_t probe : probes) {
                if (ratio * m_estimates[probe] <= aim) {
                    high = probe;
                    break;
                }
                low = probe;
            }
        }
        return true;
    }

    // Steps low and high narrowed down until one lever alone moves between them.
    bool NarrowToLever(size_t& low, size_t& high, double ratio, double aim) {
        return OnlyLeverMoved(m_ladder[low], m_ladder[high]) || Narrow(low, high, ratio, aim);
    }

    // The aimed choice again after scaling every estimate by ratio, between
    // neighbouring steps, so that the choice moves one lever only (between
    // steps of different levers, a share of each would be a choice no
    // estimate speaks for); false when stopped.
    bool Corrected(double ratio, double aim, Aim& result) {
        // The last step estimated too large, and the first estimated after it,
        // which fits: estimates need not fall all the way along the ladder.
        size_t low = 0, high = m_ladder.size();
        for (size_t i = 0; i < m_ladder.size(); ++i)
            if (m_estimates[i] >= 0 && ratio * m_estimates[i] > aim) low = i;
        for (size_t i = low + 1; i < m_ladder.size() && high == m_ladder.size(); ++i)
            if (m_estimates[i] >= 0) high = i;
        // Steps beyond the first lever may not have been estimated yet.
        if (high == m_ladder.size() && low + 1 < m_ladder.size()) {
            if (!EstimateAll({m_ladder.size() - 1})) return false;
            if (ratio * m_estimates.back() <= aim) high = m_ladder.size() - 1;
        }
        if (high == m_ladder.size()) {
            result = Aim{m_ladder.back(), double(m_estimates.back())};
        } else if (ratio * m_estimates[0] <= aim) {
            result = Aim{m_ladder[0], double(m_estimates[0])};
        } else {
            if (!NarrowToLever(low, high, ratio, aim)) return false;
            return Refine(low, high, ratio, aim, kCorrectionRounds, result);
        }
        return true;
    }

    // Replaces result, estimated far under the limit, by the known choice
    // estimated next larger, if that is at most a few percent over the limit.
    // At a step where the size falls away, the last value before it may be
    // estimated just over the limit and still fit (estimates err by a few
    // percent); below the limit the file in hand stays if it does not. An
    // export larger than its estimate says little about the other side of
    // such a step (screen-like frames: 17 % over at lossy 76, whose estimate
    // fell by a quarter from 75), so there the estimates are taken as they are.
    void MilderWithinReach(double ratio, Aim& result) const {
        constexpr double kReach = 1.08;
        const double from = ratio * result.estimate;
        double nearest = m_limit * kReach;
        auto consider = [&](const SizeChoice& choice, long long estimate) {
            const double scaled = std::min(ratio, 1.0) * double(estimate);
            if (estimate < 0 || scaled <= from || scaled > nearest) return;
            nearest = scaled;
            result = Aim{choice, double(estimate)};
        };
        for (size_t i = 0; i < m_ladder.size(); ++i) consider(m_ladder[i], m_estimates[i]);
        for (const auto& [choice, estimate] : m_between) consider(choice, estimate);
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

    // Fewer pairs than the live estimate: the search estimates five to eight
    // rounds of two, which together should cost about one export of every frame.
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
    std::vector<std::pair<SizeChoice, long long>> m_between;  // estimates of choices between steps
    const std::vector<int> m_probeParallelism;  // of each estimate run side by side
    int m_estimated = 0;
    double m_fitting = kFitting;  // the share of the limit a value estimated under fits
};

}  // namespace

long long EstimateGifBytes(const Document& document, int parallelism, int pairs, const SizeStop& stop) {
    return EstimateFromRuns(document, parallelism, pairs, RunFor(document), stop);
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
