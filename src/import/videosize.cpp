#include "import/videoreader.h"

#include <algorithm>
#include <cmath>

wxSize VideoSizeForWidth(const wxSize& videoSize, int width) {
    auto even = [](double side) { return std::max(2, static_cast<int>(std::lround(side / 2)) * 2); };
    if (videoSize.x <= 0 || videoSize.y <= 0) return wxSize(even(width), even(width));
    return wxSize(even(width), even(static_cast<double>(width) * videoSize.y / videoSize.x));
}
