#include "gif/encode.h"

#include "gif/colour_index.h"
#include "gif/lzw.h"
#include "gif/palette_remap.h"

#include <array>
#include <chrono>
#include <new>
#include <optional>

namespace {

// The rect's pixels in order, each as packed RGB, with whether it is to be transparent.
template <typename Visit>
void EachPixel(const GifFramePlan& plan, bool withClear, Visit visit) {
    const int canvasWidth = plan.canvas->GetWidth();
    const unsigned char* clear = plan.clear.empty() ? nullptr : plan.clear.data();
    for (int y = 0; y < plan.rect.height; ++y) {
        const unsigned char* src =
            plan.canvas->GetData() + 3 * (size_t(plan.rect.y + y) * canvasWidth + plan.rect.x);
        for (int x = 0; x < plan.rect.width; ++x, src += 3) {
            const bool transparent = withClear && clear && *clear;
            if (clear) ++clear;
            visit(PackRgb(src[0], src[1], src[2]), transparent);
        }
    }
}

// The colours of the pixels that are not transparent, in the order they first
// appear; more than `limit` means too many.
std::vector<std::uint32_t> OpaqueColours(const GifFramePlan& plan, bool withClear, int limit) {
    std::vector<std::uint32_t> colours;
    ColourIndexMap seen;
    std::uint32_t previous = 0;
    bool any = false;
    bool tooMany = false;
    EachPixel(plan, withClear, [&](std::uint32_t rgb, bool transparent) {
        if (transparent || tooMany || (any && rgb == previous)) return;
        any = true;
        previous = rgb;
        if (seen.Insert(rgb, 0)) {
            colours.push_back(rgb);
            tooMany = int(colours.size()) > limit;
        }
    });
    return colours;
}

struct Table {
    GifFramePalette palette;
    bool global = false;
    ColourIndexMap lookup;
};

// The global table when it holds every colour and, if one is needed, an
// entry none of them uses for transparency; else a table of the colours
// themselves with the transparent entry after them.
void ChooseTable(const std::vector<std::uint32_t>& colours, bool transparent,
                 const GifFramePalette* global, Table& table) {
    if (global) {
        ColourIndexMap lookup;
        for (int i = 0; i < global->count; ++i) {
            const GifRgb& c = global->colours[i];
            lookup.Insert(PackRgb(c.red, c.green, c.blue), i);
        }
        std::array<bool, 256> used{};
        bool all = true;
        for (std::uint32_t rgb : colours) {
            const int index = lookup.Find(rgb);
            if (index < 0) {
                all = false;
                break;
            }
            used[size_t(index)] = true;
        }
        if (all) {
            table.palette = *global;
            table.palette.maskIndex = -1;
            // Any entry no pixel needs, padding of the table included.
            const int size = 1 << GifBitsPerPixel(global->count);
            for (int i = 0; transparent && i < size && table.palette.maskIndex < 0; ++i)
                if (!used[size_t(i)]) table.palette.maskIndex = i;
            if (!transparent || table.palette.maskIndex >= 0) {
                table.global = true;
                table.lookup = lookup;
                return;
            }
        }
    }
    table.palette = GifFramePalette();
    for (std::uint32_t rgb : colours) {
        table.lookup.Insert(rgb, table.palette.count);
        table.palette.colours[size_t(table.palette.count++)] =
            GifRgb{static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                   static_cast<unsigned char>(rgb)};
    }
    if (transparent) table.palette.maskIndex = table.palette.count++;
}

// The rect written with its own colours from `colours`; transparent pixels
// take the transparent entry when withClear.
GifFrameCode ExactCode(const GifFramePlan& plan, const std::vector<std::uint32_t>& colours,
                       bool withClear, const GlobalTableSource& global, int lossy) {
    Table table;
    const GifGlobalTable* shared = global.Get();
    ChooseTable(colours, withClear && plan.clearCount > 0, shared ? &shared->palette : nullptr, table);
    std::vector<unsigned char> indices;
    indices.reserve(size_t(plan.rect.width) * plan.rect.height);
    const unsigned char transparentIndex =
        static_cast<unsigned char>(std::max(0, table.palette.maskIndex));
    std::uint32_t lastColour = 0;
    int lastIndex = table.lookup.Find(0);
    EachPixel(plan, withClear, [&](std::uint32_t rgb, bool transparent) {
        if (transparent) {
            indices.push_back(transparentIndex);
            return;
        }
        if (rgb != lastColour) {
            lastColour = rgb;
            lastIndex = table.lookup.Find(rgb);
        }
        indices.push_back(static_cast<unsigned char>(lastIndex));
    });
    GifFrameCode code;
    code.global = table.global;
    code.palette = table.palette;
    code.transparentIndex = table.palette.maskIndex;
    code.data = GifCompressIndicesLossy(indices.data(), indices.size(), table.palette, lossy);
    code.ok = true;
    return code;
}

// How much worse than the first frame's own error a frame's error on the
// global table may be for the table to serve it: about 0.6 dB.
constexpr double kReuseSlack = 1.15;

// The error of a table is judged on about this many pixels.
constexpr size_t kErrorSamplePixels = 20000;

// The global table with a transparent entry when the frame needs one (an
// entry of the table's padding), if it was quantised and has room for it.
const GifGlobalTable* ReusableGlobal(const GifFramePlan& plan, const GlobalTableSource& global,
                                     GifFramePalette& palette) {
    const GifGlobalTable* table = global.Get();
    if (!table || table->quantisedError < 0 || !table->search) return nullptr;
    palette = table->palette;
    if (plan.clearCount > 0) {
        if (palette.count >= 1 << GifBitsPerPixel(palette.count)) return nullptr;
        palette.maskIndex = palette.count;
    }
    return table;
}

// The frame's indices into palette, compressed.
void Compress(const std::vector<unsigned char>& indices, const GifFramePalette& palette, int lossy,
              const std::vector<unsigned char>& rgba, GifFrameCode& code) {
    code.transparentIndex = palette.maskIndex;
    code.data = GifCompressIndicesLossy(indices.data(), indices.size(), palette, lossy, rgba.data());
    code.ok = true;
}

// The rect's pixels as RGBA, transparent ones with alpha 0.
std::vector<unsigned char> RectRgba(const GifFramePlan& plan) {
    std::vector<unsigned char> rgba;
    rgba.reserve(4 * size_t(plan.rect.width) * plan.rect.height);
    EachPixel(plan, true, [&](std::uint32_t rgb, bool transparent) {
        const unsigned char pixel[4] = {static_cast<unsigned char>(transparent ? 0 : rgb >> 16),
                                        static_cast<unsigned char>(transparent ? 0 : rgb >> 8),
                                        static_cast<unsigned char>(transparent ? 0 : rgb),
                                        static_cast<unsigned char>(transparent ? 0 : 255)};
        rgba.insert(rgba.end(), pixel, pixel + 4);
    });
    return rgba;
}

// The rect mapped to the global table when that fits its pixels about as well
// as it fits the first frame's; not ok otherwise.
GifFrameCode SharedTableCode(const GifFramePlan& plan, const std::vector<unsigned char>& rgba,
                             const QuantizeSettings& settings, const GlobalTableSource& global) {
    GifFrameCode code;
    const GifGlobalTable* table = ReusableGlobal(plan, global, code.palette);
    if (!table) return code;
    const size_t pixels = size_t(plan.rect.width) * plan.rect.height;
    PaletteSearch search = table->search->Prepared();
    const size_t step = std::max<size_t>(1, pixels / kErrorSamplePixels);
    if (PaletteError(rgba.data(), pixels, step, code.palette, search) > kReuseSlack * table->quantisedError)
        return code;
    std::vector<unsigned char> indices(pixels);
    RemapToPalette(rgba.data(), plan.rect.width, plan.rect.height, code.palette, RemapDitherOf(settings),
                   indices.data(), search);
    code.global = true;
    Compress(indices, code.palette, settings.lossy, rgba, code);
    return code;
}

// The rect through the quantiser: mapped to the global table when that serves
// (no palette to choose, and none to store), else to a palette of its own.
GifFrameCode QuantizedCode(const GifFramePlan& plan, const QuantizeSettings& settings,
                           const GlobalTableSource& global) {
    const std::vector<unsigned char> rgba = RectRgba(plan);
    GifFrameCode own;
    auto chooseOwn = [&] {
        return ChooseRgbaPalette(rgba.data(), plan.rect.width, plan.rect.height, settings, own.palette);
    };
    // Whether the global table serves is decided the same way whenever it
    // arrives; while frame 0 is still being encoded, a palette of the frame's
    // own is chosen meanwhile rather than waiting with a core idle (its
    // pixels are mapped only once the global table has not served).
    const bool chosenEarly = !global.Ready();
    if (chosenEarly && !chooseOwn()) return own;
    GifFrameCode shared = SharedTableCode(plan, rgba, settings, global);
    if (shared.ok) return shared;
    if (!chosenEarly && !chooseOwn()) return own;
    std::vector<unsigned char> indices;
    MapRgba(rgba.data(), plan.rect.width, plan.rect.height, settings, own.palette, indices);
    // Only the first frame's error is ever compared with.
    if (!global.Valid()) {
        const size_t pixels = size_t(plan.rect.width) * plan.rect.height;
        PaletteSearch search(own.palette);
        own.paletteError =
            PaletteError(rgba.data(), pixels, std::max<size_t>(1, pixels / kErrorSamplePixels), own.palette, search);
    }
    Compress(indices, own.palette, settings.lossy, rgba, own);
    return own;
}

GifFrameCode Encode(const GifFramePlan& plan, QuantizeSettings settings, const GlobalTableSource& global) {
    settings.originX = plan.rect.x;
    settings.originY = plan.rect.y;
    const bool anyClear = plan.clearCount > 0;
    const int limit = std::clamp(settings.maxColours, 2, 256);
    // One entry stays free for the transparent pixels.
    const int room = anyClear ? limit - 1 : limit;
    const std::vector<std::uint32_t> colours = OpaqueColours(plan, true, room);
    GifFrameCode best;
    if (int(colours.size()) <= room) best = ExactCode(plan, colours, true, global, settings.lossy);
    if (plan.plainAllowed && anyClear) {
        const std::vector<std::uint32_t> all = OpaqueColours(plan, false, limit);
        if (int(all.size()) <= limit) {
            GifFrameCode plain = ExactCode(plan, all, false, global, settings.lossy);
            if (!best.ok || plain.data.size() < best.data.size()) best = std::move(plain);
        }
    }
    // Too many colours for a table (exact frames only get here with holes of
    // their own and as many colours as the limit besides).
    if (!best.ok) best = QuantizedCode(plan, settings, global);
    return best;
}

}  // namespace

