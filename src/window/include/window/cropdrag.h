// What the mouse and the keys do to a crop rectangle, in pixels of the plane
// the pictures lie on: plain geometry that the crop tool and tests share.
#pragma once

#include <wx/gdicmn.h>

enum class CropHandle { None, Move, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The handle of crop under point: a corner or a side within tolerance of it,
// Move inside, None outside.
CropHandle CropHandleAt(const wxRect& crop, const wxPoint& point, int tolerance);

// start dragged by its handle from one point to another, kept inside the
// plane and at least one pixel wide and high. keepAspect (Shift) keeps
// start's aspect ratio for a corner; Move keeps the size.
wxRect DraggedCrop(const wxRect& start, CropHandle handle, const wxPoint& from, const wxPoint& to,
                   const wxSize& plane, bool keepAspect);

// A new rectangle spanned by two points (a drag outside the crop), inside the plane.
wxRect SpannedCrop(const wxPoint& a, const wxPoint& b, const wxSize& plane, bool keepAspect,
                   const wxSize& aspect);

// crop moved by (dx, dy), kept inside the plane.
wxRect NudgedCrop(const wxRect& crop, int dx, int dy, const wxSize& plane);

// crop made to lie inside the plane, at least one pixel wide and high.
wxRect ClampedCrop(const wxRect& crop, const wxSize& plane);
