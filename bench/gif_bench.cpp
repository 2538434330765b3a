// Measures the export's per-frame work: placing each frame on the canvas,
// reducing it to a palette and writing it as a GIF frame. Prints frames per
// second, file size and mean PSNR of the reduced frames against the sources.
// Then times the whole export as the program runs it (the export thread, fed
// frame by frame from this thread as from the main window) against
// ImageMagick's convert on the same frames, when it is installed.
//
// gif_bench [--speed N] [--dither D] [--sample N] [--sweep] [--toolkit] [--out FOLDER]
//           [--threads N] [--no-whole]
//   --speed, --dither, --sample  quantiser settings for frames of many colours
//                                (--sample: pixels the palette is chosen from, 0 all)
//   --sweep            tries every speed from 1 to 10 on the photo-like corpus
//   --toolkit          also measures the toolkit's 8-bit BMP round trip
//   --threads N        frames rendered at once by the whole export (default: cores)
//   --no-whole         skips the whole export and ImageMagick
#include "gif/export.h"
#include "gif/reader.h"
#include "gif/render.h"
#include "jobs/worksaveasgifthread.h"
#include "support/psnr.h"
#include "window/gif_gifhandler.h"

#include <wx/event.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
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
        if (reduced.IsOk()) figures.psnr += lwtest::Psnr(reduced, sources[i]);
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

// Takes the progress events of the export thread; this thread plays the main
// window: it waits for each event and hands over more frames.
class ProgressSink : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override {
        std::unique_ptr<wxEvent> owned(event);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.push_back(static_cast<wxCommandEvent*>(event)->GetInt());
        m_arrived.notify_one();
    }
    int Next() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait(lock, [this] { return !m_progress.empty(); });
        const int progress = m_progress.front();
        m_progress.pop_front();
        return progress;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<int> m_progress;
};

struct WholeFigures {
    double seconds = 0;
    long long bytes = 0;
    double psnr = 0;
    bool ok = false;
};

// Mean PSNR of the frames of a GIF file against the sources, each frame
// composed on the screen as viewers show it (the toolkit's decoder gives only
// the changed rectangle of a frame that stores just what changed).
double FilePsnr(const std::string& path, const std::vector<wxImage>& sources) {
    GifReader reader;
    if (!reader.Load(path) || reader.GetFrameCount() != int(sources.size())) return 0;
    double sum = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        wxImage frame;
        if (!reader.ConvertToImage(int(i), &frame) || frame.GetSize() != sources[i].GetSize())
            return 0;
        sum += lwtest::Psnr(frame, sources[i]);
    }
    return sum / double(sources.size());
}

WholeFigures WholeExport(const std::vector<wxImage>& sources, const std::string& path, int threads) {
    WholeFigures figures;
    const int n = int(sources.size());
    ProgressSink sink;
    auto feed = std::make_shared<ExportFrameFeed>(&sink, n, 2 * threads);
    // The window converts each frame's bitmap here; a deep copy stands in.
    auto make = [&sources](int i) { return std::make_unique<wxImage>(sources[size_t(i)].Copy()); };
    const int delay = 10;
    const Clock::time_point start = Clock::now();
    GifExportJob job;
    job.path = path;
    job.canvasWidth = kWidth;
    job.canvasHeight = kHeight;
    job.delays = {delay};
    job.parallelism = threads;
    auto* thread = new WorkSaveAsGifThread(job, feed);
    if (thread->Create() != wxTHREAD_NO_ERROR) {
        delete thread;
        return figures;
    }
    feed->Refill(make);
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        return figures;
    }
    while (sink.Next() != 100) feed->Refill(make);
    figures.seconds = Since(start);
    thread->Wait(wxTHREAD_WAIT_BLOCK);
    delete thread;
    figures.ok = feed->Outcome() == GifExportStatus::Written;
    figures.bytes = wxFileName::GetSize(path).GetValue();
    figures.psnr = FilePsnr(path, sources);
    return figures;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// ImageMagick on the same frames, written as PNG files first (not timed).
