// Mapping a frame's pixels to the colours of a table chosen for it.
#pragma once

#include "gif/blocks.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// Exact nearest-colour search over a palette's opaque entries (all but
// maskIndex), by squared RGB distance. Colour space is cut into cells of 16
// levels a side; each cell, prepared on first use, lists the entries that can
// be nearest to some colour inside it, so a search looks at a handful of
// entries instead of all of them. A cell's list is drawn from that of the
// cell of 32 levels around it, so that preparing one costs little.
class PaletteSearch {
public:
    explicit PaletteSearch(const GifFramePalette& palette);

    bool Empty() const { return m_count == 0; }
    // Prepares every cell, after which copies of the search never change it
    // (copies may then be used on other threads at once).
    void PrepareAll();
    // The nearest entry's index in the palette; Empty() must be false.
    int Find(int r, int g, int b) {
        const int cell = ((r >> kShift) * kSide + (g >> kShift)) * kSide + (b >> kShift);
        if (m_first[size_t(cell)] < 0) Prepare(cell);
        const Candidate* c = m_candidates.data() + m_first[size_t(cell)];
        const int size = m_size[size_t(cell)];
        // The squared distance, then the place in the list: ties go to the
        // earlier entry, as a scan of the list would choose.
        auto key = [&](int i) {
            const Candidate& e = c[i];
            return (((r - e.red) * (r - e.red) + (g - e.green) * (g - e.green) + (b - e.blue) * (b - e.blue)) << 8) |
                   i;
        };
        // The first few without a branch (most searches end among them), then
        // the rest while they can still be nearer.
        int best = std::min(std::min(key(0), key(1)), std::min(key(2), key(3)));
        for (int i = kAlways; i < size && (c[i].nearest << 8) < best; ++i) best = std::min(best, key(i));
        return c[best & 255].index;
    }

private:
    static constexpr int kAlways = 4;
    static constexpr int kShift = 4;
    static constexpr int kSide = 256 >> kShift;
    static constexpr int kCoarseShift = 5;
    static constexpr int kCoarseSide = 256 >> kCoarseShift;
    struct Candidate {
        std::int32_t nearest;  // the least squared distance from the cell to the entry
        unsigned char red, green, blue, index;
    };
    // A cell's list: entries no farther from the cell than the farthest
    // corner of the closest one, nearest first.
    void Prepare(int cell);
    void PrepareCoarse(int cell);

    int m_count = 0;
    Candidate m_entries[256];
    // Per cell: where its candidates start in m_candidates and how many; -1 unprepared.
    std::vector<std::int32_t> m_first = std::vector<std::int32_t>(size_t(kSide) * kSide * kSide, -1);
    std::vector<std::int32_t> m_size = std::vector<std::int32_t>(m_first.size(), 0);
    std::vector<Candidate> m_candidates;
    // The same for the coarse cells, whose lists the fine ones are drawn from.
    std::vector<std::int32_t> m_coarseFirst =
        std::vector<std::int32_t>(size_t(kCoarseSide) * kCoarseSide * kCoarseSide, -1);
    std::vector<std::int32_t> m_coarseSize = std::vector<std::int32_t>(m_coarseFirst.size(), 0);
    std::vector<Candidate> m_coarse;
};

// How a remap imitates colours the palette lacks: the share of each pixel's
// error passed on to its neighbours (0 none, 1 full), or an 8 x 8 Bayer
// pattern whose cell (0, 0) lies at (-originX, -originY) of the pixels, so
// that rects of one canvas share one pattern.
struct RemapDither {
    float diffusion = 0;
    bool ordered = false;
    int originX = 0;
    int originY = 0;
};

// Sets one table index per pixel of rgba (width x height pixels of R, G, B,
// A): the nearest opaque entry of palette, after adding the error left by the
// pixels already mapped (Floyd-Steinberg, serpentine) times dithering (0 none,
// 1 full); large errors are damped so that they do not spread as speckles.
// Pixels of alpha 0 take palette.maskIndex and neither take nor pass on error.
// Integer arithmetic throughout: the same indices on any machine. search must
// have been made from palette.
void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices, PaletteSearch& search);
void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices);
// The same with either kind of dithering; the pattern adds to each pixel an
// offset of up to half the usual distance between the palette's colours.
void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    const RemapDither& dither, unsigned char* indices, PaletteSearch& search);

// How well palette serves the pixels: the mean squared error per channel of
// every step-th pixel of alpha 255 mapped to its nearest opaque entry, without
// dithering; 0 when there is no such pixel.
double PaletteError(const unsigned char* rgba, size_t pixelCount, size_t step,
                    const GifFramePalette& palette, PaletteSearch& search);
