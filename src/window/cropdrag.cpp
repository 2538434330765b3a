#include "window/cropdrag.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool Near(int a, int b, int tolerance) { return std::abs(a - b) <= tolerance; }

bool MovesLeft(CropHandle h) { return h == CropHandle::Left || h == CropHandle::TopLeft || h == CropHandle::BottomLeft; }
bool MovesRight(CropHandle h) {
    return h == CropHandle::Right || h == CropHandle::TopRight || h == CropHandle::BottomRight;
}
bool MovesTop(CropHandle h) { return h == CropHandle::Top || h == CropHandle::TopLeft || h == CropHandle::TopRight; }
bool MovesBottom(CropHandle h) {
    return h == CropHandle::Bottom || h == CropHandle::BottomLeft || h == CropHandle::BottomRight;
}
bool IsCorner(CropHandle h) { return (MovesLeft(h) || MovesRight(h)) && (MovesTop(h) || MovesBottom(h)); }

}  // namespace

CropHandle CropHandleAt(const wxRect& crop, const wxPoint& p, int tolerance) {
    const int left = crop.x, right = crop.x + crop.width, top = crop.y, bottom = crop.y + crop.height;
    const bool inX = p.x >= left - tolerance && p.x <= right + tolerance;
    const bool inY = p.y >= top - tolerance && p.y <= bottom + tolerance;
    if (!inX || !inY) return CropHandle::None;
    const bool l = Near(p.x, left, tolerance), r = Near(p.x, right, tolerance);
    const bool t = Near(p.y, top, tolerance), b = Near(p.y, bottom, tolerance);
    if (t && l) return CropHandle::TopLeft;
    if (t && r) return CropHandle::TopRight;
    if (b && l) return CropHandle::BottomLeft;
    if (b && r) return CropHandle::BottomRight;
    if (l) return CropHandle::Left;
    if (r) return CropHandle::Right;
    if (t) return CropHandle::Top;
    if (b) return CropHandle::Bottom;
    return crop.Contains(p) ? CropHandle::Move : CropHandle::None;
}

wxRect ClampedCrop(const wxRect& crop, const wxSize& plane) {
    const int width = std::clamp(crop.width, 1, std::max(1, plane.x));
    const int height = std::clamp(crop.height, 1, std::max(1, plane.y));
    return wxRect(std::clamp(crop.x, 0, std::max(0, plane.x - width)),
                  std::clamp(crop.y, 0, std::max(0, plane.y - height)), width, height);
}

wxRect NudgedCrop(const wxRect& crop, int dx, int dy, const wxSize& plane) {
    return ClampedCrop(wxRect(crop.x + dx, crop.y + dy, crop.width, crop.height), plane);
}

wxRect DraggedCrop(const wxRect& start, CropHandle handle, const wxPoint& from, const wxPoint& to,
                   const wxSize& plane, bool keepAspect) {
    const int dx = to.x - from.x, dy = to.y - from.y;
    if (handle == CropHandle::Move) return NudgedCrop(start, dx, dy, plane);
    // The sides as edges, the opposite ones staying where they are.
    int left = start.x, right = start.x + start.width, top = start.y, bottom = start.y + start.height;
    if (MovesLeft(handle)) left = std::clamp(left + dx, 0, right - 1);
    if (MovesRight(handle)) right = std::clamp(right + dx, left + 1, plane.x);
    if (MovesTop(handle)) top = std::clamp(top + dy, 0, bottom - 1);
    if (MovesBottom(handle)) bottom = std::clamp(bottom + dy, top + 1, plane.y);
    if (keepAspect && IsCorner(handle) && start.width > 0 && start.height > 0) {
        // The side that moved the more leads; the other follows, both within the plane.
        const double ratio = double(start.width) / start.height;
        int width = right - left, height = bottom - top;
        if (double(width) / start.width >= double(height) / start.height)
            height = std::max(1, int(width / ratio + 0.5));
        else
            width = std::max(1, int(height * ratio + 0.5));
        const int maxWidth = MovesLeft(handle) ? right : plane.x - left;
        const int maxHeight = MovesTop(handle) ? bottom : plane.y - top;
        if (width > maxWidth) width = maxWidth, height = std::max(1, int(width / ratio + 0.5));
        if (height > maxHeight) height = maxHeight, width = std::max(1, int(height * ratio + 0.5));
        if (MovesLeft(handle)) left = right - width; else right = left + width;
        if (MovesTop(handle)) top = bottom - height; else bottom = top + height;
    }
    return ClampedCrop(wxRect(left, top, right - left, bottom - top), plane);
}

wxRect SpannedCrop(const wxPoint& a, const wxPoint& b, const wxSize& plane, bool keepAspect,
                   const wxSize& aspect) {
    const wxPoint anchor(std::clamp(a.x, 0, plane.x), std::clamp(a.y, 0, plane.y));
    const wxRect seed(anchor, wxSize(1, 1));
    // Spanning is dragging a corner of a rectangle of one pixel.
    const CropHandle corner = b.x < a.x ? (b.y < a.y ? CropHandle::TopLeft : CropHandle::BottomLeft)
                                        : (b.y < a.y ? CropHandle::TopRight : CropHandle::BottomRight);
    wxRect spanned = DraggedCrop(seed, corner, anchor, b, plane, false);
    if (keepAspect && aspect.x > 0 && aspect.y > 0) {
        const double ratio = double(aspect.x) / aspect.y;
        int width = spanned.width, height = spanned.height;
        if (double(width) / aspect.x >= double(height) / aspect.y) height = std::max(1, int(width / ratio + 0.5));
        else width = std::max(1, int(height * ratio + 0.5));
        if (corner == CropHandle::TopLeft || corner == CropHandle::BottomLeft) spanned.x = spanned.GetRight() + 1 - width;
        if (corner == CropHandle::TopLeft || corner == CropHandle::TopRight) spanned.y = spanned.GetBottom() + 1 - height;
        spanned.SetSize(wxSize(width, height));
    }
    return ClampedCrop(spanned, plane);
}
