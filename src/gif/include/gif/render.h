// Brings a frame to the animation's canvas size and reduces RGBA pixels to a
// palette, ready for the GIF writer. Works on wxImage and plain pixels only,
// so that the export can run on worker threads.
#pragma once

#include "gif/blocks.h"
#include "gif/palette_remap.h"
#include "gif/captions.h"

#include <wx/image.h>

#include <vector>

// Where a picture goes on the canvas: its size there (shrunk to fit with its
// aspect ratio kept, never enlarged) and its top-left corner (centred).
struct FramePlacement {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    bool scaled = false;  // the picture had to be shrunk
};

FramePlacement PlaceOnCanvas(int pictureWidth, int pictureHeight,
                             int canvasWidth, int canvasHeight);

// How a frame is turned: a number of quarter turns clockwise, then mirrored
// left to right or not. Every rotation and flip is one of these eight.
struct FrameTurn {
    int quarterTurns = 0;  // 0 to 3
    bool mirrored = false;

    FrameTurn RotatedRight() const;
    FrameTurn RotatedLeft() const;
    FrameTurn FlippedHorizontally() const;
    FrameTurn FlippedVertically() const;
    bool Sideways() const { return quarterTurns % 2 != 0; }
    bool IsNone() const { return quarterTurns == 0 && !mirrored; }
    bool operator==(const FrameTurn& o) const { return quarterTurns == o.quarterTurns && mirrored == o.mirrored; }
    bool operator!=(const FrameTurn& o) const { return !(*this == o); }
};

// How a picture becomes a frame of the animation: it is centred on the plane
// (the largest frame's size; shrunk when larger), the crop's part of the
// plane is taken, turned, and fitted to the canvas with its aspect ratio kept
// (resampled up or down, centred; black bars only where the aspects differ).
// The captions are drawn over the result.
struct FrameDrawing {
    wxSize plane;
    wxRect crop;  // on the plane; empty: all of it
    FrameTurn turn;
    wxSize canvas;
    CaptionList captions;  // drawn over the canvas, in order
    // The canvas the captions are laid out on, when the frame is drawn at
    // another size (the strip, the preview); empty: the canvas itself.
    wxSize captionCanvas;

    // The crop within the plane, or the whole plane.
    wxRect Region() const;
    // The region's size as drawn: its sides swapped for a sideways turn.
    wxSize TurnedRegionSize() const;
};

// Where the turned region goes on the canvas: all of it when the aspects agree
// within a pixel, else the largest centred rectangle of the region's aspect.
wxRect FitOnCanvas(const wxSize& region, const wxSize& canvas);

// The frame drawn on black: masked pixels are black, partly transparent ones
// blended over black; the result has no alpha and no mask.
wxImage DrawFrame(const wxImage& picture, const FrameDrawing& drawing);
// A frame drawn for a GIF whose background stays transparent: pixels of
// alpha below 128, masked pixels and the canvas the picture leaves free are
// holes (black in the canvas); every other pixel keeps its colour unblended.
struct RenderedFrame {
    wxImage canvas;                    // RGB, invalid when the picture is
    std::vector<unsigned char> holes;  // one byte per pixel, 1 for a hole
};
RenderedFrame DrawFrameWithHoles(const wxImage& picture, const FrameDrawing& drawing);

// The picture alone on a black canvas of exactly canvasWidth x canvasHeight,
// placed as PlaceOnCanvas says (DrawFrame with the canvas as the plane).
wxImage RenderFrameForExport(const wxImage& picture, int canvasWidth, int canvasHeight);

// The picture placed the same way with holes (DrawFrameWithHoles).
RenderedFrame RenderFrameWithHoles(const wxImage& picture, int canvasWidth, int canvasHeight);

// How frames of more than 256 colours are quantised. Chosen by measuring
// frames per second, file size and PSNR on photo-like frames (bench/).
struct QuantizeSettings {
    int speed = 7;          // 1 (slowest, best) to 10
    float dithering = 0.5f; // share of the error passed on: 0 (none) to 1 (full)
    // Above 0, the palette is chosen from every pixel, counted in buckets of
    // 2^(8 - bucketBits) levels a side (up to 6; coarser, down to 16 levels,
    // where more than 4,096 are filled), each bucket entered at the mean of
    // its colours. At 0, from the exact colours of about samplePixels pixels
    // spread evenly over the frame (0: all of them). All pixels are then
    // mapped to it.
    int bucketBits = 5;
    int samplePixels = 50000;
    int maxColours = 256;   // entries a palette may have, its transparent one included
    // Below 100, a palette stops growing once it serves the pixels this well
    // (libimagequant's quality, 0..100): fewer colours where few will do.
    int targetQuality = 100;
    // A Bayer pattern instead of passing the error on; it is tied to the
    // canvas, so the frame's rect starts at origin.
    bool ordered = false;
    int originX = 0;
    int originY = 0;
    int lossy = 0;          // how far the coder may stray from the indices (0..100)
};

// How a remap dithers under these settings.
inline RemapDither RemapDitherOf(const QuantizeSettings& settings) {
    return RemapDither{settings.ordered ? 0.f : settings.dithering, settings.ordered, settings.originX,
                       settings.originY};
}

// RGBA pixels (4 bytes each, alpha 0 or 255) reduced to at most 256 colours on
// the calling thread alone, so that the result is the same on any number of
// cores: the palette, whose maskIndex is the entry of the pixels of alpha 0
// (-1 when there are none), and one index per pixel. False when the quantiser fails.
bool QuantizeRgba(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
                  GifFramePalette& palette, std::vector<unsigned char>& indices);
// The two halves of that: the palette alone, then one index per pixel.
bool ChooseRgbaPalette(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
                       GifFramePalette& palette);
void MapRgba(const unsigned char* rgba, int width, int height, const QuantizeSettings& settings,
             const GifFramePalette& palette, std::vector<unsigned char>& indices);
