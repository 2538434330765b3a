// Placing frames on the canvas and reducing them to a palette, as the export
// does off the main thread.
#include "support/gif_decode.h"
#include "support/test_support.h"

#include "gif/palette_remap.h"
#include "gif/render.h"
#include "support/psnr.h"
#include "window/gif_gifhandler.h"

#include <wx/mstream.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <thread>

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

std::set<std::uint32_t> Colours(const wxImage& image) {
    std::set<std::uint32_t> colours;
    const unsigned char* p = image.GetData();
    for (int i = 0; i < image.GetWidth() * image.GetHeight(); ++i, p += 3)
        colours.insert((p[0] << 16) | (p[1] << 8) | p[2]);
    return colours;
}

std::set<std::uint32_t> PaletteColours(const wxImage& image) {
    std::set<std::uint32_t> colours;
    const wxPalette& palette = image.GetPalette();
    for (int i = 0; i < palette.GetColoursCount(); ++i) {
        unsigned char r, g, b;
        EXPECT_TRUE(palette.GetRGB(i, &r, &g, &b));
        colours.insert((r << 16) | (g << 8) | b);
    }
    return colours;
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
        const wxImage placed = p.scaled ? picture.Scale(p.width, p.height, wxIMAGE_QUALITY_NORMAL) : picture;
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
        wxImage expected = picture.Scale(50, 50, wxIMAGE_QUALITY_NORMAL);
        expected.Replace(250, 0, 250, 0, 0, 0);
        expected.SetMask(false);
        ExpectPlaced(canvas, expected, 0, 0);
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
    EXPECT_FALSE(ReduceToPalette(wxImage()).IsOk());
}

TEST(PaletteReduction, FewColoursAreKeptExactly) {
    for (int count : {1, 9, 256}) {
        SCOPED_TRACE(count);
        wxImage flat(64, 32, false);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                const int k = (y * 64 + x) % count;
                flat.SetRGB(x, y, k, 255 - k, (k * 37) & 0xFF);
            }
        const wxImage reduced = ReduceToPalette(flat);
        ASSERT_TRUE(reduced.IsOk());
        ASSERT_TRUE(reduced.HasPalette());
        EXPECT_EQ(reduced.GetPalette().GetColoursCount(), count);
        EXPECT_EQ(PaletteColours(reduced), Colours(flat));
        EXPECT_EQ(lwtest::Psnr(reduced, flat), 99);
        EXPECT_FALSE(reduced.HasMask());
        EXPECT_FALSE(reduced.HasAlpha());
        EXPECT_FALSE(reduced.HasOption(wxIMAGE_OPTION_GIF_COMMENT));
        EXPECT_FALSE(flat.HasPalette()) << "the input stays as it was";
    }
}

TEST(PaletteReduction, ManyColoursAreQuantisedToAtMost256) {
    // 257 colours: just over; a photo-like frame: thousands.
    wxImage justOver(257, 4, false);
    for (int x = 0; x < 257; ++x)
        for (int y = 0; y < 4; ++y) justOver.SetRGB(x, y, x & 0xFF, x >> 8, 7);
    const wxImage photo = PhotoLike(320, 240, 1);
    ASSERT_GT(Colours(photo).size(), 5000u);

    for (const wxImage* source : {static_cast<const wxImage*>(&justOver), &photo}) {
        const wxImage reduced = ReduceToPalette(*source);
        ASSERT_TRUE(reduced.IsOk());
        ASSERT_TRUE(reduced.HasPalette());
        EXPECT_EQ(reduced.GetWidth(), source->GetWidth());
        EXPECT_EQ(reduced.GetHeight(), source->GetHeight());
        EXPECT_LE(reduced.GetPalette().GetColoursCount(), 256);
        const auto used = Colours(reduced);
        EXPECT_LE(used.size(), 256u);
        const auto palette = PaletteColours(reduced);
        for (std::uint32_t c : used) EXPECT_TRUE(palette.count(c)) << std::hex << c;
        EXPECT_GT(lwtest::Psnr(reduced, *source), 30.0);
    }
}

