// What a caption on every frame costs the export: the time on 300 photo-like
// frames of 1280 x 720 (best of 3 runs each, without and with the caption,
// the runs taken in turn so that a busy moment hits both alike) and the file
// size on compare_bench's screen-like corpus, where the caption is the same
// pixels on every frame and frame differencing should keep it out of every
// frame after the first. Then what drawing the caption costs by itself.
//
// caption_bench [--frames N] [--runs N] [--threads N] [--text TEXT] [--out FOLDER]
//               [--only plain|captioned]
//   --frames   photo-like frames timed (default 300)
//   --runs     runs of each export, the best kept (default 3)
//   --threads  frames rendered at once by the export (default: cores)
//   --text     the caption (default "Drag the file onto the window")
//   --only     plain or captioned: that photo-like export alone, once, for a
//              profiler such as callgrind to count it apart from the other
#include "bench_support.h"
#include "gif/captions.h"
#include "gif/export.h"
#include "gif/render.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using benchsupport::Clamp;

// gif_bench's photo-like frame at 1280 x 720: gradients, a moving wave and
// sensor-like noise, tens of thousands of colours, every pixel changing.
wxImage Photo(int i) {
    std::mt19937 random(unsigned(i) + 1);
    std::normal_distribution<double> noise(0, 5);
    wxImage image(kWidth, kHeight, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const double wave = 60 * std::sin((x + 8.0 * i) / 45.0) * std::cos(y / 60.0);
            p[0] = Clamp(40 + 180.0 * x / kWidth + wave + noise(random));
            p[1] = Clamp(30 + 190.0 * y / kHeight + noise(random));
            p[2] = Clamp(120 + wave + 50 * std::sin((x + y) / 90.0) + noise(random));
        }
    return image;
}

// compare_bench's screen-like frames, so that the two read the same corpus.
using benchsupport::Screen;

// The caption as loopwright-cli --caption makes it: one, shared by every frame.
std::shared_ptr<const Caption> NewCaption(const wxString& text) {
    return std::make_shared<const Caption>(PlainCaption(text, CaptionAnchor::Bottom, kHeight));
}

// The processor time of every thread of this process: on a machine shared
// with other work the wall time jumps from run to run, this much less.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

struct Export {
    double seconds = -1;
    double cpu = -1;
    long long bytes = 0;
};

// The export as the program runs it, from pictures in memory. A new caption
// each run, so that each pays for drawing it once, as a fresh export does.
Export Run(const std::vector<wxImage>& frames, const std::string& path, int threads, const wxString* text) {
    GifExportJob job;
    job.path = path;
    job.frameCount = int(frames.size());
    job.canvasWidth = kWidth;
    job.canvasHeight = kHeight;
    job.delays = {10};
    job.parallelism = threads;
    if (text) job.captions.assign(frames.size(), CaptionList{NewCaption(*text)});
    Export result;
    const double cpu = CpuSeconds();
    const Clock::time_point start = Clock::now();
    const GifExportStatus status = WriteGifAnimation(
        job, [&frames](int i) { return std::make_unique<wxImage>(frames[size_t(i)].Copy()); },
        [](int) { return true; });
    if (status != GifExportStatus::Written) return result;
    result.seconds = Since(start);
    result.cpu = CpuSeconds() - cpu;
    result.bytes = (long long)(wxFileName::GetSize(path).GetValue());
    return result;
}

// Each frame's rectangle and its bytes in the file (descriptor, table and
// data), read from the blocks: the program's reader gives composed frames only.
struct StoredFrame {
    wxRect rect;
    long long bytes = 0;
    bool ownTable = false;  // a palette of its own, not the global one
};

