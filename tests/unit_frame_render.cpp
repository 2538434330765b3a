// Placing frames on the canvas and reducing them to a palette, as the export
// does off the main thread.
#include "support/test_support.h"

#include "gif/palette_remap.h"
#include "gif/render.h"
#include "gif/resample.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

// Distinct colours everywhere, so that a misplaced pixel shows.
wxImage Gradient(int w, int h) {
    wxImage image(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetRGB(x, y, (x * 5 + 1) & 0xFF, (y * 7 + 2) & 0xFF, ((x + y) * 3 + 3) & 0xFF);
    return image;
}

// Gradients with noise: many colours, like a photograph.
wxImage PhotoLike(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 6);
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3) {
            const double base[3] = {255.0 * x / w, 255.0 * y / h, 128 + 100 * std::sin((x + y + seed) / 40.0)};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(base[c] + noise(random), 0.0, 255.0));
        }
    return image;
}

// The image's pixels as the quantiser takes them: RGBA, all opaque.
std::vector<unsigned char> OpaqueRgba(const wxImage& image) {
    const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
    std::vector<unsigned char> rgba(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        std::copy_n(image.GetData() + 3 * i, 3, &rgba[4 * i]);
        rgba[4 * i + 3] = 255;
    }
    return rgba;
}

// Every pixel of the canvas is the picture's pixel where the picture lies and
// black elsewhere.
void ExpectPlaced(const wxImage& canvas, const wxImage& picture, int left, int top) {
    size_t wrong = 0;
    for (int y = 0; y < canvas.GetHeight(); ++y)
        for (int x = 0; x < canvas.GetWidth(); ++x) {
            const int px = x - left, py = y - top;
            const bool inside = px >= 0 && py >= 0 && px < picture.GetWidth() && py < picture.GetHeight();
            const unsigned char expected[3] = {
                inside ? picture.GetRed(px, py) : (unsigned char)0,
                inside ? picture.GetGreen(px, py) : (unsigned char)0,
                inside ? picture.GetBlue(px, py) : (unsigned char)0};
            if (canvas.GetRed(x, y) != expected[0] || canvas.GetGreen(x, y) != expected[1] ||
                canvas.GetBlue(x, y) != expected[2])
                ++wrong;
        }
    EXPECT_EQ(wrong, 0u);
}

// Every pixel within tolerance of expected's (the blend's rounding).
void ExpectNear(const wxImage& canvas, const wxImage& expected, int tolerance) {
    ASSERT_EQ(canvas.GetSize(), expected.GetSize());
    int largest = 0;
    const size_t n = size_t(canvas.GetWidth()) * canvas.GetHeight() * 3;
    for (size_t i = 0; i < n; ++i) largest = std::max(largest, std::abs(canvas.GetData()[i] - expected.GetData()[i]));
    EXPECT_LE(largest, tolerance);
}

struct PlacementCase {
    int bw, bh, w, h;
    FramePlacement expected;
};

TEST(FrameRender, PlacementShrinksToFitAndCentres) {
    const std::vector<PlacementCase> cases = {
        {100, 50, 200, 200, {100, 50, 50, 75, false}},    // never enlarged
        {400, 200, 200, 200, {200, 100, 0, 50, true}},    // black bars above and below
        {400, 400, 200, 200, {200, 200, 0, 0, true}},     // covers the canvas
        {201, 100, 200, 100, {200, 99, 0, 0, true}},      // truncated: one black row
        {99, 40, 200, 100, {99, 40, 50, 30, false}},      // 101 / 2 truncated
        {200, 100, 200, 100, {200, 100, 0, 0, false}},    // exactly the canvas
        {300, 50, 100, 100, {100, 16, 0, 42, true}},      // only the width too large
        {1000, 1, 10, 10, {10, 1, 0, 4, true}},           // a line keeps one pixel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bw << "x" << c.bh << " on " << c.w << "x" << c.h);
        const FramePlacement p = PlaceOnCanvas(c.bw, c.bh, c.w, c.h);
        EXPECT_EQ(p.width, c.expected.width);
        EXPECT_EQ(p.height, c.expected.height);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
        EXPECT_EQ(p.scaled, c.expected.scaled);
    }
}