bool GlobalTableSource::Valid() const { return m_table.valid(); }

bool GlobalTableSource::Ready() const {
    return !m_table.valid() || m_table.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

const GifGlobalTable* GlobalTableSource::Get() const {
    if (!m_table.valid()) return nullptr;
    struct Waiting {
        const std::function<void(bool)>& told;
        explicit Waiting(const std::function<void(bool)>& waiting) : told(waiting) { told(true); }
        ~Waiting() { told(false); }
    };
    std::optional<Waiting> waiting;
    if (m_waiting && !Ready()) waiting.emplace(m_waiting);
    try {
        const GifGlobalTable& table = m_table.get();
        return table.palette.count > 0 ? &table : nullptr;
    } catch (const std::future_error&) {
        return nullptr;  // the export ended before frame 0 was encoded
    }
}

GifFrameCode EncodeGifFrame(const GifFramePlan& plan, const QuantizeSettings& settings,
                            const GlobalTableSource& global) {
    GifFrameCode code;
    if (!plan.canvas || !plan.canvas->IsOk() || plan.rect.width <= 0 || plan.rect.height <= 0) return code;
    try {
        code = Encode(plan, settings, global);
    } catch (const std::bad_alloc&) {
        return GifFrameCode();  // a frame too large for the memory fails like a bad one
    }
    code.rect = plan.rect;
    code.disposal = plan.disposal;
    return code;
}
