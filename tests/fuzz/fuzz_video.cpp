// The video reader on any bytes, as the import reads a file: whether it looks
// like a video, what it says of itself, the frames of a range at a rate and a
// size, one of them again by its time, and the same file through the picture
// decoder. The readers read from a path, so each input is written to one file
// in a folder of this process's own.
#include "fuzz_support.h"

#include "import/framepath.h"
#include "import/picturedecoder.h"
#include "import/videoreader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// A few frames show every path a range takes; more only make each run long.
constexpr int kMaxFrames = 30;
// The decoder stops once some eight of the largest samples are held.
constexpr long long kDecoderPixels = 64LL * 48 * 8;

// The rate, range and size come from the input's length, so that the fuzzer
// tries each of them on every kind of file, and the samples stay small: at
// most 64 by 48, or the video's own size when that is as small.
VideoSampling SamplingFor(size_t size, const VideoFacts& facts) {
    static constexpr int kRates[] = {0, 7, 2};
    VideoSampling sampling;
    sampling.fps = kRates[size % 3];
    size /= 3;
    sampling.startMs = size % 2 ? 300 : 0;
    size /= 2;
    sampling.endMs = sampling.startMs + (size % 2 ? 3000 : 1000);
    size /= 2;
    const bool own = size % 4 == 0 && facts.size.x <= 64 && facts.size.y <= 48;
    size /= 4;
    if (!own) sampling.size = wxSize(1 + static_cast<int>(size % 64), 1 + static_cast<int>(size / 64 % 48));
    return sampling;
}

// The frames of the range, each checked as it comes; the first one kept to
// be asked for again by its time (unit_videoreader checks sound files give
// the same pixels; a fuzzed one promises only a picture of the size).
struct ReadFrames {
    VideoOutcome outcome = VideoOutcome::Unreadable;
    int count = 0;
    std::unique_ptr<wxImage> first;
    long long firstMs = 0;
};

ReadFrames ReadRange(VideoReader& video, const VideoSampling& sampling, const wxSize& size) {
    using lwfuzz::Check;
    ReadFrames read;
    long long lastMs = sampling.startMs;
    read.outcome = video.Read(sampling, [&](VideoFrame&& frame) {
        Check(frame.picture && frame.picture->IsOk() && frame.picture->GetSize() == size,
              "a frame is a picture of the sampling's size");
        Check(frame.delay >= 1, "a frame shows for a hundredth at least");
        Check(frame.timeMs >= lastMs && frame.timeMs < sampling.endMs, "frames come in order within the range");
        lastMs = frame.timeMs;
        if (read.count == 0) {
            read.first = std::move(frame.picture);
            read.firstMs = frame.timeMs;
        }
        return ++read.count < kMaxFrames;
    });
    Check((read.count == 0) == (read.outcome == VideoOutcome::Unreadable), "unreadable exactly when no frame came");
    Check((read.count == kMaxFrames) == (read.outcome == VideoOutcome::Stopped), "stopped exactly when told to");
    return read;
}

// The import's way: the chooser gives the same sampling, and the budget
// stops a long one. A frame's reference path then decodes back to the frame.
void Decode(const wxString& path, const VideoSampling& sampling, const wxSize& size, const ReadFrames& read,
            bool opened) {
    using lwfuzz::Check;
    PictureDecoder decoder(kDecoderPixels);
    decoder.SetVideoChooser([&](const wxString&, const VideoFacts&) { return sampling; });
    int delivered = 0;
    decoder.Decode(path, [&](DecodedPicture&& decoded) {
        Check(decoded.picture && decoded.picture->GetSize() == size && decoded.delay >= 1,
              "the decoder gives a video's frames as the reader does");
        Check(VideoFrameFromPath(decoded.path).has_value(), "a video's frame is named by a reference path");
        ++delivered;
        return delivered < kMaxFrames;
    });
    Check(delivered > 0 || !decoder.GetSkipped().empty(), "a video that gives nothing is named");
    Check(opened || delivered == 0, "no frames from what does not open");
    if (!read.first) return;

    PictureDecoder single(kDecoderPixels);
    int given = 0;
    single.Decode(MakeVideoFramePath(path, read.firstMs, size), [&](DecodedPicture&& decoded) {
        // Damaged data decodes differently from another starting point (and
        // on other decoder threads): only a sound file promises the same pixels.
        Check(decoded.picture && decoded.picture->GetSize() == read.first->GetSize(),
              "a frame's reference path gives a picture of the frame's size");
        ++given;
        return true;
    });
    Check(given == 1, "a frame's reference path gives one picture");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lwfuzz::Initialise();
    // No extension: the readers choose by content alone, as the import does.
    lwfuzz::MakeInputFile("loopwright-fuzz-video", "input");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using lwfuzz::Check;
    lwfuzz::WriteInputFile(data, size);
    const wxString path(lwfuzz::InputPath());
    const bool looks = LooksLikeVideo(path);
    std::unique_ptr<VideoReader> video = VideoReader::Open(path);
    Check(looks || !video, "only what looks like a video opens");
    // A still picture goes to the picture decoders: not this target's.
    if (!looks) return 0;

    VideoSampling sampling;
    ReadFrames read;
    wxSize sampled;
    if (video) {
        const VideoFacts& facts = video->Facts();
        Check(facts.durationMs >= 0, "a video's length is not negative");
        Check(facts.size.x >= 1 && facts.size.x <= 65535 && facts.size.y >= 1 && facts.size.y <= 65535,
              "a video's size is one a picture can have");
        Check(std::isfinite(facts.frameRate) && facts.frameRate >= 0, "a video's rate is a rate");
        sampling = SamplingFor(size, facts);
        sampled = sampling.size.x > 0 ? sampling.size : facts.size;
        read = ReadRange(*video, sampling, sampled);
        // Back to the first frame after the range was read: a seek.
        if (read.first) {
            const std::unique_ptr<wxImage> again = video->PictureAt(read.firstMs, sampling.size);
            Check(!again || again->GetSize() == read.first->GetSize(), "a frame's time gives a picture of its size");
        }
    } else {
        sampling.endMs = 1000;
        sampling.size = sampled = wxSize(32, 24);
    }
    Decode(path, sampling, sampled, read, video != nullptr);
    return 0;
}