TEST(FrameRender, PicturesAreDrawnAtTheirPlaceOnBlack) {
    const std::vector<PlacementCase> cases = {
        {100, 50, 200, 200, {}}, {400, 200, 200, 200, {}}, {400, 400, 200, 200, {}},
        {201, 100, 200, 100, {}}, {99, 40, 200, 100, {}}, {300, 50, 100, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bw << "x" << c.bh << " on " << c.w << "x" << c.h);
        const wxImage picture = Gradient(c.bw, c.bh);
        const wxImage canvas = RenderFrameForExport(picture, c.w, c.h);
        ASSERT_TRUE(canvas.IsOk());
        EXPECT_EQ(canvas.GetWidth(), c.w);
        EXPECT_EQ(canvas.GetHeight(), c.h);
        EXPECT_FALSE(canvas.HasAlpha());
        EXPECT_FALSE(canvas.HasMask());
        const FramePlacement p = PlaceOnCanvas(c.bw, c.bh, c.w, c.h);
        const wxImage placed = p.scaled ? ResamplePicture(picture, p.width, p.height) : picture;
        ExpectPlaced(canvas, placed, p.x, p.y);
    }
    // 201 x 100 on 200 x 100: the last row is black.
    const wxImage canvas = RenderFrameForExport(Gradient(201, 100), 200, 100);
    for (int x = 0; x < 200; ++x) ASSERT_EQ(canvas.GetRed(x, 99) | canvas.GetGreen(x, 99) | canvas.GetBlue(x, 99), 0);
}

TEST(FrameRender, MaskedPixelsAreBlackAndAlphaIsBlendedOverBlack) {
    // Masked, drawn unscaled and scaled to cover the whole canvas.
    for (int size : {50, 100}) {
        SCOPED_TRACE(size);
        wxImage picture = Gradient(size, size);
        for (int i = 0; i < size; ++i) picture.SetRGB(i, i, 250, 0, 250);
        picture.SetMaskColour(250, 0, 250);
        const wxImage canvas = RenderFrameForExport(picture, 50, 50);
        // Shrinking resamples the mask as transparency, then blends over black.
        wxImage expected = size == 50 ? picture.Copy() : ResamplePicture(picture, 50, 50);
        if (expected.HasMask()) {
            expected.Replace(250, 0, 250, 0, 0, 0);
            expected.SetMask(false);
        }
        if (expected.HasAlpha()) {
            for (int y = 0; y < 50; ++y)
                for (int x = 0; x < 50; ++x) {
                    const unsigned a = expected.GetAlpha(x, y);
                    const auto over = [a](unsigned c) { return (unsigned char)((c * a + 127) / 255); };
                    expected.SetRGB(x, y, over(expected.GetRed(x, y)), over(expected.GetGreen(x, y)),
                                    over(expected.GetBlue(x, y)));
                }
            expected.ClearAlpha();
        }
        ExpectNear(canvas, expected, 1);
        EXPECT_FALSE(canvas.HasMask());
    }

    wxImage picture(3, 1, false);
    picture.SetRGB(0, 0, 200, 100, 255);
    picture.SetRGB(1, 0, 200, 100, 255);
    picture.SetRGB(2, 0, 200, 100, 255);
    picture.SetAlpha();
    picture.SetAlpha(0, 0, 0);
    picture.SetAlpha(1, 0, 128);
    picture.SetAlpha(2, 0, 255);
    const wxImage canvas = RenderFrameForExport(picture, 3, 1);
    EXPECT_FALSE(canvas.HasAlpha());
    EXPECT_EQ(canvas.GetRed(0, 0) | canvas.GetGreen(0, 0) | canvas.GetBlue(0, 0), 0);
    EXPECT_EQ(canvas.GetRed(1, 0), 100);   // 200 * 128 / 255, rounded
    EXPECT_EQ(canvas.GetGreen(1, 0), 50);
    EXPECT_EQ(canvas.GetBlue(1, 0), 128);
    EXPECT_EQ(canvas.GetRed(2, 0), 200);
    EXPECT_EQ(canvas.GetBlue(2, 0), 255);
}

