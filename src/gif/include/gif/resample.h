// Pictures brought to another size with a filter that keeps detail and does
// not alias: the one resize of the program, used wherever a frame is drawn.
#pragma once

#include <wx/image.h>

// The picture at width x height. Shrinking averages every source pixel it
// covers (a Lanczos-class filter); enlarging interpolates smoothly. Alpha is
// resampled with the colours weighted by it, so transparent pixels do not
// bleed their colour into the edge; a mask becomes alpha first. Invalid when
// the picture is, when a side is not positive, or when memory runs out.
wxImage ResamplePicture(const wxImage& picture, int width, int height);