WholeFigures ImageMagickExport(const std::vector<wxImage>& sources, const std::string& folder) {
    WholeFigures figures;
    const std::string frames = folder + "/gif_bench_frames";
    const std::string path = folder + "/gif_bench_magick.gif";
    wxFileName::Mkdir(frames, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    for (size_t i = 0; i < sources.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%03zu.png", i);
        sources[i].SaveFile(frames + name, wxBITMAP_TYPE_PNG);
    }
    const std::string command = "/usr/bin/convert -delay 10 -loop 0 " + Quoted(frames) + "/*.png " + Quoted(path);
    const Clock::time_point start = Clock::now();
    figures.ok = std::system(command.c_str()) == 0;
    figures.seconds = Since(start);
    if (figures.ok) {
        figures.bytes = wxFileName::GetSize(path).GetValue();
        figures.psnr = FilePsnr(path, sources);
    }
    wxFileName::Rmdir(frames, wxPATH_RMDIR_RECURSIVE);
    std::remove(path.c_str());
    return figures;
}

void PrintWhole(const char* label, const WholeFigures& f) {
    if (!f.ok) {
        std::printf("  %-34s failed\n", label);
        return;
    }
    std::printf("  %-34s %7.2f s  %9lld bytes  PSNR %5.2f dB\n", label, f.seconds, f.bytes, f.psnr);
    std::fflush(stdout);
}

void CompareWholeExports(const char* corpus, const std::vector<wxImage>& sources,
                         const std::string& folder, int threads, bool magick) {
    std::printf("%s, %zu frames of %d x %d, whole export:\n", corpus, sources.size(), kWidth, kHeight);
    const std::string path = folder + "/gif_bench_whole.gif";
    const WholeFigures one = WholeExport(sources, path, 1);
    PrintWhole("export thread, 1 frame at a time", one);
    char label[64];
    std::snprintf(label, sizeof label, "export thread, %d frames at a time", threads);
    const WholeFigures ours = threads == 1 ? one : WholeExport(sources, path, threads);
    if (threads != 1) PrintWhole(label, ours);
    std::remove(path.c_str());
    if (!magick) return;
    const WholeFigures theirs = ImageMagickExport(sources, folder);
    PrintWhole("convert -delay 10 -loop 0", theirs);
    if (ours.ok && theirs.ok)
        std::printf("  time ratio convert / export thread: %.2f; size ratio: %.2f\n",
                    theirs.seconds / ours.seconds, double(theirs.bytes) / double(ours.bytes));
    std::fflush(stdout);
}

// Swallows the rendering step's trace lines, from any number of threads.
class DiscardBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c == EOF ? 0 : c; }
};

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    QuantizeSettings settings;
    bool sweep = false, toolkit = false, whole = true;
    int threads = DefaultExportParallelism();
    std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--speed" && i + 1 < argc) settings.speed = std::atoi(argv[++i]);
        else if (arg == "--dither" && i + 1 < argc) settings.dithering = float(std::atof(argv[++i]));
        else if (arg == "--sample" && i + 1 < argc) settings.samplePixels = std::atoi(argv[++i]);
        else if (arg == "--sweep") sweep = true;
        else if (arg == "--toolkit") toolkit = true;
        else if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--threads" && i + 1 < argc) threads = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--no-whole") whole = false;
        else {
            std::fprintf(stderr, "usage: %s [--speed N] [--dither D] [--sample N] [--sweep] [--toolkit] [--out FOLDER] [--threads N] [--no-whole]\n", argv[0]);
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

    wxInitAllImageHandlers();
    // The rendering step traces to standard output; keep the figures readable.
    DiscardBuffer traces;
    std::streambuf* const console = std::cout.rdbuf(&traces);

    std::printf("%d x %d canvas, quantiser speed %d, dithering %.2f, palette from about %d pixels (0: all)\n",
                kWidth, kHeight, settings.speed, double(settings.dithering), settings.samplePixels);
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
    std::remove(out.c_str());
    if (whole) {
        const bool magick = wxFileName::IsFileExecutable("/usr/bin/convert");
        if (!magick) std::printf("ImageMagick's /usr/bin/convert is not installed: not compared\n");
        CompareWholeExports("photo-like", photos, folder, threads, magick);
        CompareWholeExports("flat colours", flats, folder, threads, magick);
    }
    std::cout.rdbuf(console);
    return 0;
}
