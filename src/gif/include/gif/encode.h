// One planned frame reduced to colour indices and LZW-compressed, ready for
// the file. Needs nothing but the plan, so frames are encoded in parallel.
#pragma once

#include "gif/blocks.h"
#include "gif/palette_remap.h"
#include "gif/plan.h"
#include "gif/render.h"

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

struct GifFrameCode {
    bool ok = false;
    GifRect rect;
    bool global = false;       // indices into the global table, not `palette`
    GifFramePalette palette;   // the frame's own table
    int transparentIndex = -1;
    GifDisposal disposal = GifDisposal::Keep;
    std::vector<unsigned char> data;  // the image data: code size, sub-blocks, end
    // Quantised frames with a table of their own: how well it fits their
    // pixels (PaletteError); negative otherwise.
    double paletteError = -1;
};

// A search of the global table, prepared whole by the first frame that needs
// it; frames then use copies of it.
class SharedPaletteSearch {
public:
    explicit SharedPaletteSearch(const GifFramePalette& palette) : m_search(palette) {}
    const PaletteSearch& Prepared() {
        std::call_once(m_once, [this] { m_search.PrepareAll(); });
        return m_search;
    }

private:
    std::once_flag m_once;
    PaletteSearch m_search;
};

// The file's global table, as the frames after the first may use it.
struct GifGlobalTable {
    GifFramePalette palette;  // maskIndex -1
    // The first frame's paletteError: how far its own pixels are from the
    // table; negative when its colours were kept exactly.
    double quantisedError = -1;
    std::shared_ptr<SharedPaletteSearch> search;
};

// Where a frame finds the file's global table: frame 0's, known once frame 0
// is encoded, so that later frames are prepared meanwhile and wait only when
// they need it. Empty for frame 0, whose own table becomes the global one.
class GlobalTableSource {
public:
    GlobalTableSource() = default;
    // waiting, when given, is told when Get() starts and stops waiting, so
    // that a frame held up by frame 0 need not keep a core to itself; it
    // must not throw.
    explicit GlobalTableSource(std::shared_future<GifGlobalTable> table,
                               std::function<void(bool waiting)> waiting = {})
        : m_table(std::move(table)), m_waiting(std::move(waiting)) {}
    // False for frame 0's empty source.
    bool Valid() const;
    // Whether Get() would return at once.
    bool Ready() const;
    // Waits for the table; null when there is none (frame 0, or frame 0 failed
    // or was never encoded).
    const GifGlobalTable* Get() const;

private:
    std::shared_future<GifGlobalTable> m_table;
    std::function<void(bool waiting)> m_waiting;
};

// global: where the global table comes from. A frame uses the global
// table whenever its colours and a transparent index fit in it, and a frame
// to be quantised also when the table fits its pixels about as well as it
// fits the first frame's (no new palette is chosen then). Exact frames
// keep their colours whenever they fit in a table, others are quantised;
// the transparent form and the plain rectangle are both tried when allowed
// and the smaller one is kept.
GifFrameCode EncodeGifFrame(const GifFramePlan& plan, const QuantizeSettings& settings,
                            const GlobalTableSource& global);
