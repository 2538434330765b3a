// The picture resize against the libraries that could do it: each candidate
// shrinks generated 1920 x 1080 frames (a zone plate and a photo-like frame
// with sharp lines) to 480 x 270 and 960 x 540, and enlarges 480 x 270 to
// 960 x 540. Prints the PSNR of each result against ImageMagick's
// `convert -resize` of the same source and the median time of one resize.
#include "gif/resample.h"
#include "support/psnr.h"
#include "support/synthetic_pictures.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
#include <pixman.h>
}
#include <stb_image_resize.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Concentric rings whose frequency rises from nothing at the centre to 0.45
// cycles per pixel in the corners, each channel a little out of step.
wxImage ZonePlate(int width, int height) {
    wxImage picture(width, height, false);
    unsigned char* p = picture.GetData();
    const double cx = width / 2.0, cy = height / 2.0, corner = std::hypot(cx, cy);
    const double k = 0.45 * M_PI / corner;  // local frequency k r / pi
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3) {
            const double r2 = (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy);
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::lround(127.5 + 127 * std::cos(k * r2 + c * 0.7)));
        }
    return picture;
}

// Smooth light with sensor noise, then hard-edged boxes, one-pixel lines and
// blocks of text-like strokes over it.
wxImage PhotoWithLines(int width, int height) {
    wxImage picture = lwtest::SyntheticPicture(lwtest::PictureKind::Photo, width, height, 11);
    unsigned char* data = picture.GetData();
    auto put = [&](int x, int y, int r, int g, int b) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        unsigned char* p = data + (size_t(y) * width + x) * 3;
        p[0] = static_cast<unsigned char>(r), p[1] = static_cast<unsigned char>(g), p[2] = static_cast<unsigned char>(b);
    };
    for (int y = 100; y < 400; ++y)
        for (int x = 1200; x < 1700; ++x) put(x, y, 220, 40, 30);
    for (int y = 600; y < 1000; ++y)
        for (int x = 150; x < 900; ++x) {
            const bool stroke = y % 22 < 14 && x % 11 < 7 && ((x / 11) * 7 + (y / 22) * 3) % 9 != 0 &&
                                (x % 11 == 1 || y % 22 == 2 || y % 22 == 12 || (x + y) % 11 == 0);
            if (stroke) put(x, y, 10, 10, 10);
            else put(x, y, 245, 245, 240);
        }
    for (int i = 0; i < 40; ++i) {
        const int x0 = 1000 + i * 20;
        for (int y = 500; y < 1050; ++y) put(x0 + (y - 500) * i / 40, y, 255, 255, 255);
    }
    for (int x = 0; x < width; x += 4) put(x, 50, 0, 0, 0);
    return picture;
}

// -- candidates ---------------------------------------------------------------

wxImage WxScale(const wxImage& source, int width, int height, wxImageResizeQuality quality) {
    return source.Scale(width, height, quality);
}

wxImage PixmanLanczos(const wxImage& source, int width, int height) {
    const int sw = source.GetWidth(), sh = source.GetHeight();
    std::vector<uint32_t> in(size_t(sw) * sh), out(size_t(width) * height);
    const unsigned char* s = source.GetData();
    for (size_t i = 0; i < in.size(); ++i, s += 3) in[i] = 0xff000000u | s[0] << 16 | s[1] << 8 | s[2];
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, sw, sh, in.data(), sw * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, out.data(), width * 4);
    const double sx = double(sw) / width, sy = double(sh) / height;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
    pixman_image_set_transform(src, &transform);
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    int count = 0;
    const bool shrink = sx > 1;
    pixman_fixed_t* params = pixman_filter_create_separable_convolution(
        &count, pixman_double_to_fixed(std::max(sx, 1.0)), pixman_double_to_fixed(std::max(sy, 1.0)),
        shrink ? PIXMAN_KERNEL_IMPULSE : PIXMAN_KERNEL_LANCZOS3, shrink ? PIXMAN_KERNEL_IMPULSE : PIXMAN_KERNEL_LANCZOS3,
        shrink ? PIXMAN_KERNEL_LANCZOS3 : PIXMAN_KERNEL_IMPULSE, shrink ? PIXMAN_KERNEL_LANCZOS3 : PIXMAN_KERNEL_IMPULSE,
        4, 4);
    pixman_image_set_filter(src, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
    free(params);
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, width, height);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    wxImage result(width, height, false);
    unsigned char* d = result.GetData();
    for (uint32_t v : out) *d++ = (v >> 16) & 255, *d++ = (v >> 8) & 255, *d++ = v & 255;
    return result;
}

