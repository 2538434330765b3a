// Frames as the strip and the preview show them: drawn by the export's own
// function, at the size they are shown, so that what is seen is what is saved.
#pragma once

#include "document/document.h"
#include "framestore/pictureahead.h"

// How the views draw frame index of document in a box: the export's drawing
// with the canvas shrunk to fit the box (never enlarged).
FrameDrawing DisplayDrawing(const Document& document, size_t index, const wxSize& box);
// The same for a thumbnail: the frames' drawn size, not an edited canvas, so
// that typing a canvas size does not make every thumbnail again.
FrameDrawing ThumbnailDrawing(const Document& document, size_t index, const wxSize& box);
// The same for the uncropped, unturned plane of the pictures (the crop tool).
FrameDrawing PlaneDrawing(const Document& document, size_t index, const wxSize& box);

// The picture drawn; where the GIF keeps holes (transparent), the image is
// transparent, elsewhere black as in the GIF.
wxImage DrawForDisplay(const wxImage& picture, const FrameDrawing& drawing, bool transparent);
// The same as a recipe for pictures made ahead.
PictureRecipe DisplayRecipe(const FrameDrawing& drawing, bool transparent);
