// Which part of each frame the GIF file stores. Frames after the first store
// only the smallest rectangle that changed, and inside it mark the pixels the
// screen already shows as transparent. Decided frame by frame in order, from
// the rendered pictures alone, so that the frames can then be reduced and
// compressed in parallel with the same result on any number of cores.
#pragma once

#include "gif/blocks.h"
#include "gif/render.h"

#include <wx/image.h>

#include <memory>
#include <vector>

struct GifFramePlan {
    // The whole rendered frame, RGB. Held alone, so that a plan can move to a
    // worker thread: copies of a toolkit image share their pixels through an
    // unguarded reference count.
    std::unique_ptr<wxImage> canvas;
    GifRect rect;                      // the part written
    std::vector<unsigned char> clear;  // per rect pixel, 1: transparent
    int clearCount = 0;
    bool exact = false;         // no more than 256 colours: kept without loss
    bool plainAllowed = false;  // transparent pixels may instead get their own colour
    GifDisposal disposal = GifDisposal::Keep;
};

class GifScreenModel {
public:
    // tolerance: how far (in any channel) a frame of many colours may be from
    // what the screen was given before and still leave it there; frames of
    // at most 256 colours are compared exactly. With transparent, every frame
    // is drawn alone on a cleared screen and its holes stay transparent.
    // wideTolerance: a larger one, used for a frame where it leaves nearly
    // every pixel as shown, in runs long enough for transparency (noise
    // that lossy coding lets go).
    GifScreenModel(int width, int height, bool optimise, bool transparent, int tolerance,
                   int wideTolerance = 0);

    // The plan of the next frame; exact when it has at most 256 colours. The
    // plan takes the frame's canvas and leaves frame without it: the canvas
    // goes to another thread, and the toolkit's images count their shared
    // pixels without a lock, so no copy may stay behind (a by-value copy
    // left here was freed by this thread while a worker still read it).
    GifFramePlan Plan(RenderedFrame&& frame, bool exact);

private:
    GifFramePlan Whole(RenderedFrame& frame, bool exact);
    GifFramePlan Alone(RenderedFrame& frame, bool exact);
    GifFramePlan Changes(RenderedFrame& frame, bool exact);
    // Records what the rect of canvas puts on screen: every pixel, or those
    // flagged in changed (one flag per canvas pixel).
    void Remember(const wxImage& canvas, const GifRect& rect, const unsigned char* changed, bool exact);

    const int m_width;
    const int m_height;
    const bool m_optimise;
    const bool m_transparent;
    const int m_tolerance;
    const int m_wideTolerance;
    bool m_first = true;
    // What each pixel shows: the colour last written there (RGB), and whether
    // it shows that colour exactly rather than an approximation of it.
    std::vector<unsigned char> m_shown;
    std::vector<unsigned char> m_exact;
    std::vector<unsigned char> m_changed;  // scratch, one byte per pixel
};
