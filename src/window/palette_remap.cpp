#include "window/palette_remap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

// Exact nearest-colour search over a palette. Colour space is cut into cells
// of 16 levels a side; each cell, on first use, lists the entries that can be
// nearest to some colour inside it (those no farther from the cell than the
// closest entry's farthest corner), nearest-first, so that a search looks at
// a handful of entries instead of all 256.
class NearestColour {
public:
    explicit NearestColour(const GifFramePalette& palette) {
        for (int i = 0; i < palette.count; ++i)
            if (i != palette.maskIndex) m_entries.push_back(Entry{palette.colours[size_t(i)], i});
    }

    bool Empty() const { return m_entries.empty(); }

    // The entry's index in the palette.
    int Find(int r, int g, int b) {
        const Cell& cell = CellOf(r >> kShift, g >> kShift, b >> kShift);
        int best = cell.candidates.front().entry;
        int bestDistance = INT32_MAX;
        for (const Candidate& c : cell.candidates) {
            if (c.nearest >= bestDistance) break;
            const GifRgb& e = m_entries[size_t(c.entry)].rgb;
            const int d = Square(r - e.red) + Square(g - e.green) + Square(b - e.blue);
            if (d < bestDistance) {
                bestDistance = d;
                best = c.entry;
            }
        }
        return m_entries[size_t(best)].index;
    }

private:
    static constexpr int kShift = 4;
    static constexpr int kSide = 256 >> kShift;
    static constexpr int kSpan = (1 << kShift) - 1;

    struct Entry {
        GifRgb rgb;
        int index;
    };
    struct Candidate {
        int nearest;  // the least squared distance from the cell to the entry
        int entry;
    };
    struct Cell {
        bool ready = false;
        std::vector<Candidate> candidates;
    };

    static int Square(int v) { return v * v; }

    // Squared distance from v to the interval [low, low + kSpan], and to its far end.
    static int Near(int v, int low) {
        return v < low ? Square(low - v) : v > low + kSpan ? Square(v - low - kSpan) : 0;
    }
    static int Far(int v, int low) { return std::max(Square(v - low), Square(v - low - kSpan)); }

    const Cell& CellOf(int cr, int cg, int cb) {
        Cell& cell = m_cells[size_t((cr * kSide + cg) * kSide + cb)];
        if (cell.ready) return cell;
        const int r = cr << kShift, g = cg << kShift, b = cb << kShift;
        int bound = INT32_MAX;
        for (const Entry& e : m_entries)
            bound = std::min(bound, Far(e.rgb.red, r) + Far(e.rgb.green, g) + Far(e.rgb.blue, b));
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const GifRgb& c = m_entries[i].rgb;
            const int nearest = Near(c.red, r) + Near(c.green, g) + Near(c.blue, b);
            if (nearest <= bound) cell.candidates.push_back(Candidate{nearest, int(i)});
        }
        std::sort(cell.candidates.begin(), cell.candidates.end(),
                  [](const Candidate& a, const Candidate& b) {
                      return a.nearest != b.nearest ? a.nearest < b.nearest : a.entry < b.entry;
                  });
        cell.ready = true;
        return cell;
    }

    std::vector<Entry> m_entries;
    std::vector<Cell> m_cells = std::vector<Cell>(size_t(kSide) * kSide * kSide);
};

// Errors are kept in sixteenths, the Floyd-Steinberg weights' unit.
constexpr int kDampAbove = 3 * 16 * 16;  // squared error past which only 3/4 is passed on

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices) {
    NearestColour nearest(palette);
    const unsigned char clear = static_cast<unsigned char>(std::max(0, palette.maskIndex));
    if (nearest.Empty()) {
        std::fill(indices, indices + size_t(width) * height, clear);
        return;
    }
    // The level in 1/256, applied to errors in 1/16: a shift of 12 brings them to levels.
    const int level = std::clamp(int(dithering * 256 + 0.5f), 0, 256);
    // Errors for this row and the next, one pixel of margin each side.
    std::vector<int> here(3 * size_t(width + 2)), next(here.size());
    for (int y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const bool back = y % 2 == 1;
        const int step = back ? -1 : 1;
        for (int k = 0; k < width; ++k) {
            const int x = back ? width - 1 - k : k;
            const size_t at = size_t(y) * width + x;
            const unsigned char* px = rgba + 4 * at;
            if (px[3] == 0) {
                indices[at] = clear;
                continue;
            }
            const int* carried = &here[3 * size_t(x + 1)];
            const int r = Clamp255(px[0] + ((carried[0] * level) >> 12));
            const int g = Clamp255(px[1] + ((carried[1] * level) >> 12));
            const int b = Clamp255(px[2] + ((carried[2] * level) >> 12));
            const int index = nearest.Find(r, g, b);
            indices[at] = static_cast<unsigned char>(index);
            if (level == 0) continue;
            const GifRgb& chosen = palette.colours[size_t(index)];
            int er = r - chosen.red, eg = g - chosen.green, eb = b - chosen.blue;
            if (er * er + eg * eg + eb * eb > kDampAbove) {
                er = er * 3 / 4;
                eg = eg * 3 / 4;
                eb = eb * 3 / 4;
            }
            const int err[3] = {er, eg, eb};
            int* ahead = &here[3 * size_t(x + 1 + step)];
            int* below = &next[3 * size_t(x + 1)];
            for (int c = 0; c < 3; ++c) {
                ahead[c] += 7 * err[c];
                below[3 * -step + c] += 3 * err[c];
                below[c] += 5 * err[c];
                below[3 * step + c] += err[c];
            }
        }
        here.swap(next);
    }
}
