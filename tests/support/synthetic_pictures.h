// Pictures made up for tests and benches: flat colour, screen-like (window
// chrome and text), photo-like (smooth light with sensor noise) and random.
#pragma once

#include <wx/image.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace lwtest {

enum class PictureKind { Flat, Screen, Photo, Random };

inline wxImage SyntheticPicture(PictureKind kind, int width, int height, unsigned seed,
                                bool alpha = false) {
    wxImage picture(width, height, false);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255), noise(-6, 6);
    unsigned char* p = picture.GetData();
    const int base = byte(random);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3)
            for (int c = 0; c < 3; ++c) {
                int v = base;
                if (kind == PictureKind::Random) v = byte(random);
                if (kind == PictureKind::Photo)
                    v = int(128 + 90 * std::sin((x + 40 * c + int(seed)) / 97.0) * std::cos(y / 61.0)) +
                        noise(random);
                if (kind == PictureKind::Screen)
                    v = (y % 18 < 12 && x % 9 < 6 && (x / 9 + y / 18 + int(seed)) % 5) ? 30 : 235 - 20 * (y < 40);
                p[c] = static_cast<unsigned char>(std::clamp(v, 0, 255));
            }
    if (alpha) {
        picture.SetAlpha();
        for (int i = 0; i < width * height; ++i) picture.GetAlpha()[i] = static_cast<unsigned char>(byte(random));
    }
    return picture;
}

}  // namespace lwtest