TEST(FrameRender, InvalidInputGivesAnInvalidImage) {
    EXPECT_FALSE(RenderFrameForExport(wxImage(), 10, 10).IsOk());
    EXPECT_FALSE(RenderFrameForExport(Gradient(5, 5), 0, 10).IsOk());
}

// The palette of a large frame is chosen from its colours counted in
// buckets, coarser ones where they fill colour space; thin lines of a colour
// found nowhere else still get a colour near their own.
TEST(PaletteReduction, ThinLinesKeepTheirColourInLargeFrames) {
    for (const int spread : {60, 256}) {
        std::mt19937 random(4);
        wxImage image(640, 480, false);
        unsigned char* p = image.GetData();
        for (int i = 0; i < 640 * 480 * 3; ++i)
            p[i] = static_cast<unsigned char>(spread == 256 ? random() % 256 : 100 + random() % 60);
        for (int y = 0; y < 480; ++y) image.SetRGB(301, y, 230, 20, 20);   // odd column
        for (int x = 0; x < 640; ++x) image.SetRGB(x, 211, 20, 200, 40);   // odd row
        const std::vector<unsigned char> rgba = OpaqueRgba(image);
        GifFramePalette palette;
        std::vector<unsigned char> indices;
        ASSERT_TRUE(QuantizeRgba(rgba.data(), 640, 480, QuantizeSettings(), palette, indices));
        ASSERT_LE(palette.count, 256);
        auto at = [&](int x, int y) { return palette.colours[indices[size_t(y) * 640 + x]]; };
        for (int y : {0, 100, 479}) {
            EXPECT_NEAR(at(301, y).red, 230, 40) << y;
            EXPECT_LT(at(301, y).green, 80) << y;
        }
        for (int x : {0, 300, 639}) {
            EXPECT_NEAR(at(x, 211).green, 200, 40) << x;
            EXPECT_LT(at(x, 211).red, 80) << x;
        }
    }
}

// A video frame (ffmpeg's fractal zoom): the palette is refined towards the
// colours it stands for (undithered: 39.15 dB, where libimagequant's palette
// alone gave 38.77).
TEST(PaletteReduction, VideoFramesGetARefinedPalette) {
    const std::string path = lwtest::MakeTempDir("video") + "/frame.png";
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "mandelbrot=size=320x240",
                                  "-vf", "select=eq(n\\,30)", "-frames:v", "1", path}).exitCode, 0);
    const std::vector<unsigned char> rgba = OpaqueRgba(wxImage(path, wxBITMAP_TYPE_PNG));
    ASSERT_EQ(rgba.size(), 4u * 320 * 240);
    QuantizeSettings settings;
    settings.dithering = 0;
    GifFramePalette palette;
    std::vector<unsigned char> indices;
    ASSERT_TRUE(QuantizeRgba(rgba.data(), 320, 240, settings, palette, indices));
    double squared = 0;
    for (size_t i = 0; i < indices.size(); ++i) {
        const GifRgb& c = palette.colours[indices[i]];
        squared += std::pow(c.red - rgba[4 * i], 2) + std::pow(c.green - rgba[4 * i + 1], 2) + std::pow(c.blue - rgba[4 * i + 2], 2);
    }
    EXPECT_GT(10 * std::log10(255.0 * 255.0 * 3 * double(indices.size()) / squared), 39.0);
}