wxImage Swscale(const wxImage& source, int width, int height, int filter) {
    const int sw = source.GetWidth(), sh = source.GetHeight();
    const int inStride = (sw + 63) / 64 * 64, outStride = (width + 63) / 64 * 64;
    struct Free { void operator()(void* p) const { std::free(p); } };
    std::unique_ptr<uint8_t, Free> in(static_cast<uint8_t*>(std::aligned_alloc(64, size_t(inStride) * sh * 3)));
    std::unique_ptr<uint8_t, Free> out(static_cast<uint8_t*>(std::aligned_alloc(64, size_t(outStride) * height * 3)));
    // GBRP: planes G, B, R.
    uint8_t* inPlanes[3] = {in.get(), in.get() + size_t(inStride) * sh, in.get() + 2 * size_t(inStride) * sh};
    uint8_t* outPlanes[3] = {out.get(), out.get() + size_t(outStride) * height,
                             out.get() + 2 * size_t(outStride) * height};
    const unsigned char* s = source.GetData();
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x, s += 3) {
            const size_t at = size_t(y) * inStride + x;
            inPlanes[2][at] = s[0], inPlanes[0][at] = s[1], inPlanes[1][at] = s[2];
        }
    SwsContext* context = sws_getContext(sw, sh, AV_PIX_FMT_GBRP, width, height, AV_PIX_FMT_GBRP,
                                         filter | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP,
                                         nullptr, nullptr, nullptr);
    const int inStrides[3] = {inStride, inStride, inStride}, outStrides[3] = {outStride, outStride, outStride};
    sws_scale(context, inPlanes, inStrides, 0, sh, outPlanes, outStrides);
    sws_freeContext(context);
    wxImage result(width, height, false);
    unsigned char* d = result.GetData();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * outStride + x;
            *d++ = outPlanes[2][at], *d++ = outPlanes[0][at], *d++ = outPlanes[1][at];
        }
    return result;
}

wxImage Stb(const wxImage& source, int width, int height, stbir_filter filter) {
    wxImage result(width, height, false);
    stbir_resize_uint8_generic(source.GetData(), source.GetWidth(), source.GetHeight(), 0, result.GetData(), width,
                               height, 0, 3, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, filter,
                               STBIR_COLORSPACE_LINEAR, nullptr);
    return result;
}

// -- measuring ----------------------------------------------------------------

struct Candidate {
    const char* name;
    std::function<wxImage(const wxImage&, int, int)> resize;
};

