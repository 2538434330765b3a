#include "gif/palette_remap.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kSpan = 15;  // a cell's levels past its first

int Square(int v) { return v * v; }

// Errors are kept in sixteenths, the Floyd-Steinberg weights' unit.
constexpr int kDampAbove = 3 * 16 * 16;  // squared error past which only 3/4 is passed on

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// The classic recursive 8 x 8 threshold matrix, 0..63.
constexpr unsigned char kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

// The median distance from each opaque entry to its nearest other one: how
// far apart the palette's colours usually lie. At most 64, so that a sparse
// palette does not turn the pattern into noise.
int TypicalSpacing(const GifFramePalette& palette) {
    std::vector<int> nearest;
    for (int i = 0; i < palette.count; ++i) {
        if (i == palette.maskIndex) continue;
        int best = INT_MAX;
        const GifRgb& a = palette.colours[size_t(i)];
        for (int j = 0; j < palette.count; ++j) {
            if (j == i || j == palette.maskIndex) continue;
            const GifRgb& b = palette.colours[size_t(j)];
            best = std::min(best, Square(a.red - b.red) + Square(a.green - b.green) + Square(a.blue - b.blue));
        }
        if (best != INT_MAX) nearest.push_back(best);
    }
    if (nearest.empty()) return 0;
    std::nth_element(nearest.begin(), nearest.begin() + std::ptrdiff_t(nearest.size() / 2), nearest.end());
    int spacing = 0;
    while ((spacing + 1) * (spacing + 1) <= nearest[nearest.size() / 2] && spacing < 64) ++spacing;
    return spacing;
}

void RemapOrdered(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                  const RemapDither& dither, unsigned char* indices, PaletteSearch& search) {
    const unsigned char clear = static_cast<unsigned char>(std::max(0, palette.maskIndex));
    const int spacing = TypicalSpacing(palette);
    // Offsets in 1/128 of the spacing: (2t + 1 - 64) for a threshold t spans -63..63.
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = kBayer[unsigned(y + dither.originY) & 7];
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * width + x;
            const unsigned char* px = rgba + 4 * at;
            if (px[3] == 0) {
                indices[at] = clear;
                continue;
            }
            const int offset = (2 * row[unsigned(x + dither.originX) & 7] + 1 - 64) * spacing / 128;
            indices[at] = static_cast<unsigned char>(
                search.Find(Clamp255(px[0] + offset), Clamp255(px[1] + offset), Clamp255(px[2] + offset)));
        }
    }
}

}  // namespace

PaletteSearch::PaletteSearch(const GifFramePalette& palette) {
    for (int i = 0; i < palette.count; ++i) {
        if (i == palette.maskIndex) continue;
        const GifRgb& c = palette.colours[size_t(i)];
        m_red[m_count] = c.red;
        m_green[m_count] = c.green;
        m_blue[m_count] = c.blue;
        m_index[m_count++] = i;
    }
}

void PaletteSearch::PrepareAll() {
    for (int cell = 0; cell < int(m_first.size()); ++cell)
        if (m_first[size_t(cell)] < 0) Prepare(cell);
}

// The candidates of a cell: entries no farther from the cell than the
// farthest corner of the closest entry, nearest first.
void PaletteSearch::Prepare(int cell) {
    const int r = (cell / (kSide * kSide)) << kShift;
    const int g = (cell / kSide % kSide) << kShift;
    const int b = (cell % kSide) << kShift;
    auto farthest = [](int v, int low) { return std::max(Square(v - low), Square(v - low - kSpan)); };
    auto nearest = [](int v, int low) {
        return v < low ? Square(low - v) : v > low + kSpan ? Square(v - low - kSpan) : 0;
    };
    int bound = INT_MAX;
    for (int i = 0; i < m_count; ++i)
        bound = std::min(bound, farthest(m_red[i], r) + farthest(m_green[i], g) + farthest(m_blue[i], b));
    const size_t first = m_candidates.size();
    for (int i = 0; i < m_count; ++i) {
        const int d = nearest(m_red[i], r) + nearest(m_green[i], g) + nearest(m_blue[i], b);
        if (d <= bound) m_candidates.push_back(Candidate{d, i});
    }
    std::sort(m_candidates.begin() + std::ptrdiff_t(first), m_candidates.end(),
              [](const Candidate& x, const Candidate& y) {
                  return x.nearest != y.nearest ? x.nearest < y.nearest : x.entry < y.entry;
              });
    m_first[size_t(cell)] = std::int32_t(first);
    m_size[size_t(cell)] = std::int32_t(m_candidates.size() - first);
}

int PaletteSearch::Find(int r, int g, int b) {
    const int cell = ((r >> kShift) * kSide + (g >> kShift)) * kSide + (b >> kShift);
    if (m_first[size_t(cell)] < 0) Prepare(cell);
    const Candidate* c = m_candidates.data() + m_first[size_t(cell)];
    const Candidate* const end = c + m_size[size_t(cell)];
    int best = c->entry;
    int bestDistance = INT_MAX;
    for (; c != end && c->nearest < bestDistance; ++c) {
        const int i = c->entry;
        const int d = Square(r - m_red[i]) + Square(g - m_green[i]) + Square(b - m_blue[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return m_index[best];
}

void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices, PaletteSearch& search) {
    const unsigned char clear = static_cast<unsigned char>(std::max(0, palette.maskIndex));
    if (search.Empty()) {
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
            const int index = search.Find(r, g, b);
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

void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices) {
    PaletteSearch search(palette);
    RemapToPalette(rgba, width, height, palette, dithering, indices, search);
}

void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    const RemapDither& dither, unsigned char* indices, PaletteSearch& search) {
    if (!dither.ordered) {
        RemapToPalette(rgba, width, height, palette, dither.diffusion, indices, search);
    } else if (search.Empty()) {
        std::fill(indices, indices + size_t(width) * height, static_cast<unsigned char>(std::max(0, palette.maskIndex)));
    } else {
        RemapOrdered(rgba, width, height, palette, dither, indices, search);
    }
}

double PaletteError(const unsigned char* rgba, size_t pixelCount, size_t step,
                    const GifFramePalette& palette, PaletteSearch& search) {
    if (search.Empty()) return 0;
    double sum = 0;
    size_t counted = 0;
    for (size_t i = 0; i < pixelCount; i += std::max<size_t>(1, step)) {
        const unsigned char* px = rgba + 4 * i;
        if (px[3] != 255) continue;
        const GifRgb& c = palette.colours[size_t(search.Find(px[0], px[1], px[2]))];
        sum += Square(px[0] - c.red) + Square(px[1] - c.green) + Square(px[2] - c.blue);
        ++counted;
    }
    return counted ? sum / (3.0 * counted) : 0;
}