// A frame so large that one bucket's sum of a channel passes 32 bits (17
// million white pixels) still gets its colour.
TEST(PaletteReduction, AHugeFlatFrameKeepsItsColour) {
    const int width = 4096, height = 4200;
    std::vector<unsigned char> rgba(4 * size_t(width) * height, 255);
    GifFramePalette palette;
    std::vector<unsigned char> indices;
    ASSERT_TRUE(QuantizeRgba(rgba.data(), width, height, QuantizeSettings(), palette, indices));
    const GifRgb& white = palette.colours[indices[0]];
    EXPECT_EQ(white.red + white.green + white.blue, 3 * 255);
}

}  // namespace

// Without dithering every opaque pixel takes its nearest opaque entry (checked
// against a search of the whole table) and never the transparent one; pixels of
// alpha 0 take the transparent entry. With full dithering a flat colour between
// two entries is rendered as a mix of them whose mean is that colour; lighter
// dithering still mixes them; texture is left undithered.
TEST(PaletteReduction, RemappingFindsTheNearestEntryAndDithersToTheMean) {
    std::mt19937 random(9);
    for (int round = 0; round < 20; ++round) {
        GifFramePalette palette;
        palette.count = 1 + int(random() % 256);
        for (int i = 0; i < palette.count; ++i)
            palette.colours[size_t(i)] = GifRgb{static_cast<unsigned char>(random()),
                                                static_cast<unsigned char>(random()),
                                                static_cast<unsigned char>(random())};
        palette.maskIndex = palette.count > 1 ? int(random() % unsigned(palette.count)) : -1;
        const int width = 97, height = 31;
        std::vector<unsigned char> rgba(4 * width * height);
        for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<unsigned char>(random());
        for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = palette.maskIndex >= 0 && random() % 5 == 0 ? 0 : 255;
        std::vector<unsigned char> indices(width * height);
        RemapToPalette(rgba.data(), width, height, palette, 0, indices.data());
        for (int p = 0; p < width * height; ++p) {
            const unsigned char* px = &rgba[4 * size_t(p)];
            if (px[3] == 0) {
                EXPECT_EQ(indices[size_t(p)], palette.maskIndex);
                continue;
            }
            auto distance = [&](int i) {
                const GifRgb& c = palette.colours[size_t(i)];
                return (px[0] - c.red) * (px[0] - c.red) + (px[1] - c.green) * (px[1] - c.green) +
                       (px[2] - c.blue) * (px[2] - c.blue);
            };
            int best = INT32_MAX;
            for (int i = 0; i < palette.count; ++i)
                if (i != palette.maskIndex) best = std::min(best, distance(i));
            ASSERT_NE(indices[size_t(p)], palette.maskIndex) << round;
            ASSERT_EQ(distance(indices[size_t(p)]), best) << round << " pixel " << p;
        }
    }

    GifFramePalette greys;
    greys.count = 2;
    greys.colours[0] = GifRgb{90, 90, 90};
    greys.colours[1] = GifRgb{110, 110, 110};
    const int side = 64;
    const std::vector<unsigned char> flat = [&] {
        std::vector<unsigned char> pixels(4 * side * side, 104);
        for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
        return pixels;
    }();
    std::vector<unsigned char> indices(side * side);
    auto mean = [&](float dithering) {
        RemapToPalette(flat.data(), side, side, greys, dithering, indices.data());
        double sum = 0;
        for (unsigned char i : indices) sum += greys.colours[i].red;
        return sum / double(indices.size());
    };
    EXPECT_NEAR(mean(1.0f), 104, 1.0);
    const double light = mean(0.5f);
    EXPECT_GT(light, 100);
    EXPECT_LT(light, 109);
    RemapToPalette(flat.data(), side, side, greys, 0, indices.data());
    EXPECT_EQ(std::count(indices.begin(), indices.end(), 1), side * side);

    // Fine texture (neighbours 20 levels apart) is not dithered even at full
    // strength: every pixel takes its nearest entry.
    greys.count = 3;
    greys.colours[2] = GifRgb{130, 130, 130};
    std::vector<unsigned char> stripes = flat;
    for (size_t p = 1; p < size_t(side * side); p += 2)
        for (int c = 0; c < 3; ++c) stripes[4 * p + size_t(c)] = 124;
    RemapToPalette(stripes.data(), side, side, greys, 1.0f, indices.data());
    for (size_t p = 0; p < indices.size(); ++p) ASSERT_EQ(indices[p], p % 2 ? 2 : 1) << p;
}

