// The export places frames with image operations off the main thread; here
// the same placement is drawn through a memory DC on the main thread, the way
// the toolkit draws it on screen, and the pixels are compared.
#include "support/test_support.h"

#include "gif/render.h"
#include "gif/resample.h"

#include <wx/dcmemory.h>

#include <cstdlib>

namespace {

// Avoids the colour (1, 2, 3): a bitmap with a mask uses it as its mask colour
// when converted back to an image and changes opaque pixels of that colour.
wxImage Gradient(int w, int h) {
    wxImage image(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetRGB(x, y, (x * 5 + 1) & 0xFF, (y * 7 + 2) & 0xFF, ((x + y) * 3 + 4) & 0xFF);
    return image;
}

// Black canvas, picture drawn at the centre with its mask, back to an image.
wxImage DrawCentredOnBlack(const wxImage& picture, int w, int h) {
    wxBitmap canvas(w, h);
    {
        wxMemoryDC dc(canvas);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        const wxBitmap bitmap(picture);
        dc.DrawBitmap(bitmap, (w - bitmap.GetWidth()) / 2, (h - bitmap.GetHeight()) / 2, true);
    }
    wxImage image = canvas.ConvertToImage();
    image.Rescale(w, h, wxIMAGE_QUALITY_NORMAL);
    return image;
}

// The placement as drawn: shrink with the factor of the smaller ratio, then
// draw on black unless the shrunk picture covers the canvas.
wxImage DrawnPlacement(const wxImage& source, int w, int h) {
    wxImage picture = wxBitmap(source).ConvertToImage();
    const double sx = double(w) / picture.GetWidth();
    const double sy = double(h) / picture.GetHeight();
    if (sx < 1 || sy < 1) {
        const double f = std::min(sx, sy);
        const int nw = static_cast<int>(picture.GetWidth() * f);
        const int nh = static_cast<int>(picture.GetHeight() * f);
        // Shrunk with the program's resize, the one thing not drawn here.
        picture = ResamplePicture(picture, nw, nh);
        if (w > nw || h > nh) return DrawCentredOnBlack(picture, w, h);
        return picture;
    }
    return DrawCentredOnBlack(picture, w, h);
}

int LargestDifference(const wxImage& a, const wxImage& b) {
    EXPECT_EQ(a.GetSize(), b.GetSize());
    if (a.GetSize() != b.GetSize()) return 256;
    int largest = 0;
    const size_t n = size_t(a.GetWidth()) * a.GetHeight() * 3;
    for (size_t i = 0; i < n; ++i) largest = std::max(largest, std::abs(a.GetData()[i] - b.GetData()[i]));
    return largest;
}

struct Case {
    int bw, bh, w, h;
};

const Case kCases[] = {
    {100, 50, 200, 200}, {400, 200, 200, 200}, {400, 400, 200, 200},
    {201, 100, 200, 100}, {99, 40, 200, 100}, {300, 50, 100, 100},
};

TEST(FrameRenderMatchesDrawing, OpaquePictures) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.bw << "x" << c.bh << " on " << c.w << "x" << c.h);
        const wxImage picture = Gradient(c.bw, c.bh);
        EXPECT_EQ(LargestDifference(RenderFrameForExport(picture, c.w, c.h), DrawnPlacement(picture, c.w, c.h)), 0);
    }
}

TEST(FrameRenderMatchesDrawing, MaskedPictures) {
    for (const Case& c : kCases) {
        const FramePlacement p = PlaceOnCanvas(c.bw, c.bh, c.w, c.h);
        // A shrunk picture that covers the canvas is not drawn at all, so its
        // mask colour would stay; the export shows masked parts black always.
        if (p.scaled && p.width == c.w && p.height == c.h) continue;
        SCOPED_TRACE(testing::Message() << c.bw << "x" << c.bh << " on " << c.w << "x" << c.h);
        wxImage picture = Gradient(c.bw, c.bh);
        for (int x = 0; x < c.bw; ++x) picture.SetRGB(x, x % c.bh, 250, 0, 250);
        picture.SetMaskColour(250, 0, 250);
        // A shrunk mask is transparency, blended with the drawing's rounding.
        EXPECT_LE(LargestDifference(RenderFrameForExport(picture, c.w, c.h), DrawnPlacement(picture, c.w, c.h)),
                  p.scaled ? 1 : 0);
    }
}

TEST(FrameRenderMatchesDrawing, PartlyTransparentPictures) {
    for (const Case& c : kCases) {
        const FramePlacement p = PlaceOnCanvas(c.bw, c.bh, c.w, c.h);
        if (p.scaled && p.width == c.w && p.height == c.h) continue;
        SCOPED_TRACE(testing::Message() << c.bw << "x" << c.bh << " on " << c.w << "x" << c.h);
        wxImage picture = Gradient(c.bw, c.bh);
        picture.SetAlpha();
        for (int y = 0; y < c.bh; ++y)
            for (int x = 0; x < c.bw; ++x) picture.SetAlpha(x, y, (x * 11 + y * 3) & 0xFF);
        // Rounding of the blend may differ by one.
        EXPECT_LE(LargestDifference(RenderFrameForExport(picture, c.w, c.h), DrawnPlacement(picture, c.w, c.h)), 1);
    }
}

}  // namespace