std::vector<StoredFrame> StoredFrames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> g((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<StoredFrame> frames;
    size_t at = 13;
    if (g.size() < at) return frames;
    if (g[10] & 0x80) at += 3u << ((g[10] & 7) + 1);
    auto word = [&g](size_t i) { return int(g[i] | (g[i + 1] << 8)); };
    auto skipBlocks = [&g](size_t i) {
        while (i < g.size() && g[i] != 0) i += g[i] + 1u;
        return i + 1;
    };
    while (at < g.size() && g[at] != 0x3B) {
        if (g[at] == 0x21) {
            at = skipBlocks(at + 2);
        } else if (g[at] == 0x2C && at + 10 < g.size()) {
            const size_t start = at;
            StoredFrame frame;
            frame.rect = wxRect(word(at + 1), word(at + 3), word(at + 5), word(at + 7));
            at += 10;
            frame.ownTable = (g[at - 1] & 0x80) != 0;
            if (frame.ownTable) at += 3u << ((g[at - 1] & 7) + 1);
            at = skipBlocks(at + 1);  // past the LZW code size and the data
            frame.bytes = (long long)(std::min(at, g.size()) - start);
            frames.push_back(frame);
        } else {
            break;  // not a file the export writes
        }
    }
    return frames;
}

// What frames after the first store in the caption's place, what they weigh,
// and how many needed a palette of their own.
std::string StoredSummary(const std::string& path, const wxRect& captionBox) {
    const std::vector<StoredFrame> frames = StoredFrames(path);
    if (frames.empty()) return "unreadable";
    long long later = 0, reaching = 0;
    int touching = 0, ownTables = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        later += frames[i].bytes;
        ownTables += frames[i].ownTable;
        if (frames[i].rect.Intersects(captionBox)) {
            ++touching;
            reaching += frames[i].bytes;
        }
    }
    char text[256];
    std::snprintf(text, sizeof text,
                  "frame 0: %lld bytes; frames 1-%zu: %lld bytes, %d with a table of their own, "
                  "%d reaching the caption's box (%lld bytes)",
                  frames[0].bytes, frames.size() - 1, later, ownTables, touching, reaching);
    return text;
}

// The caption's own cost, apart from the export: drawing it once (Pango and
// Cairo) and laying it over a frame, which every frame pays.
void PrintCaptionCost(const std::vector<wxImage>& frames, const wxString& text) {
    const wxSize canvas(kWidth, kHeight);
    const int draws = 5;
    double layer = 1e9;
    for (int i = 0; i < draws; ++i) {
        const auto caption = NewCaption(text);
        const Clock::time_point start = Clock::now();
        caption->LayerFor(canvas, canvas);
        layer = std::min(layer, Since(start));
    }
    const auto caption = NewCaption(text);
    const wxRect box = CaptionBox(*caption, canvas);
    const CaptionList list{caption};
    const size_t count = std::min<size_t>(frames.size(), 100);
    // Over copies of the frames, copied beforehand: the copy is not the caption's.
    std::vector<wxImage> canvases;
    for (size_t i = 0; i < count; ++i) canvases.push_back(frames[i].Copy());
    std::vector<double> times;
    for (wxImage& c : canvases) {
        const Clock::time_point start = Clock::now();
        DrawCaptions(c.GetData(), canvas, canvas, list, nullptr);
        times.push_back(Since(start));
    }
    const double over = Median(times);
    // The whole frame drawing the export asks for, without and with.
    FrameDrawing plain;
    plain.plane = plain.canvas = canvas;
    FrameDrawing captioned = plain;
    captioned.captions = list;
    double drawn[2] = {0, 0};
    for (int with = 0; with < 2; ++with) {
        times.clear();
        for (size_t i = 0; i < count; ++i) {
            const Clock::time_point start = Clock::now();
            DrawFrame(frames[i], with ? captioned : plain);
            times.push_back(Since(start));
        }
        drawn[with] = Median(times);
    }
    std::printf("  the caption's box: %d x %d at (%d, %d), %.1f %% of the frame\n", box.width, box.height, box.x,
                box.y, 100.0 * box.width * box.height / (double(kWidth) * kHeight));
    std::printf("  drawing it once (Pango, Cairo), best of %d: %8.3f ms\n", draws, 1000 * layer);
    std::printf("  DrawCaptions over one frame, median:      %8.3f ms\n", 1000 * over);
    std::printf("  DrawFrame without / with it, median:      %8.3f / %.3f ms\n", 1000 * drawn[0],
                1000 * drawn[1]);
}

// The best wall time and, apart, the best processor time of the runs.
void Keep(Export& best, const Export& run) {
    if (run.seconds < 0) return;
    if (best.seconds < 0) {
        best = run;
        return;
    }
    best.seconds = std::min(best.seconds, run.seconds);
    best.cpu = std::min(best.cpu, run.cpu);
}

