// The export against other GIF encoders on generated corpora, all in one run:
// wall time, file size and mean PSNR of every frame against its source, each
// file decoded and composed by ImageMagick (-coalesce), not by us.
//
// compare_bench [--gifski PATH] [--out FOLDER] [--only NAME] [--ours] [--whole] [--threads N] [--frames]
//   --gifski   the gifski binary (default: $GIFSKI, else not compared)
//   --only     one corpus: photo, flat, hd, screen
//   --ours     only the export, no peers and no floor
//   --whole    the export without frame optimisation
//   --frames   only write each corpus's frames as PNG files into FOLDER/NAME, and keep them
//
// Peers read the frames from PNG files written beforehand (not timed); the
// export takes them from memory, as the program does. The floor is the time
// to decode the PNG files (ffmpeg to null) plus gifsicle -O0 rewriting our file.
#include "bench_support.h"
#include "gif/export.h"
#include "support/psnr.h"

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
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Corpus {
    std::string name;
    std::vector<wxImage> frames;
};

using benchsupport::Flat;
using benchsupport::Photo;
using benchsupport::Screen;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command; its wall time, or a negative value when it failed.
double Timed(const std::string& command) {
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    return status == 0 ? Since(start) : -1;
}

// Mean PSNR of the file's frames, composed by ImageMagick, against the sources;
// 0 when the frame count or size differs.
double FilePsnr(const std::string& path, const std::vector<wxImage>& sources) {
    const std::string command = "/usr/bin/convert " + Quoted(path) + " -coalesce -depth 8 rgb:-";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return 0;
    const int w = sources[0].GetWidth(), h = sources[0].GetHeight();
    const size_t frameBytes = size_t(w) * h * 3;
    double sum = 0;
    size_t count = 0;
    wxImage frame(w, h, false);
    while (std::fread(frame.GetData(), 1, frameBytes, pipe) == frameBytes) {
        if (count < sources.size()) sum += lwtest::Psnr(frame, sources[count]);
        ++count;
    }
    pclose(pipe);
    return count == sources.size() ? sum / double(count) : 0;
}

long long FileSize(const std::string& path) {
    return wxFileName::FileExists(path) ? (long long)(wxFileName::GetSize(path).GetValue()) : 0;
}

struct Result {
    std::string tool;
    double seconds = -1;
    long long bytes = 0;
    double psnr = 0;
};

void Print(const Result& r, double ours) {
    if (r.seconds < 0) {
        std::printf("  %-28s failed or not installed\n", r.tool.c_str());
    } else {
        std::printf("  %-28s %8.2f s  (x%5.2f)", r.tool.c_str(), r.seconds, ours > 0 ? r.seconds / ours : 0.0);
        if (r.bytes > 0) std::printf("  %8lld KiB", r.bytes / 1024);
        if (r.psnr > 0) std::printf("  %6.2f dB", r.psnr);
        std::printf("\n");
    }
    std::fflush(stdout);
}

bool g_whole = false;  // --whole: every frame stored whole

Result Ours(const Corpus& corpus, const std::string& path, int threads) {
    GifExportJob job;
    job.path = path;
    job.frameCount = int(corpus.frames.size());
    job.canvasWidth = corpus.frames[0].GetWidth();
    job.canvasHeight = corpus.frames[0].GetHeight();
    job.delays = {10};
    job.parallelism = threads;
    job.optimise = !g_whole;
    Result result;
    result.tool = "export (" + std::to_string(threads) + " threads)";
    const Clock::time_point start = Clock::now();
    const GifExportStatus status = WriteGifAnimation(
        job, [&corpus](int i) { return std::make_unique<wxImage>(corpus.frames[size_t(i)].Copy()); },
        [](int) { return true; });
    if (status != GifExportStatus::Written) return result;
    result.seconds = Since(start);
    result.bytes = FileSize(path);
    result.psnr = FilePsnr(path, corpus.frames);
    return result;
}

Result Peer(const std::string& tool, const std::string& command, const std::string& out,
            const Corpus& corpus) {
    Result result;
    result.tool = tool;
    std::remove(out.c_str());
    result.seconds = Timed(command);
    if (result.seconds < 0) return result;
    result.bytes = FileSize(out);
    result.psnr = FilePsnr(out, corpus.frames);
    std::remove(out.c_str());
    return result;
}

