// Measures the export's per-frame work: placing each frame on the canvas,
// reducing it to a palette and writing it as a GIF frame. Prints frames per
// second, file size and mean PSNR of the reduced frames against the sources.
//
// gif_bench [--speed N] [--dither D] [--sample N] [--sweep] [--toolkit] [--out FOLDER]
//   --speed, --dither, --sample  quantiser settings for frames of many colours
//   --sweep            tries every speed from 1 to 10 on the photo-like corpus
//   --toolkit          also measures the toolkit's 8-bit BMP round trip
#include "window/frame_render.h"
#include "window/gif_gifhandler.h"

#include <wx/image.h>
#include <wx/init.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrames = 40;

using Clock = std::chrono::steady_clock;
using Reducer = std::function<wxImage(const wxImage&)>;

// Gradients, a moving wave and sensor-like noise: tens of thousands of colours.
wxImage PhotoLikeFrame(int index) {
    std::mt19937 random(index + 1);
    std::normal_distribution<double> noise(0, 5);
    wxImage image(kWidth, kHeight, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const double wave = 60 * std::sin((x + 8.0 * index) / 45.0) * std::cos(y / 60.0);
            const double base[3] = {40 + 180.0 * x / kWidth + wave, 30 + 190.0 * y / kHeight,
                                    120 + wave + 50 * std::sin((x + y) / 90.0)};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(base[c] + noise(random), 0.0, 255.0));
        }
    return image;
}

// Flat rectangles of a few colours, like a drawing or a screenshot.
wxImage FlatFrame(int index) {
    static const unsigned char colours[9][3] = {
        {255, 255, 255}, {0, 0, 0}, {200, 30, 30}, {30, 160, 60}, {40, 70, 200},
        {240, 200, 40}, {120, 120, 120}, {90, 40, 140}, {20, 180, 200}};
    wxImage image(kWidth, kHeight, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const int k = ((x + 7 * index) / 80 + (y / 60) * 3 + index) % 9;
            std::memcpy(p, colours[k], 3);
        }
    return image;
}

double Psnr(const wxImage& a, const wxImage& b) {
    const size_t n = size_t(a.GetWidth()) * a.GetHeight() * 3;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = double(a.GetData()[i]) - b.GetData()[i];
        sum += d * d;
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / (sum / n));  // 99: lossless
}

// The toolkit's way: an 8-bit BMP written into memory and read back.
wxImage BmpRoundTrip(const wxImage& rendered) {
    wxImage image = rendered.Copy();
    image.SetOption(wxIMAGE_OPTION_BMP_FORMAT, wxBMP_8BPP);
    wxMemoryOutputStream out;
    if (!image.SaveFile(out, wxBITMAP_TYPE_BMP)) return wxImage();
    wxMemoryInputStream in(out);
    return wxImage(in, wxBITMAP_TYPE_BMP);
}

struct Figures {
    double seconds = 0;
    double render = 0, reduce = 0, write = 0;
    long long bytes = 0;
    double psnr = 0;
    int written = 0;
};

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Figures Export(const std::vector<wxImage>& sources, const Reducer& reduce, const std::string& path) {
    Figures figures;
    wxFileOutputStream file(path);
    SetGifOutputStream(&file);
    const Clock::time_point start = Clock::now();
    for (size_t i = 0; i < sources.size(); ++i) {
        Clock::time_point t = Clock::now();
        const wxImage rendered = RenderFrameForExport(sources[i], kWidth, kHeight);
        figures.render += Since(t);
        t = Clock::now();
        const wxImage reduced = reduce(rendered);
        figures.reduce += Since(t);
        t = Clock::now();
        if (reduced.IsOk()) {
            MyGifHandler handler;
            if (MyGifHandler::SaveAnimationFrame(reduced, handler, 100, int(sources.size()), int(i)))
                ++figures.written;
        }
        figures.write += Since(t);
        if (reduced.IsOk()) figures.psnr += Psnr(reduced, sources[i]);
    }
    figures.seconds = Since(start);
    SetGifOutputStream(nullptr);
    figures.bytes = file.GetLength();
    file.Close();
    figures.psnr /= double(sources.size());
    return figures;
}

void Print(const char* label, const std::vector<wxImage>& sources, const Figures& f) {
    const double n = double(sources.size());
    std::printf("%-28s %3d/%zu frames  %7.1f frames/s  %9lld bytes  PSNR %5.2f dB  "
                "(ms/frame: render %.2f, reduce %.2f, write %.2f)\n",
                label, f.written, sources.size(), n / f.seconds, f.bytes, f.psnr,
                1000 * f.render / n, 1000 * f.reduce / n, 1000 * f.write / n);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    QuantizeSettings settings;
    bool sweep = false, toolkit = false;
    std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--speed" && i + 1 < argc) settings.speed = std::atoi(argv[++i]);
        else if (arg == "--dither" && i + 1 < argc) settings.dithering = float(std::atof(argv[++i]));
        else if (arg == "--sample" && i + 1 < argc) settings.sampleStep = std::atoi(argv[++i]);
        else if (arg == "--sweep") sweep = true;
        else if (arg == "--toolkit") toolkit = true;
        else if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--speed N] [--dither D] [--sample N] [--sweep] [--toolkit] [--out FOLDER]\n", argv[0]);
            return 2;
        }
    }

    std::vector<wxImage> photos, flats, mixed;
    for (int i = 0; i < kFrames; ++i) {
        photos.push_back(PhotoLikeFrame(i));
        flats.push_back(FlatFrame(i));
    }
    mixed = photos;
    mixed.insert(mixed.end(), flats.begin(), flats.end());

    // The rendering step traces to standard output; keep the figures readable.
    std::stringstream traces;
    std::streambuf* const console = std::cout.rdbuf(traces.rdbuf());

    std::printf("%d x %d canvas, quantiser speed %d, dithering %.2f, palette from every %d. pixel across and down\n",
                kWidth, kHeight, settings.speed, double(settings.dithering), settings.sampleStep);
    const Reducer chosen = [&](const wxImage& image) { return ReduceToPalette(image, settings); };
    const std::string out = folder + "/gif_bench.gif";
    Print("photo-like", photos, Export(photos, chosen, out));
    Print("flat colours", flats, Export(flats, chosen, out));
    Print("both (one animation)", mixed, Export(mixed, chosen, out));

    if (sweep) {
        for (int s = 1; s <= 10; ++s) {
            QuantizeSettings at = settings;
            at.speed = s;
            const Reducer reduce = [at](const wxImage& image) { return ReduceToPalette(image, at); };
            char label[64];
            std::snprintf(label, sizeof label, "photo-like, speed %d", s);
            Print(label, photos, Export(photos, reduce, out));
        }
    }
    if (toolkit) {
        Print("photo-like, BMP round trip", photos, Export(photos, BmpRoundTrip, out));
        Print("flat colours, BMP round trip", flats, Export(flats, BmpRoundTrip, out));
    }
    std::cout.rdbuf(console);
    std::remove(out.c_str());
    return 0;
}
