#include "document/canvasgeometry.h"

#include <algorithm>

wxSize ReferenceSizeOf(const std::vector<wxSize>& frameSizes) {
    wxSize pair(0, 0);
    for (const wxSize& size : frameSizes)
        if (pair.x < size.x || pair.y < size.y) pair = size;
    return pair;
}

int ClampCanvasSide(long long side) {
    return static_cast<int>(std::clamp<long long>(side, kMinCanvasSide, kMaxCanvasSide));
}

int HeightForWidth(int width, const wxSize& reference, int currentHeight) {
    if (reference.x == 0 || reference.y == 0) return currentHeight;
    // In 64 bits: 65535 * 65535 does not fit an int.
    return ClampCanvasSide(static_cast<long long>(width) * reference.y / reference.x);
}

int WidthForHeight(int height, const wxSize& reference, int currentWidth) {
    if (reference.x == 0 || reference.y == 0) return currentWidth;
    return ClampCanvasSide(static_cast<long long>(static_cast<double>(reference.x) * height /
                                                  reference.y));
}

wxRect PreviewPlacement(const wxSize& panel, const wxSize& picture) {
    if (picture.x <= 0 || picture.y <= 0) return wxRect(0, 0, 0, 0);
    const double sx = static_cast<double>(panel.x) / picture.x;
    const double sy = static_cast<double>(panel.y) / picture.y;
    wxSize shown = picture;
    if (sx < 1 || sy < 1) {
        const double f = std::min(sx, sy);
        shown = wxSize(static_cast<int>(picture.x * f), static_cast<int>(picture.y * f));
    }
    return wxRect((panel.x - shown.x) / 2, (panel.y - shown.y) / 2, shown.x, shown.y);
}