// The corpus's frames as FOLDER/NAME/000.png...; where they went.
std::string WriteFrames(const Corpus& corpus, const std::string& folder) {
    const std::string frames = folder + "/" + corpus.name;
    wxFileName::Mkdir(frames, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    for (size_t i = 0; i < corpus.frames.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%03zu.png", i);
        corpus.frames[i].SaveFile(frames + name, wxBITMAP_TYPE_PNG);
    }
    return frames;
}

void Compare(const Corpus& corpus, const std::string& folder, const std::string& gifski, int threads,
             bool peersToo) {
    const int w = corpus.frames[0].GetWidth(), h = corpus.frames[0].GetHeight();
    std::printf("%s: %zu frames of %d x %d\n", corpus.name.c_str(), corpus.frames.size(), w, h);
    const std::string frames = WriteFrames(corpus, folder);
    const std::string pngs = Quoted(frames) + "/*.png";
    const std::string sequence = Quoted(frames + "/%03d.png");
    const std::string out = folder + "/peer.gif";
    const std::string ours = folder + "/ours.gif";
    const Result mine = Ours(corpus, ours, threads);
    Print(mine, mine.seconds);
    if (!peersToo) return;
    std::vector<Result> peers;
    if (!gifski.empty()) {
        const std::string size = " -W " + std::to_string(w) + " -H " + std::to_string(h);
        const std::string run = Quoted(gifski) + " -q --fps 10" + size + " -o " + Quoted(out) + " " + pngs;
        peers.push_back(Peer("gifski", run, out, corpus));
        peers.push_back(Peer("gifski --fast", Quoted(gifski) + " --fast" + run.substr(Quoted(gifski).size()),
                             out, corpus));
    }
    peers.push_back(Peer("ImageMagick convert",
                         "/usr/bin/convert -delay 10 -loop 0 " + pngs + " " + Quoted(out), out, corpus));
    peers.push_back(Peer("ffmpeg palettegen/paletteuse",
                         "ffmpeg -v error -y -framerate 10 -i " + sequence +
                             " -vf 'split[a][b];[a]palettegen[p];[b][p]paletteuse' " + Quoted(out),
                         out, corpus));
    for (const Result& peer : peers) Print(peer, mine.seconds);
    const double decode = Timed("ffmpeg -v error -i " + sequence + " -f null -");
    const double lzw = Timed("gifsicle -O0 " + Quoted(ours) + " -o " + Quoted(out));
    std::remove(out.c_str());
    Result floor;
    floor.tool = "floor (PNG decode + gifsicle)";
    floor.seconds = decode < 0 || lzw < 0 ? -1 : decode + lzw;
    Print(floor, mine.seconds);
    if (floor.seconds > 0 && mine.seconds > 0)
        std::printf("  export / floor: %.2f\n", mine.seconds / floor.seconds);
    std::remove(ours.c_str());
    wxFileName::Rmdir(frames, wxPATH_RMDIR_RECURSIVE);
}

using benchsupport::DiscardBuffer;

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    std::string gifski = std::getenv("GIFSKI") ? std::getenv("GIFSKI") : "";
    std::string folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/loopwright-compare";
    std::string only;
    bool peers = true;
    bool framesOnly = false;
    int threads = DefaultExportParallelism();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--gifski" && i + 1 < argc) gifski = argv[++i];
        else if (arg == "--out" && i + 1 < argc) folder = argv[++i];
        else if (arg == "--only" && i + 1 < argc) only = argv[++i];
        else if (arg == "--ours") peers = false;
        else if (arg == "--whole") g_whole = true;
        else if (arg == "--frames") framesOnly = true;
        else if (arg == "--threads" && i + 1 < argc) threads = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--gifski PATH] [--out FOLDER] [--only photo|flat|hd|screen] [--ours] [--whole] [--threads N] [--frames]\n", argv[0]);
            return 2;
        }
    }
    wxInitAllImageHandlers();
    DiscardBuffer traces;
    std::streambuf* const console = std::cout.rdbuf(&traces);
    const std::vector<std::pair<std::string, std::function<Corpus()>>> corpora = {
        {"photo", [] { Corpus c{"photo", {}}; for (int i = 0; i < 40; ++i) c.frames.push_back(Photo(640, 480, i)); return c; }},
        {"flat", [] { Corpus c{"flat", {}}; for (int i = 0; i < 40; ++i) c.frames.push_back(Flat(640, 480, i)); return c; }},
        {"hd", [] { Corpus c{"hd", {}}; for (int i = 0; i < 20; ++i) c.frames.push_back(Photo(1920, 1080, i)); return c; }},
        {"screen", [] { Corpus c{"screen", {}}; for (int i = 0; i < 60; ++i) c.frames.push_back(Screen(i)); return c; }},
    };
    for (const auto& [name, make] : corpora) {
        if (!only.empty() && only != name) continue;
        if (framesOnly) WriteFrames(make(), folder);
        else Compare(make(), folder, gifski, threads, peers);
    }
    if (!framesOnly) wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    std::cout.rdbuf(console);
    return 0;
}
