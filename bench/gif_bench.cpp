// Times the whole export as the program runs it (the export thread taking
// the frames' stored pictures, this thread waiting for its progress as the
// main window does) against ImageMagick's convert on the same frames, when it
// is installed. Prints time, file size and mean PSNR against the sources.
//
// gif_bench [--out FOLDER] [--threads N]
//   --threads N        frames rendered at once by the export (default: cores)
#include "framestore/framestore.h"
#include "bench_support.h"
#include "gif/export.h"
#include "gif/reader.h"
#include "jobs/worksaveasgifthread.h"
#include "support/psnr.h"

#include <wx/event.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Takes the progress events of the export thread; this thread plays the main
// window and waits for them.
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

WholeFigures WholeExport(const std::vector<FramePicture>& stored, const std::vector<wxImage>& sources,
                         const std::string& path, int threads) {
    WholeFigures figures;
    ProgressSink sink;
    // As the window starts it: handles to the stored frames, decoded on the
    // export's threads.
    auto feed = std::make_shared<ExportFrameFeed>(&sink, stored, 2 * threads);
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
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        return figures;
    }
    while (sink.Next() != 100) continue;  // each frame's progress, then 100
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
    // Stored beforehand (not timed), as the document holds its frames; a
    // budget that keeps them all in memory.
    const std::shared_ptr<FrameStore> store = FrameStore::Create(size_t(1) << 31, folder);
    std::vector<FramePicture> stored;
    for (const wxImage& source : sources) stored.push_back(store->Store(source));
    const std::string path = folder + "/gif_bench_whole.gif";
    const WholeFigures one = WholeExport(stored, sources, path, 1);
    PrintWhole("export thread, 1 frame at a time", one);
    char label[64];
    std::snprintf(label, sizeof label, "export thread, %d frames at a time", threads);
    const WholeFigures ours = threads == 1 ? one : WholeExport(stored, sources, path, threads);
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

using benchsupport::DiscardBuffer;

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    int threads = DefaultExportParallelism();
    std::string folder = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--threads" && i + 1 < argc) threads = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--out FOLDER] [--threads N]\n", argv[0]);
            return 2;
        }
    }

    std::vector<wxImage> photos, flats;
    for (int i = 0; i < kFrames; ++i) {
        photos.push_back(PhotoLikeFrame(i));
        flats.push_back(FlatFrame(i));
    }

    wxInitAllImageHandlers();
    // The rendering step traces to standard output; keep the figures readable.
    DiscardBuffer traces;
    std::streambuf* const console = std::cout.rdbuf(&traces);

    const bool magick = wxFileName::IsFileExecutable("/usr/bin/convert");
    if (!magick) std::printf("ImageMagick's /usr/bin/convert is not installed: not compared\n");
    CompareWholeExports("photo-like", photos, folder, threads, magick);
    CompareWholeExports("flat colours", flats, folder, threads, magick);
    std::cout.rdbuf(console);
    return 0;
}