// A frame of many colours with a few transparent pixels, none of which the
// palette's sample takes: they still get the transparent entry.
TEST(PaletteReduction, FewTransparentPixelsKeepTheirEntry) {
    std::vector<unsigned char> rgba = OpaqueRgba(PhotoLike(640, 480, 7));
    const std::vector<std::pair<int, int>> holes = {{1, 1}, {2, 1}, {1, 2}, {401, 301}};
    for (const auto& [x, y] : holes) rgba[4 * (size_t(y) * 640 + x) + 3] = 0;
    GifFramePalette palette;
    std::vector<unsigned char> indices;
    ASSERT_TRUE(QuantizeRgba(rgba.data(), 640, 480, QuantizeSettings(), palette, indices));
    ASSERT_GE(palette.maskIndex, 0);
    for (const auto& [x, y] : holes) EXPECT_EQ(indices[size_t(y) * 640 + x], palette.maskIndex);
    EXPECT_NE(indices[0], palette.maskIndex);
}

// A frame quantised again with the first frame's effort comes back as it did
// the first time, and a frame that differs from it in a few pixels gets a
// palette of its own, not the earlier frame's.
TEST(PaletteReduction, AFrameQuantisedAgainComesBackTheSameAndOnlyIt) {
    QuantizeSettings effort;
    effort.speed = 3;
    const std::vector<unsigned char> first = OpaqueRgba(PhotoLike(320, 240, 11));
    std::vector<unsigned char> other = first;
    for (int y = 100; y < 110; ++y)
        for (int x = 100; x < 110; ++x) std::memcpy(&other[4 * (size_t(y) * 320 + x)], "\xff\x00\x00", 3);
    GifFramePalette palettes[3];
    std::vector<unsigned char> indices[3];
    ASSERT_TRUE(QuantizeRgba(first.data(), 320, 240, effort, palettes[0], indices[0]));
    ASSERT_TRUE(QuantizeRgba(other.data(), 320, 240, effort, palettes[1], indices[1]));
    ASSERT_TRUE(QuantizeRgba(first.data(), 320, 240, effort, palettes[2], indices[2]));
    EXPECT_EQ(indices[2], indices[0]);
    ASSERT_EQ(palettes[2].count, palettes[0].count);
    EXPECT_EQ(palettes[2].maskIndex, palettes[0].maskIndex);
    EXPECT_EQ(std::memcmp(palettes[2].colours.data(), palettes[0].colours.data(), 3 * size_t(palettes[0].count)), 0);
    const GifRgb& red = palettes[1].colours[indices[1][105 * 320 + 105]];
    EXPECT_GT(red.red, 200);
    EXPECT_LT(red.green + red.blue, 60);
}