double MedianMs(const std::function<void()>& run, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

wxImage Reference(const std::string& folder, const std::string& name, const wxImage& source, int width,
                  int height) {
    const std::string in = folder + "/" + name + ".png";
    const std::string out = folder + "/" + name + "-" + std::to_string(width) + ".png";
    source.SaveFile(in, wxBITMAP_TYPE_PNG);
    const std::string command = "/usr/bin/convert '" + in + "' -resize " + std::to_string(width) + "x" +
                                std::to_string(height) + "! '" + out + "'";
    if (std::system(command.c_str()) != 0) return wxImage();
    wxImage reference(out, wxBITMAP_TYPE_PNG);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return reference;
}

// A picture half of whose pixels are transparent red: shrunk, the opaque
// green must not turn brown at the edges; and an opaque one must stay
// without alpha.
void CheckAlpha() {
    wxImage picture(64, 64, false);
    picture.SetAlpha();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool opaque = (x / 3 + y / 5) % 2 == 0;
            picture.SetRGB(x, y, opaque ? 0 : 255, opaque ? 200 : 0, 0);
            picture.SetAlpha(x, y, opaque ? 255 : 0);
        }
    int worstRed = 0;
    for (const wxSize size : {wxSize(17, 13), wxSize(150, 90)}) {
        const wxImage result = ResamplePicture(picture, size.x, size.y);
        for (int y = 0; y < size.y; ++y)
            for (int x = 0; x < size.x; ++x)
                if (result.HasAlpha() && result.GetAlpha(x, y) > 0) worstRed = std::max(worstRed, int(result.GetRed(x, y)));
    }
    wxImage masked(32, 32, false);
    masked.SetMaskColour(255, 0, 0);
    const bool opaqueStays = !ResamplePicture(ZonePlate(100, 60), 40, 24).HasAlpha();
    const bool maskBecomesAlpha = ResamplePicture(masked, 16, 16).HasAlpha();
    std::printf("alpha: most red where visible %d (0 = no bleeding); opaque stays opaque: %s; mask to alpha: %s\n",
                worstRed, opaqueStays ? "yes" : "NO", maskBecomesAlpha ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    wxInitAllImageHandlers();
    std::string folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/loopwright-resize";
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: resize_bench [--out DIR] [--runs N]\n");
            return 2;
        }
    }
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    const std::vector<Candidate> candidates = {
        {"wx HIGH", [](const wxImage& s, int w, int h) { return WxScale(s, w, h, wxIMAGE_QUALITY_HIGH); }},
        {"wx BICUBIC", [](const wxImage& s, int w, int h) { return WxScale(s, w, h, wxIMAGE_QUALITY_BICUBIC); }},
        {"pixman Lanczos3", PixmanLanczos},
        {"swscale Lanczos", [](const wxImage& s, int w, int h) { return Swscale(s, w, h, SWS_LANCZOS); }},
        {"swscale area", [](const wxImage& s, int w, int h) { return Swscale(s, w, h, SWS_AREA); }},
        {"stb Catmull-Rom", [](const wxImage& s, int w, int h) { return Stb(s, w, h, STBIR_FILTER_CATMULLROM); }},
        {"stb Mitchell", [](const wxImage& s, int w, int h) { return Stb(s, w, h, STBIR_FILTER_MITCHELL); }},
        {"ResamplePicture", ResamplePicture},
    };
    struct Case {
        std::string name;
        wxImage source;
        int width, height;
    };
    const wxImage zone = ZonePlate(1920, 1080), photo = PhotoWithLines(1920, 1080);
    const std::vector<Case> cases = {
        {"zone", zone, 480, 270},
        {"zone", zone, 960, 540},
        {"photo", photo, 480, 270},
        {"photo", photo, 960, 540},
        {"zone-small", zone.Scale(480, 270, wxIMAGE_QUALITY_HIGH), 960, 540},
        {"photo-small", photo.Scale(480, 270, wxIMAGE_QUALITY_HIGH), 960, 540},
    };
    std::printf("PSNR against ImageMagick convert -resize (dB) / median ms per resize of %d runs\n", runs);
    std::printf("%-17s", "");
    for (const Case& c : cases)
        std::printf(" | %-19s", (c.name + " " + std::to_string(c.source.GetWidth()) + ">" + std::to_string(c.width)).c_str());
    std::printf("\n");
    std::vector<wxImage> references;
    for (const Case& c : cases) {
        references.push_back(Reference(folder, c.name, c.source, c.width, c.height));
        if (!references.back().IsOk()) std::fprintf(stderr, "no reference for %s (is ImageMagick installed?)\n", c.name.c_str());
    }
    for (const Candidate& candidate : candidates) {
        std::printf("%-17s", candidate.name);
        for (size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const wxImage result = candidate.resize(c.source, c.width, c.height);
            const double psnr = references[i].IsOk() ? lwtest::Psnr(result, references[i]) : 0;
            const double ms = MedianMs([&] { candidate.resize(c.source, c.width, c.height); }, runs);
            std::printf(" | %6.2f dB %7.1f ms", psnr, ms);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    CheckAlpha();
    wxFileName::Rmdir(folder);
    return 0;
}