void PrintExport(const char* label, const Export& e) {
    if (e.seconds < 0) std::printf("  %-22s failed\n", label);
    else std::printf("  %-22s %8.2f s  (processor %7.2f s)  %10lld bytes\n", label, e.seconds, e.cpu, e.bytes);
    std::fflush(stdout);
}

using benchsupport::DiscardBuffer;

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    int count = 300, runs = 3, threads = DefaultExportParallelism();
    wxString text = "Drag the file onto the window";
    std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc) count = std::max(2, std::atoi(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--threads" && i + 1 < argc) threads = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--text" && i + 1 < argc) text = wxString::FromUTF8(argv[++i]);
        else if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--only" && i + 1 < argc && (std::strcmp(argv[i + 1], "plain") == 0 ||
                                                     std::strcmp(argv[i + 1], "captioned") == 0))
            only = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s [--frames N] [--runs N] [--threads N] [--text TEXT] [--out FOLDER] "
                         "[--only plain|captioned]\n",
                         argv[0]);
            return 2;
        }
    }
    // The rendering step traces to standard output; keep the figures readable.
    DiscardBuffer traces;
    std::streambuf* const console = std::cout.rdbuf(&traces);
    const std::string path = folder + "/caption_bench.gif";

    std::printf("caption \"%s\", %d px high text, %d threads\n", static_cast<const char*>(text.utf8_str()),
                CaptionFontPixels(PlainCaption(text, CaptionAnchor::Bottom, kHeight), kHeight), threads);
    std::vector<wxImage> photos;
    for (int i = 0; i < count; ++i) photos.push_back(Photo(i));
    if (!only.empty()) {
        const Export alone = Run(photos, path, threads, only == "captioned" ? &text : nullptr);
        std::printf("photo-like, %d frames of %d x %d, once:\n", count, kWidth, kHeight);
        PrintExport(only == "captioned" ? "with a caption" : "without a caption", alone);
        std::printf("    %s\n", StoredSummary(path, CaptionBox(*NewCaption(text), wxSize(kWidth, kHeight))).c_str());
        std::remove(path.c_str());
        std::cout.rdbuf(console);
        return 0;
    }
    std::printf("photo-like, %d frames of %d x %d, best of %d:\n", count, kWidth, kHeight, runs);
    const wxRect box = CaptionBox(*NewCaption(text), wxSize(kWidth, kHeight));
    Export plain, captioned;
    std::string plainFrames, captionedFrames;
    for (int r = 0; r < runs; ++r) {
        const Export a = Run(photos, path, threads, nullptr);
        plainFrames = StoredSummary(path, box);
        const Export b = Run(photos, path, threads, &text);
        captionedFrames = StoredSummary(path, box);
        std::printf("    run %d: %.2f s without, %.2f s with (processor %.2f s, %.2f s)\n", r + 1, a.seconds,
                    b.seconds, a.cpu, b.cpu);
        std::fflush(stdout);
        Keep(plain, a);
        Keep(captioned, b);
    }
    PrintExport("without a caption", plain);
    std::printf("    without: %s\n", plainFrames.c_str());
    PrintExport("with a caption", captioned);
    std::printf("    with:    %s\n", captionedFrames.c_str());
    if (plain.seconds > 0 && captioned.seconds > 0)
        std::printf("  time with / without: %.3f (processor time %.3f; size %.3f)\n",
                    captioned.seconds / plain.seconds, captioned.cpu / plain.cpu,
                    double(captioned.bytes) / double(plain.bytes));
    PrintCaptionCost(photos, text);
    photos.clear();

    std::vector<wxImage> screens;
    for (int i = 0; i < 60; ++i) screens.push_back(Screen(i));
    std::printf("screen-like, %zu frames of %d x %d:\n", screens.size(), kWidth, kHeight);
    const Export still = Run(screens, path, threads, nullptr);
    PrintExport("without a caption", still);
    std::printf("    without: %s\n", StoredSummary(path, box).c_str());
    const Export written = Run(screens, path, threads, &text);
    PrintExport("with a caption", written);
    std::printf("    with:    %s\n", StoredSummary(path, box).c_str());
    if (still.bytes > 0 && written.bytes > 0)
        std::printf("  size with / without: %.3f (+%lld bytes)\n", double(written.bytes) / double(still.bytes),
                    written.bytes - still.bytes);
    std::remove(path.c_str());
    std::cout.rdbuf(console);
    return 0;
}