namespace {

// Crop, turn and mirror without resizing move pixels exactly as the
// toolkit's own image operations do; a picture smaller than the plane is
// centred on it first.
TEST(FrameDrawings, CropTurnAndMirrorMovePixelsExactly) {
    const wxImage picture = Gradient(40, 30);
    FrameDrawing drawing;
    drawing.plane = wxSize(40, 30);
    drawing.crop = wxRect(5, 4, 20, 10);
    drawing.turn = FrameTurn{1, true};
    drawing.canvas = wxSize(10, 20);
    const wxImage expected = picture.GetSubImage(drawing.crop).Rotate90(true).Mirror(true);
    ExpectPlaced(DrawFrame(picture, drawing), expected, 0, 0);

    drawing.plane = wxSize(60, 30);  // the picture lies at x 10 on it
    drawing.crop = wxRect(0, 0, 30, 30);
    drawing.turn = FrameTurn{2, false};
    drawing.canvas = wxSize(30, 30);
    const RenderedFrame holes = DrawFrameWithHoles(picture, drawing);
    ExpectPlaced(holes.canvas, picture.GetSubImage(wxRect(0, 0, 20, 30)).Rotate180(), 0, 0);
    EXPECT_EQ(holes.holes[0], 0);   // the picture, turned to the left-hand side
    EXPECT_EQ(holes.holes[29], 1);  // the plane it did not cover
}

TEST(FrameDrawings, TheRegionFillsACanvasOfItsAspectAndIsCentredOnAnother) {
    EXPECT_EQ(FitOnCanvas(wxSize(1920, 1080), wxSize(480, 270)), wxRect(0, 0, 480, 270));
    EXPECT_EQ(FitOnCanvas(wxSize(1000, 333), wxSize(500, 166)), wxRect(0, 0, 500, 166));  // rounded canvas
    EXPECT_EQ(FitOnCanvas(wxSize(100, 100), wxSize(200, 100)), wxRect(50, 0, 100, 100));
    EXPECT_EQ(FitOnCanvas(wxSize(10, 20), wxSize(40, 40)), wxRect(10, 0, 20, 40));  // enlarged
}

}  // namespace

namespace {

// Where two pictures of one size differ; empty when nowhere.
wxRect Differing(const wxImage& a, const wxImage& b) {
    wxRect box;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (std::memcmp(a.GetData() + (y * a.GetWidth() + x) * 3, b.GetData() + (y * a.GetWidth() + x) * 3, 3))
                box = box.IsEmpty() ? wxRect(x, y, 1, 1) : box.Union(wxRect(x, y, 1, 1));
    return box;
}

// A caption is laid out on the canvas: drawn smaller for the strip or the
// preview it covers the same part of the frame, and over holes it is opaque.
TEST(FrameDrawings, CaptionsCoverTheSamePartOfTheFrameAtAnySize) {
    wxImage picture(320, 240);
    picture.SetRGB(wxRect(0, 0, 320, 240), 20, 40, 200);
    FrameDrawing drawing;
    drawing.plane = drawing.canvas = wxSize(320, 240);
    const wxImage plain = DrawFrame(picture, drawing);
    drawing.captions.push_back(std::make_shared<const Caption>(PlainCaption("Hello", CaptionAnchor::Bottom, 240)));
    const wxRect box = CaptionBox(*drawing.captions[0], drawing.canvas);
    const wxRect full = Differing(plain, DrawFrame(picture, drawing));
    EXPECT_TRUE(box.Contains(full)) << box.x << "," << box.y << " " << full.x << "," << full.y;
    EXPECT_GT(full.width, box.width / 2);

    drawing.captionCanvas = drawing.canvas;
    drawing.canvas = wxSize(160, 120);
    const wxRect half = Differing(DrawFrame(picture, {drawing.plane, {}, {}, drawing.canvas, {}, {}}),
                                  DrawFrame(picture, drawing));
    EXPECT_NEAR(half.x, full.x / 2, 2);
    EXPECT_NEAR(half.GetBottom(), full.GetBottom() / 2, 2);
    EXPECT_NEAR(half.width, full.width / 2, 3);

    // Over a hole (a transparent background) the caption's pixels are kept.
    picture.SetAlpha();
    std::fill_n(picture.GetAlpha(), 320 * 240, 0);
    drawing.canvas = drawing.captionCanvas;
    const RenderedFrame holes = DrawFrameWithHoles(picture, drawing);
    size_t opaque = 0;
    for (unsigned char hole : holes.holes) opaque += hole == 0;
    EXPECT_GT(opaque, size_t(full.width));
    EXPECT_LT(opaque, size_t(box.width) * size_t(box.height));
}

}  // namespace
