// The timing tools without a window: what Change Speed, Reduce Frames,
// Remove Duplicates and Play Forth and Back do to the frames' delays and
// order, as plain arithmetic that the window and loopwright-cli share.
#pragma once

#include "document/document.h"

#include <vector>

// Speeds and frame counts the tools accept.
constexpr int kMinSpeedPercent = 10;
constexpr int kMaxSpeedPercent = 1000;
constexpr int kMinReduceStep = 2;
constexpr int kMaxReduceStep = 10;

// A delay played percent times as fast: delay x 100 / percent, rounded, at
// least 2 (a viewer plays 0 or 1 as 10, which would slow a fast animation).
// A delay of 0 or 1 counts as the 10 it plays as.
int DelayAtSpeed(int delay, int percent);

// The frames of span (ascending) that a reduction by step drops: with
// keepOneOf, all but the first of every step; else every step-th.
std::vector<size_t> ReducedAway(const std::vector<size_t>& span, int step, bool keepOneOf);

// Frames taken out of the document with their time given to the frames that
// stay: each removed frame's played delay goes to the kept frame before it
// (the first kept frame after it when none is before), so that the animation
// keeps its length.
struct FrameDrop {
    std::vector<size_t> removed;  // ascending
    std::vector<size_t> kept;     // the frames whose delay grows, ascending
    std::vector<int> delays;      // their new delays, parallel to kept
};
FrameDrop DropFrames(const Document& document, const std::vector<size_t>& removed);

// What Play Forth and Back appends after span (ascending): its frames in
// reverse order without the two turning frames, sharing their pictures.
std::vector<DocumentFrame> ForthAndBack(const Document& document, const std::vector<size_t>& span);
