// Frames that show nothing new: each compared, as drawn on the canvas, with
// the last frame kept before it. Works on copies of what it needs, with
// wxImage and the frame store only, so that it can run on a worker.
#pragma once

#include "document/document.h"

#include <functional>
#include <optional>
#include <vector>

// A frame as the search needs it, taken from the document on the main thread.
struct FrameToCompare {
    FramePicture picture;
    FrameDrawing drawing;
};
std::vector<FrameToCompare> FramesToCompare(const Document& document, const std::vector<size_t>& span);

// The positions in frames of the duplicates: frames whose mean difference
// from the last kept frame, in percent of the full scale, is at most
// percent (0: only identical frames). progress is told how many frames are
// done; when it returns false the search stops and gives nothing.
std::optional<std::vector<size_t>> FindDuplicates(const std::vector<FrameToCompare>& frames, double percent,
                                                  const std::function<bool(size_t done)>& progress);

// The mean difference of two images of one size, in percent of the full scale.
double MeanDifferencePercent(const wxImage& a, const wxImage& b);