// The palette of a large frame is chosen from a sample of its pixels; thin
// lines of a colour found nowhere else still get a colour near their own.
TEST(PaletteReduction, ThinLinesKeepTheirColourInLargeFrames) {
    std::mt19937 random(4);
    wxImage image(640, 480, false);
    unsigned char* p = image.GetData();
    for (int i = 0; i < 640 * 480 * 3; ++i) p[i] = static_cast<unsigned char>(100 + random() % 60);
    for (int y = 0; y < 480; ++y) image.SetRGB(301, y, 230, 20, 20);   // odd column
    for (int x = 0; x < 640; ++x) image.SetRGB(x, 211, 20, 200, 40);   // odd row
    const wxImage reduced = ReduceToPalette(image);
    ASSERT_TRUE(reduced.IsOk());
    ASSERT_LE(reduced.GetPalette().GetColoursCount(), 256);
    for (int y : {0, 100, 479}) {
        EXPECT_NEAR(reduced.GetRed(301, y), 230, 40) << y;
        EXPECT_LT(reduced.GetGreen(301, y), 80) << y;
    }
    for (int x : {0, 300, 639}) {
        EXPECT_NEAR(reduced.GetGreen(x, 211), 200, 40) << x;
        EXPECT_LT(reduced.GetRed(x, 211), 80) << x;
    }
}

// Render, reduce and write on a thread of its own, as the export does, then
// decode the file: every frame's pixels are those of its reduced image.
TEST(PaletteReduction, FramesRenderedOffTheMainThreadAreWrittenExactly) {
    const std::vector<wxImage> pictures = {PhotoLike(160, 120, 2), Gradient(50, 90), PhotoLike(300, 100, 3)};
    std::vector<wxImage> reduced;
    wxMemoryOutputStream out;
    std::vector<bool> results;
    std::thread worker([&] {
        SetGifOutputStream(&out);
        for (size_t i = 0; i < pictures.size(); ++i) {
            reduced.push_back(ReduceToPalette(RenderFrameForExport(pictures[i], 160, 120)));
            MyGifHandler handler;
            results.push_back(MyGifHandler::SaveAnimationFrame(reduced.back(), handler, 100,
                                                               int(pictures.size()), int(i)));
        }
        SetGifOutputStream(nullptr);
    });
    worker.join();
    EXPECT_EQ(results, std::vector<bool>(3, true));

    std::string bytes(out.GetSize(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    const lwtest::DecodedGif gif = lwtest::DecodeGif(bytes);
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const unsigned char* p = reduced[i].GetData();
        size_t wrong = 0;
        for (const auto& c : gif.frames[i].pixels) {
            if (!(c == lwtest::GifColour{p[0], p[1], p[2]})) ++wrong;
            p += 3;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

}  // namespace

// Without dithering every opaque pixel takes its nearest opaque entry (checked
// against a search of the whole table) and never the transparent one; pixels of
// alpha 0 take the transparent entry. With full dithering a flat colour between
// two entries is rendered as a mix of them whose mean is that colour; lighter
// dithering still mixes them.
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
}

// A frame of many colours with a few transparent pixels, none of which the
// palette's sample takes: they still get the transparent entry.
TEST(PaletteReduction, FewTransparentPixelsKeepTheirEntry) {
    const wxImage photo = PhotoLike(640, 480, 7);
    std::vector<unsigned char> rgba(size_t(640) * 480 * 4);
    for (size_t i = 0; i < size_t(640) * 480; ++i) {
        std::copy_n(photo.GetData() + 3 * i, 3, &rgba[4 * i]);
        rgba[4 * i + 3] = 255;
    }
    const std::vector<std::pair<int, int>> holes = {{1, 1}, {2, 1}, {1, 2}, {401, 301}};
    for (const auto& [x, y] : holes) rgba[4 * (size_t(y) * 640 + x) + 3] = 0;
    GifFramePalette palette;
    std::vector<unsigned char> indices;
    ASSERT_TRUE(QuantizeRgba(rgba.data(), 640, 480, QuantizeSettings(), palette, indices));
    ASSERT_GE(palette.maskIndex, 0);
    for (const auto& [x, y] : holes) EXPECT_EQ(indices[size_t(y) * 640 + x], palette.maskIndex);
    EXPECT_NE(indices[0], palette.maskIndex);
}
