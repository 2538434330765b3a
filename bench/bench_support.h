// What the benchmarks share: frames made up for the ones that compare the
// same corpora (photo-like, flat, screen-like), and a sink for the trace
// lines the rendering step writes.
#pragma once

#include <wx/image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <streambuf>
#include <random>

namespace benchsupport {

inline wxImage Paint(int w, int h, const std::function<void(int, int, unsigned char*)>& pixel) {
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3) pixel(x, y, p);
    return image;
}

inline unsigned char Clamp(double v) { return static_cast<unsigned char>(std::clamp(v, 0.0, 255.0)); }

inline // A still desktop (a gradient wallpaper and two windows), text typed into one
// window, a moving cursor and a small video tile: about 3.7 % of the pixels
// change from frame to frame.
wxImage Screen(int i) {
    const int w = 1280, h = 720;
    std::mt19937 random(unsigned(i) + 7);
    std::normal_distribution<double> noise(0, 4);
    return Paint(w, h, [&](int x, int y, unsigned char* p) {
        p[0] = Clamp(30 + 80.0 * x / w + 20 * std::sin(y / 50.0));
        p[1] = Clamp(60 + 100.0 * y / h);
        p[2] = Clamp(120 + 60.0 * (x + y) / (w + h));
        if (x >= 80 && x < 760 && y >= 60 && y < 560) {  // the editor window
            p[0] = p[1] = p[2] = y < 90 ? 70 : 245;
            const int line = (y - 100) / 22, column = (x - 100) / 9;
            const int typed = 4 * i;  // characters so far
            const bool inGlyph = y >= 100 && (y - 100) % 22 < 14 && x >= 100 && (x - 100) % 9 < 7;
            if (inGlyph && line * 70 + column < typed && column < 70 && ((x * 7 + y * 3 + column) % 5) < 2)
                p[0] = p[1] = p[2] = 25;
        }
        if (x >= 820 && x < 1220 && y >= 100 && y < 400) {  // a second window
            p[0] = 235, p[1] = 235, p[2] = 240;
            if (x >= 900 && x < 1100 && y >= 160 && y < 310) {  // its video tile
                const double wave = 70 * std::sin((x + 6.0 * i) / 17.0) * std::cos((y - 2.0 * i) / 23.0);
                p[0] = Clamp(120 + wave + noise(random));
                p[1] = Clamp(90 + (x - 900) / 2.0 + noise(random));
                p[2] = Clamp(140 - wave / 2 + noise(random));
            }
        }
        const int cx = 200 + 15 * i, cy = 600 - 4 * i;  // the cursor
        if (x >= cx && x < cx + 12 && y >= cy && y < cy + 20 && x - cx <= (y - cy) / 1.6) {
            const bool edge = x == cx || x - cx == int((y - cy) / 1.6) || y == cy + 19;
            p[0] = p[1] = p[2] = edge ? 0 : 255;
        }
    });
}

// Gradients, a moving wave and sensor-like noise: tens of thousands of colours.
inline wxImage Photo(int w, int h, int i) {
    std::mt19937 random(unsigned(i) + 1);
    std::normal_distribution<double> noise(0, 5);
    return Paint(w, h, [&](int x, int y, unsigned char* p) {
        const double wave = 60 * std::sin((x + 8.0 * i) / 45.0) * std::cos(y / 60.0);
        p[0] = Clamp(40 + 180.0 * x / w + wave + noise(random));
        p[1] = Clamp(30 + 190.0 * y / h + noise(random));
        p[2] = Clamp(120 + wave + 50 * std::sin((x + y) / 90.0) + noise(random));
    });
}

// Rectangles of nine colours, like a drawing.
inline wxImage Flat(int w, int h, int i) {
    static const unsigned char colours[9][3] = {{255, 255, 255}, {0, 0, 0}, {200, 30, 30},
                                                {30, 160, 60},   {40, 70, 200}, {240, 200, 40},
                                                {120, 120, 120}, {90, 40, 140}, {20, 180, 200}};
    return Paint(w, h, [i](int x, int y, unsigned char* p) {
        std::memcpy(p, colours[((x + 7 * i) / 80 + (y / 60) * 3 + i) % 9], 3);
    });
}

// Swallows the rendering step's trace lines, from any number of threads.
class DiscardBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c == EOF ? 0 : c; }
};

}  // namespace benchsupport
