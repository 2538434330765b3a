// One planned frame reduced to colour indices and LZW-compressed, ready for
// the file. Needs nothing but the plan, so frames are encoded in parallel.
#pragma once

#include "window/frame_render.h"
#include "window/gif_blocks.h"
#include "window/gif_frame_plan.h"

#include <functional>
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

// The file's global table, asked for only when a frame's colours fit a table
// (so that quantised frames need not wait for the first frame to be encoded);
// empty, or giving null, for the first frame, whose own table becomes the global one.
using GlobalTableSource = std::function<const GifFramePalette*()>;

// global: where the global table comes from. A frame uses the global
// table whenever its colours and a transparent index fit in it. Exact frames
// keep their colours whenever they fit in a table, others are quantised;
// the transparent form and the plain rectangle are both tried when allowed
// and the smaller one is kept.
GifFrameCode EncodeGifFrame(const GifFramePlan& plan, const QuantizeSettings& settings,
                            const GlobalTableSource& global);
