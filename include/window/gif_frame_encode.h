// One planned frame reduced to colour indices and LZW-compressed, ready for
// the file. Needs nothing but the plan, so frames are encoded in parallel.
#pragma once

#include "window/frame_render.h"
#include "window/gif_blocks.h"
#include "window/gif_frame_plan.h"

#include <vector>

struct GifFrameCode {
    bool ok = false;
    GifRect rect;
    bool global = false;       // indices into the global table, not `palette`
    GifFramePalette palette;   // the frame's own table
    int transparentIndex = -1;
    GifDisposal disposal = GifDisposal::Keep;
    std::vector<unsigned char> data;  // the image data: code size, sub-blocks, end
};

// global: the file's global table for frames after the first, null for the
// first (whose own table becomes the global one). A frame uses the global
// table whenever its colours and a transparent index fit in it. Exact frames
// keep their colours whenever they fit in a table, others are quantised;
// the transparent form and the plain rectangle are both tried when allowed
// and the smaller one is kept.
GifFrameCode EncodeGifFrame(const GifFramePlan& plan, const QuantizeSettings& settings,
                            const GifFramePalette* global);
