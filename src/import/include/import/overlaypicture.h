// The picture of an overlay, read as the import reads pictures: by its first
// bytes, its size checked before decoding, never from a device or a pipe.
#pragma once

#include "gif/captions.h"

#include <memory>

// Overlays larger than this on a side are refused: they would cover any GIF.
constexpr int kOverlayMostSide = 8192;

// The picture (a GIF's first frame) with its transparency; null when it
// cannot be read or is too large.
std::shared_ptr<const OverlayPixels> LoadOverlayPicture(const wxString& path);
