// Our GIF, animated WebP (default quality unless told) and APNG of the same
// generated corpora as compare_bench: wall and processor time (best of
// --runs), file size, and what another reader (Pillow) reads back: the mean
// PSNR of every frame against its source, the frame count, the delays and the
// loop count.
//
// format_bench [--out FOLDER] [--only photo|flat|screen] [--threads N] [--runs N]
//              [--webp-quality Q]
//
// Frames are given from memory, as the program has them. The delays cycle
// through 8, 4, 1 and 25 hundredths and the animation plays 3 times; a GIF
// stores "repeat 2 more times", which is what Pillow reports for it.
#include "bench_support.h"
#include "formats/animationexport.h"
#include "support/psnr.h"

#include <wx/filename.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Corpus {
    std::string name;
    std::vector<wxImage> frames;
};

const int kLoops = 3;
const int kDelays[] = {8, 4, 1, 25};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What Pillow reads: the frame count, the loop count and the durations (ms).
struct Reading {
    int frames = 0;
    std::string loop;
    std::vector<int> durations;
    double psnr = 0;  // mean over the frames; 0 when the count differs
};

// Pillow decodes every frame as viewers compose it; its RGB bytes go through
// a pipe, one frame at a time, and the rest to a file read afterwards.
Reading ReadWithPillow(const std::string& path, const std::vector<wxImage>& sources) {
    const std::string meta = path + ".txt";
    const std::string script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nd = []\n"
        "for i in range(im.n_frames):\n    im.seek(i)\n    sys.stdout.buffer.write(im.convert('RGB').tobytes())\n"
        "    d.append(str(round(im.info.get('duration', -1))))\n"
        "open(sys.argv[2], 'w').write(' '.join([str(im.n_frames), str(im.info.get('loop'))] + d))\n";
    FILE* pipe = popen(("/usr/bin/python3 -c " + Quoted(script) + " " + Quoted(path) + " " + Quoted(meta)).c_str(), "r");
    Reading reading;
    if (!pipe) return reading;
    wxImage frame(sources[0].GetWidth(), sources[0].GetHeight(), false);
    const size_t bytes = size_t(frame.GetWidth()) * frame.GetHeight() * 3;
    size_t count = 0;
    double sum = 0;
    while (std::fread(frame.GetData(), 1, bytes, pipe) == bytes) {
        if (count < sources.size()) sum += lwtest::Psnr(frame, sources[count]);
        ++count;
    }
    pclose(pipe);
    std::ifstream in(meta);
    in >> reading.frames >> reading.loop;
    for (int duration; in >> duration;) reading.durations.push_back(duration);
    std::remove(meta.c_str());
    reading.psnr = count == sources.size() ? sum / double(count) : 0;
    return reading;
}

// Whether Pillow read every frame's delay as written (in ms).
bool DelaysAsWritten(const Reading& reading) {
    for (size_t i = 0; i < reading.durations.size(); ++i)
        if (reading.durations[i] != 10 * kDelays[i % 4]) return false;
    return !reading.durations.empty();
}

struct Settings {
    std::string folder;
    int threads = 1;
    int runs = 1;
    int webpQuality = kDefaultWebpQuality;
};

// Processor time of every thread of this process (Pillow runs in another).
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void Measure(const Corpus& corpus, AnimationFormat format, const Settings& settings) {
    GifExportJob job;
    job.format = format;
    job.path = settings.folder + "/anim." + AnimationExtension(format).ToStdString();
    job.frameCount = int(corpus.frames.size());
    job.canvasWidth = corpus.frames[0].GetWidth();
    job.canvasHeight = corpus.frames[0].GetHeight();
    for (int i = 0; i < job.frameCount; ++i) job.delays.push_back(kDelays[i % 4]);
    job.loopCount = kLoops;
    job.parallelism = settings.threads;
    job.webpQuality = settings.webpQuality;
    double seconds = 1e30, processor = 1e30;
    for (int run = 0; run < settings.runs; ++run) {
        const Clock::time_point start = Clock::now();
        const double startProcessor = ProcessorSeconds();
        const GifExportStatus status = WriteAnimation(
            job, [&corpus](int i) { return std::make_unique<wxImage>(corpus.frames[size_t(i)].Copy()); },
            [](int) { return true; });
        seconds = std::min(seconds, std::chrono::duration<double>(Clock::now() - start).count());
        processor = std::min(processor, ProcessorSeconds() - startProcessor);
        if (status != GifExportStatus::Written) {
            std::printf("  %-5s failed (%d)\n", AnimationExtension(format).c_str().AsChar(), int(status));
            return;
        }
    }
    const std::string path = job.path.ToStdString();
    const long long size = (long long)(wxFileName::GetSize(path).GetValue());
    const Reading reading = ReadWithPillow(path, corpus.frames);
    char psnr[32] = "frames differ";
    if (reading.psnr >= 99) std::snprintf(psnr, sizeof psnr, "lossless");
    else if (reading.psnr > 0) std::snprintf(psnr, sizeof psnr, "%.2f dB", reading.psnr);
    std::printf("  %-5s %6.2f s  %6.2f s cpu  %9lld KiB  %-13s  frames %d/%d  loop %s  delays %s\n",
                AnimationExtension(format).c_str().AsChar(), seconds, processor, size / 1024, psnr, reading.frames,
                job.frameCount, reading.loop.c_str(), DelaysAsWritten(reading) ? "as written" : "differ");
    std::fflush(stdout);
    std::remove(path.c_str());
}

Corpus Make(const std::string& name, int count, const std::function<wxImage(int)>& frame) {
    Corpus corpus{name, {}};
    for (int i = 0; i < count; ++i) corpus.frames.push_back(frame(i));
    return corpus;
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    Settings settings;
    settings.folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/loopwright-formats";
    settings.threads = DefaultExportParallelism();
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) settings.folder = argv[++i];
        else if (arg == "--only" && i + 1 < argc) only = argv[++i];
        else if (arg == "--threads" && i + 1 < argc) settings.threads = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc) settings.runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--webp-quality" && i + 1 < argc) settings.webpQuality = std::clamp(std::atoi(argv[++i]), 0, 100);
        else {
            std::fprintf(stderr,
                         "usage: %s [--out FOLDER] [--only photo|flat|screen] [--threads N] [--runs N] "
                         "[--webp-quality Q]\n",
                         argv[0]);
            return 2;
        }
    }
    wxFileName::Mkdir(settings.folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    benchsupport::DiscardBuffer traces;
    std::streambuf* const console = std::cout.rdbuf(&traces);
    const std::vector<std::pair<std::string, std::function<Corpus()>>> corpora = {
        {"photo", [] { return Make("photo", 40, [](int i) { return benchsupport::Photo(640, 480, i); }); }},
        {"flat", [] { return Make("flat", 40, [](int i) { return benchsupport::Flat(640, 480, i); }); }},
        {"screen", [] { return Make("screen", 60, benchsupport::Screen); }},
    };
    for (const auto& [name, make] : corpora) {
        if (!only.empty() && only != name) continue;
        const Corpus corpus = make();
        std::printf("%s: %zu frames of %d x %d, %d threads, WebP quality %d\n", name.c_str(), corpus.frames.size(),
                    corpus.frames[0].GetWidth(), corpus.frames[0].GetHeight(), settings.threads, settings.webpQuality);
        for (AnimationFormat format : {AnimationFormat::Gif, AnimationFormat::WebP, AnimationFormat::Apng})
            Measure(corpus, format, settings);
    }
    wxFileName::Rmdir(settings.folder, wxPATH_RMDIR_RECURSIVE);
    std::cout.rdbuf(console);
    return 0;
}
