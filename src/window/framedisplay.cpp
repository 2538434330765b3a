#include "window/framedisplay.h"

#include "document/canvasgeometry.h"

#include <cstring>
#include <string>

namespace {

FrameDrawing Fitted(FrameDrawing drawing, const wxSize& box) {
    drawing.canvas = PreviewPlacement(box, drawing.canvas).GetSize();
    return drawing;
}

}  // namespace

FrameDrawing DisplayDrawing(const Document& document, size_t index, const wxSize& box) {
    return Fitted(document.Drawing(index), box);
}

FrameDrawing ThumbnailDrawing(const Document& document, size_t index, const wxSize& box) {
    FrameDrawing drawing = document.Drawing(index);
    drawing.canvas = document.DrawnSize();
    return Fitted(drawing, box);
}

FrameDrawing PlaneDrawing(const Document& document, size_t index, const wxSize& box) {
    FrameDrawing drawing = document.Drawing(index);
    drawing.crop = wxRect();
    drawing.turn = FrameTurn();
    drawing.canvas = drawing.plane;
    // The whole pictures are shown for cropping, without what is written over the frames.
    drawing.captions.clear();
    return Fitted(drawing, box);
}

wxImage DrawForDisplay(const wxImage& picture, const FrameDrawing& drawing, bool transparent) {
    if (!transparent) return DrawFrame(picture, drawing);
    RenderedFrame frame = DrawFrameWithHoles(picture, drawing);
    if (!frame.canvas.IsOk()) return wxImage();
    frame.canvas.SetAlpha();
    unsigned char* alpha = frame.canvas.GetAlpha();
    for (size_t i = 0; i < frame.holes.size(); ++i) alpha[i] = frame.holes[i] ? 0 : 255;
    return frame.canvas;
}

PictureRecipe DisplayRecipe(const FrameDrawing& drawing, bool transparent) {
    const auto number = [](int n) { return std::to_string(n) + " "; };
    const wxRect& crop = drawing.crop;
    std::string key = "drawn " + number(drawing.plane.x) + number(drawing.plane.y) + number(crop.x) +
                      number(crop.y) + number(crop.width) + number(crop.height) +
                      number(drawing.turn.quarterTurns) + number(drawing.turn.mirrored) +
                      number(drawing.canvas.x) + number(drawing.canvas.y) + number(transparent);
    if (!drawing.captions.empty()) key += "captions on " + number(drawing.captionCanvas.x) + number(drawing.captionCanvas.y);
    for (const auto& caption : drawing.captions) key += std::to_string(caption->Serial()) + " ";
    return PictureRecipe{std::move(key), [drawing, transparent](const wxImage& decoded) {
                             return DrawForDisplay(decoded, drawing, transparent);
                         }};
}
