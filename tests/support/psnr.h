// Peak signal-to-noise ratio of two pictures of one size, for the tests and
// the benchmarks that measure colour reduction.
#pragma once

#include <wx/image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstddef>

namespace lwtest {

// In dB; 99 means the pictures are equal (lossless).
inline double Psnr(const wxImage& a, const wxImage& b) {
    const size_t n = size_t(a.GetWidth()) * a.GetHeight() * 3;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = double(a.GetData()[i]) - b.GetData()[i];
        sum += d * d;
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / (sum / n));
}

// The largest difference of one colour channel; 256 when the sizes differ.
inline int LargestDifference(const wxImage& a, const wxImage& b) {
    if (!a.IsOk() || !b.IsOk() || a.GetSize() != b.GetSize()) return 256;
    int largest = 0;
    const size_t n = size_t(a.GetWidth()) * a.GetHeight() * 3;
    for (size_t i = 0; i < n; ++i) largest = std::max(largest, std::abs(a.GetData()[i] - b.GetData()[i]));
    return largest;
}

}  // namespace lwtest
