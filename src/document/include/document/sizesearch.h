// Fitting a GIF to a size without any window: the size the document's GIF
// is expected to have, from a sample of its frames, and the settings that
// keep it under a limit, found by pulling the levers the user allows in the
// user's order.
#pragma once

#include "document/document.h"

#include <functional>
#include <memory>
#include <vector>

using SizeStop = std::function<bool()>;        // true: give up
using SizeProgress = std::function<void(int)>;  // percent done

// Frame 0 and as many frames as this many pairs of neighbouring frames,
// spread over the animation, stand for the whole when it is estimated.
constexpr int kEstimatePairs = 12;
// As many pairs as take about the time of twelve of 1280 x 720 (at least
// four), so that large frames are estimated as soon.
int EstimatePairsFor(const wxSize& canvas);

// The document's GIF's expected size in bytes: frame 0 as written, and every
// later frame as large as the sampled frames written after their neighbours
// are on average (every frame is encoded when there are few). -1 when
// stopped, when a frame fails or when there are no frames.
long long EstimateGifBytes(const Document& document, int parallelism, int pairs, const SizeStop& stop);

// What the levers give up, beyond the document's own settings.
struct SizeChoice {
    int lossy = 0;
    int colours = kMaxGifColours;
    int scalePercent = 100;  // of the canvas's sides
    int keepOneOf = 1;       // frames kept: 1 of this many

    bool operator==(const SizeChoice& o) const {
        return lossy == o.lossy && colours == o.colours && scalePercent == o.scalePercent &&
               keepOneOf == o.keepOneOf;
    }
};
// The choice that gives up nothing of the document's settings.
SizeChoice OwnSizeChoice(const Document& document);

// A copy of the document as the choice writes it (no observer, no limit):
// lossy level and colours set, every keepOneOf-th frame kept with the time of
// the ones dropped (as Reduce Frames drops them), the canvas scaled.
Document WithSizeChoice(const Document& document, const SizeChoice& choice);

// A size as the program shows it: "4.8 MB".
wxString ShownByteSize(long long bytes);
// What a fitted export tells: "4.8 MB: lossy 40, 128 colours, 100 % size"
// and, when frames were dropped, ", 1 of 2 frames".
wxString SizeChoiceText(const SizeChoice& choice, long long bytes);

struct SizeFit {
    GifExportStatus status = GifExportStatus::Stopped;  // Written: bytes hold a GIF
    bool fits = false;             // bytes are at most the limit
    SizeChoice choice;             // what bytes were written with
    std::vector<unsigned char> bytes;
};

// The GIF under the limit, in memory: estimates on samples find the mildest
// settings along the levers that fit, one export checks them, and at most one
// correction follows (more only if still too large). When even the strongest
// settings give too much, fits is false and bytes are that smallest GIF.
SizeFit FitGifToSize(const Document& document, long long limit, int parallelism, const SizeProgress& progress,
                     const SizeStop& stop);
