// Measures a video's import as the program runs it: 10 s of 1920 x 1080 H.264
// at 25 frames a second, read by FrameSource::Load into the frame store (the
// default sampling, 1280 wide at 25 a second, and the full size), against
// `ffmpeg -i in.mp4 -f null -` decoding the same file; then the same frames
// reopened one by one from their reference paths, as a project reopens them.
// Best of three each, the three rounds one after the other, so that another
// load on the machine weighs on all alike. Needs the ffmpeg command.
#include "document/framesource.h"
#include "framestore/framestore.h"
#include "framestore/memorybudget.h"
#include "support/peakmemory.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 3;

struct Timed {
    const char* what;
    std::function<void()> run;
    double best = 1e30;
};

void TimeRounds(std::vector<Timed>& timed) {
    for (int round = 0; round < kRounds; ++round)
        for (Timed& each : timed) {
            const auto start = std::chrono::steady_clock::now();
            each.run();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            each.best = std::min(each.best, seconds);
        }
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A moving test pattern with a fine zone plate, at a bit rate a camera or a
// screen recorder gives 1080p.
bool MakeVideo(const std::string& path) {
    if (wxFileExists(path)) return true;
    std::printf("writing %s ...\n", path.c_str());
    return Run("ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 10 -c:v libx264 -preset fast "
               "-b:v 8M -maxrate 10M -bufsize 16M -pix_fmt yuv420p '" + path + "'");
}

struct Import {
    size_t frames = 0;
    wxSize size;
    size_t storedBytes = 0;
    std::vector<wxString> paths;
};

Import Load(const wxString& path, const PictureDecoder::VideoChooser& chooser) {
    FrameSource source;
    if (chooser) source.SetVideoChooser(chooser);
    const std::vector<DocumentFrame> frames = source.Load(path, 10);
    Import import;
    import.frames = frames.size();
    for (const DocumentFrame& frame : frames) {
        if (frame.picture) import.storedBytes += frame.picture->StoredBytes(), import.size = frame.picture->GetSize();
        import.paths.push_back(frame.path);
    }
    return import;
}

size_t Reopen(const std::vector<wxString>& paths) {
    FrameSource source;
    std::vector<DocumentFrame> frames;
    for (const wxString& path : paths) source.Add(path, 10, frames);
    source.Finish();
    return frames.size();
}

void Report(const Timed& timed, double ffmpeg, const Import* import) {
    std::printf("%-36s %5.2f s  %4.2fx ffmpeg", timed.what, timed.best, timed.best / ffmpeg);
    if (import)
        std::printf("  %zu frames of %dx%d, %.0f MB stored", import->frames, import->size.x, import->size.y,
                    import->storedBytes / 1e6);
    std::printf("\n");
}

}  // namespace

int main() {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    wxInitAllImageHandlers();
    wxLog::SetActiveTarget(new wxLogStderr);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/loopwright-video-bench";
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const std::string video = dir + "/in.mp4";
    if (!MakeVideo(video)) {
        std::fprintf(stderr, "could not write %s with ffmpeg\n", video.c_str());
        return 1;
    }
    const auto fullSize = [](const wxString&, const VideoFacts& facts) {
        VideoSampling sampling = DefaultVideoSampling(facts);
        sampling.size = facts.size;
        return sampling;
    };
    Import scaled = Load(video, nullptr), full;
    std::vector<Timed> timed = {
        {"ffmpeg -i in.mp4 -f null -", [&] { Run("ffmpeg -v error -i '" + video + "' -f null -"); }},
        {"import, 1280x720 (the default)", [&] { scaled = Load(video, nullptr); }},
        {"the same reopened frame by frame", [&] { Reopen(scaled.paths); }},
        {"import, 1920x1080", [&] { full = Load(video, fullSize); }},
    };
    TimeRounds(timed);
    const double ffmpeg = timed[0].best;
    std::printf("%-36s %5.2f s\n", timed[0].what, ffmpeg);
    Report(timed[1], ffmpeg, &scaled);
    Report(timed[2], ffmpeg, nullptr);
    Report(timed[3], ffmpeg, &full);
    std::printf("peak memory: %ld MiB (the frame store keeps up to %zu MiB in memory)\n",
                lwtest::PeakMemoryKiB() / 1024, FrameMemoryBudget() >> 20);
    return 0;
}
