// Sizes and placements of the canvas and the preview, without any window.
#pragma once

#include <wx/gdicmn.h>

#include <vector>

// The largest frame size in list order: a frame replaces the whole pair when
// it is wider or taller, the two sides are never maximised separately.
wxSize ReferenceSizeOf(const std::vector<wxSize>& frameSizes);

// The sides a canvas may have: at least one pixel, at most what a GIF holds.
constexpr int kMinCanvasSide = 1;
constexpr int kMaxCanvasSide = 65535;
int ClampCanvasSide(long long side);

// The other side for an edited one, keeping the reference's aspect ratio
// within the sides a canvas may have; the other side keeps its value when the
// reference is empty on either axis.
int HeightForWidth(int width, const wxSize& reference, int currentHeight);
int WidthForHeight(int height, const wxSize& reference, int currentWidth);

// Where the preview draws a picture in a panel: unscaled when it fits, else
// shrunk to fit whole; centred both ways.
wxRect PreviewPlacement(const wxSize& panel, const wxSize& picture);
