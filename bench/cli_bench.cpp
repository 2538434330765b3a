// Whole commands on the same frames, in one run: loopwright-cli against
// gifski and ImageMagick's convert. Prints each command's wall time, the
// GIF's size and the mean PSNR of its frames (as ImageMagick composes them)
// against the sources. The frames are written as PNG files first (not timed).
//
// cli_bench [--frames N] [--width W] [--height H] [--gifski PATH]
//   --gifski  the gifski binary (default: the one npm puts under /work/ext)
#include "support/psnr.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Settings {
    int frames = 30;
    int width = 480;
    int height = 360;
    std::string gifski = "/work/ext/node_modules/gifski/bin/debian/gifski";
};

// Gradients, a moving wave and sensor-like noise: tens of thousands of colours.
wxImage PhotoLikeFrame(int index, int w, int h) {
    std::mt19937 random(index + 1);
    std::normal_distribution<double> noise(0, 5);
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3) {
            const double wave = 60 * std::sin((x + 8.0 * index) / 45.0) * std::cos(y / 60.0);
            const double base[3] = {40 + 180.0 * x / w + wave, 30 + 190.0 * y / h,
                                    120 + wave + 50 * std::sin((x + y) / 90.0)};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(base[c] + noise(random), 0.0, 255.0));
        }
    return image;
}

// Flat rectangles of a few colours that move: a screenshot-like animation.
wxImage FlatFrame(int index, int w, int h) {
    static const unsigned char colours[6][3] = {{255, 255, 255}, {0, 0, 0},     {200, 30, 30},
                                                {30, 160, 60},   {40, 70, 200}, {240, 200, 40}};
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3)
            std::memcpy(p, colours[((x + 5 * index) / 60 + (y / 45) * 2) % 6], 3);
    return image;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

double Run(const std::string& command, bool* ok) {
    const auto start = std::chrono::steady_clock::now();
    *ok = std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Mean PSNR of the GIF's frames, composed by ImageMagick, against the sources; 0 when unreadable.
double GifPsnr(const std::string& gif, const std::vector<wxImage>& sources,
               const std::string& scratch) {
    wxMkdir(scratch);
    bool ok = false;
    Run("/usr/bin/convert " + Quoted(gif) + " -coalesce " + Quoted(scratch + "/f%04d.png"), &ok);
    double sum = 0;
    for (size_t i = 0; ok && i < sources.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%04zu.png", i);
        wxImage frame(scratch + name);
        if (!frame.IsOk() || frame.GetSize() != sources[i].GetSize()) return 0;
        sum += lwtest::Psnr(frame, sources[i]);
    }
    return ok ? sum / double(sources.size()) : 0;
}

void Compare(const char* corpus, const std::function<wxImage(int)>& make, const Settings& s,
             const std::string& folder, const std::string& lwcli) {
    std::vector<wxImage> sources;
    const std::string frames = folder + "/" + corpus;
    wxMkdir(frames);
    std::string list;
    for (int i = 0; i < s.frames; ++i) {
        sources.push_back(make(i));
        char name[32];
        std::snprintf(name, sizeof name, "/%04d.png", i);
        sources.back().SaveFile(frames + name, wxBITMAP_TYPE_PNG);
        list += " " + Quoted(frames + name);
    }
    std::printf("%s: %d frames of %dx%d\n", corpus, s.frames, s.width, s.height);
    struct Tool {
        const char* name;
        std::string command;
        std::string gif;
    };
    const std::string out = folder + "/" + corpus;
    std::vector<Tool> tools{
        {"loopwright-cli", Quoted(lwcli) + list + " -q --delay 10 -o " + Quoted(out + "-lw.gif"),
         out + "-lw.gif"},
        {"gifski",
         Quoted(s.gifski) + " --quiet --fps 10 -W " + std::to_string(s.width) + " -o " +
             Quoted(out + "-gifski.gif") + list,
         out + "-gifski.gif"},
        {"convert", "/usr/bin/convert -delay 10 -loop 0" + list + " " + Quoted(out + "-magick.gif"),
         out + "-magick.gif"}};
    for (const Tool& tool : tools) {
        if (tool.name == std::string("gifski") && !wxFileName::IsFileExecutable(s.gifski)) {
            std::printf("  %-15s not installed (npm install --prefix /work/ext gifski@1.7.1)\n",
                        tool.name);
            continue;
        }
        bool ok = false;
        const double seconds = Run(tool.command, &ok);
        if (!ok) {
            std::printf("  %-15s failed: %s\n", tool.name, tool.command.c_str());
            continue;
        }
        const double psnr = GifPsnr(tool.gif, sources, tool.gif + ".frames");
        std::printf("  %-15s %7.2f s  %10lld bytes  PSNR %5.2f dB\n", tool.name, seconds,
                    static_cast<long long>(wxFileName::GetSize(tool.gif).GetValue()), psnr);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 1;
    wxInitAllImageHandlers();
    Settings s;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--frames")
            s.frames = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--width")
            s.width = std::max(8, std::atoi(argv[i + 1]));
        else if (option == "--height")
            s.height = std::max(8, std::atoi(argv[i + 1]));
        else if (option == "--gifski")
            s.gifski = argv[i + 1];
    }
    const std::string lwcli =
        wxFileName(wxString(argv[0])).GetPath().ToStdString() + "/../bin/loopwright-cli";
    char pattern[] = "/tmp/cli-bench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) return 1;
    std::printf(
        "Wall times of whole commands on a shared, busy machine: compare within one run only.\n");
    Compare(
        "photo", [&](int i) { return PhotoLikeFrame(i, s.width, s.height); }, s, folder, lwcli);
    Compare(
        "flat", [&](int i) { return FlatFrame(i, s.width, s.height); }, s, folder, lwcli);
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    return 0;
}
