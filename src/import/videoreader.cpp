// The sampling both backends share: which of a file's frames a range at a
// rate shows, each frame's time and delay, and one frame by its time.
#include "import/videoreader.h"

#include "import/pictureformat.h"
#include "videoframes.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <optional>

namespace {

constexpr AVRational kMilliseconds{1, 1000};
// Enough for every signature below; an MPEG transport stream shows its third
// packet's sync byte at 376.
constexpr size_t kVideoHeadBytes = 400;
constexpr int kMaxVideoSide = 65535;
// The longest delay a frame can keep.
constexpr long long kMaxDelay = 65535;

bool At(const std::string& head, size_t at, const std::string& text) {
    return head.size() >= at + text.size() && head.compare(at, text.size(), text) == 0;
}

// An ISO media file (MP4, MOV, 3GP), but not a still HEIF or AVIF picture.
bool IsIsoMedia(const std::string& head) {
    if (At(head, 4, "ftyp")) {
        for (const char* still : {"avif", "avis", "heic", "heix", "mif1", "msf1"})
            if (At(head, 8, still)) return false;
        return true;
    }
    // Older QuickTime files start with their first box.
    for (const char* box : {"moov", "mdat", "wide", "free", "skip"})
        if (At(head, 4, box)) return true;
    return false;
}

bool IsMpegStream(const std::string& head) {
    const auto sync = [&head](size_t at) { return head.size() > at && head[at] == '\x47'; };
    // A transport stream's packets, or a program stream's pack header.
    return (sync(0) && sync(188) && sync(376)) || At(head, 0, std::string("\x00\x00\x01\xba", 4));
}

bool IsVideoContainer(const std::string& head) {
    return IsIsoMedia(head) || At(head, 0, "\x1a\x45\xdf\xa3") || (At(head, 0, "RIFF") && At(head, 8, "AVI ")) ||
           (At(head, 0, "FLV") && head.size() > 3 && head[3] == 1) || IsMpegStream(head);
}

// Whether the file whose first bytes are head is a moving picture.
bool IsVideo(const wxString& path, const std::string& head) {
    return IsVideoContainer(head) || IsAnimatedWebP(head) ||
           (PictureFormatOf(head) == PictureFormat::Png && IsAnimatedPng(path));
}

// Hundredths on one grid for every frame: a delay is the difference of two
// rounded times, so that rounding never adds up over many frames.
long long Hundredths(long long ms) { return (std::max(0LL, ms) + 5) / 10; }

int DelayBetween(long long fromMs, long long toMs) {
    return static_cast<int>(std::clamp(Hundredths(toMs) - Hundredths(fromMs), 1LL, kMaxDelay));
}

class SampledVideo final : public VideoReader {
public:
    explicit SampledVideo(std::unique_ptr<FrameSequence> frames) : m_frames(std::move(frames)) {}

    const VideoFacts& Facts() const override { return m_frames->Facts(); }
    VideoOutcome Read(const VideoSampling& sampling, const std::function<bool(VideoFrame&&)>& receive) override;
    std::unique_ptr<wxImage> PictureAt(long long timeMs, const wxSize& size) override;

private:
    long long Ticks(long long ms) const { return av_rescale_q(ms, kMilliseconds, m_frames->TimeBase()); }
    long long Milliseconds(long long ticks) const { return av_rescale_q(ticks, m_frames->TimeBase(), kMilliseconds); }
    // The first whole millisecond at or after ticks.
    long long MillisecondsUp(long long ticks) const {
        return av_rescale_q_rnd(ticks, m_frames->TimeBase(), kMilliseconds, AV_ROUND_UP);
    }
    wxSize SizeOr(const wxSize& size) const { return size.x > 0 && size.y > 0 ? size : Facts().size; }
    // From the frame shown at timeMs or before it.
    bool Restart(long long timeMs);
    // Makes m_current the frame shown at timeMs (the last to start at or
    // before it, else the first); false once the video is over by then.
    bool MoveTo(long long timeMs);
    // The sample after `sampleMs`, the k-th of the range.
    long long NextSample(const VideoSampling& sampling, long long k, long long sampleMs) const;

    std::unique_ptr<FrameSequence> m_frames;
    std::unique_ptr<SourceFrame> m_current;
    std::unique_ptr<SourceFrame> m_pending;  // the frame after it, when there is one
    long long m_index = -1;                  // m_current's position since the last Restart
};

bool SampledVideo::Restart(long long timeMs) {
    // Their pictures go back to the decoder before it seeks.
    m_current.reset();
    m_pending.reset();
    m_index = -1;
    if (!m_frames->Seek(timeMs)) return false;
    m_pending = m_frames->Next();
    return true;
}

bool SampledVideo::MoveTo(long long timeMs) {
    const long long ticks = Ticks(timeMs);
    while (m_pending && (!m_current || m_pending->start <= ticks)) {
        m_current = std::move(m_pending);
        ++m_index;
        m_pending = m_frames->Next();
    }
    return m_current && (m_pending || ticks < m_current->end);
}

long long SampledVideo::NextSample(const VideoSampling& sampling, long long k, long long sampleMs) const {
    if (sampling.fps > 0) return sampling.startMs + (2000 * k + sampling.fps) / (2LL * sampling.fps);
    // Every frame: the first millisecond that shows the next one.
    return std::max(sampleMs + 1, MillisecondsUp(m_pending ? m_pending->start : m_current->end));
}

VideoOutcome SampledVideo::Read(const VideoSampling& sampling, const std::function<bool(VideoFrame&&)>& receive) {
    const wxSize size = SizeOr(sampling.size);
    if (!Restart(sampling.startMs)) return VideoOutcome::Unreadable;
    // Each frame waits for the next sample that shows another one: then its
    // length is known.
    std::optional<VideoFrame> held;
    const auto pass = [&](long long nextMs) {
        held->delay = DelayBetween(held->timeMs, nextMs);
        return receive(std::move(*held));
    };
    long long heldIndex = -1;
    bool over = false, broken = false;
    for (long long k = 0, t = sampling.startMs; sampling.endMs < 0 || t < sampling.endMs;
         t = NextSample(sampling, ++k, t)) {
        if (!MoveTo(t)) {
            over = true;
            break;
        }
        if (m_index == heldIndex) continue;  // its time goes to the frame it repeats
        std::unique_ptr<wxImage> picture = m_current->Picture(size);
        if (!picture) {
            broken = true;
            break;
        }
        if (held && !pass(t)) return VideoOutcome::Stopped;
        held = VideoFrame{std::move(picture), t, 0};
        heldIndex = m_index;
    }
    if (!held) return VideoOutcome::Unreadable;
    if (!pass(over || broken ? Milliseconds(m_current->end) : sampling.endMs)) return VideoOutcome::Stopped;
    return broken || (over && m_frames->EndedEarly(m_current->end)) ? VideoOutcome::Damaged : VideoOutcome::Complete;
}

std::unique_ptr<wxImage> SampledVideo::PictureAt(long long timeMs, const wxSize& size) {
    // Forward from where the last call left off, unless a key frame on the
    // way lets a seek skip part of it; back only by seeking.
    const long long ticks = Ticks(timeMs);
    const bool back = !m_current || ticks < m_current->start;
    if ((back || (m_pending && m_frames->KeyFrameBetween(m_pending->start, ticks))) && !Restart(timeMs))
        return nullptr;
    if (!MoveTo(timeMs)) return nullptr;
    return m_current->Picture(SizeOr(size));
}

}  // namespace

VideoSampling DefaultVideoSampling(const VideoFacts& facts) {
    VideoSampling sampling;
    // A rate of 25 read as 25.0000001 still takes every frame.
    if (facts.frameRate > kDefaultVideoRateLimit + 0.001) sampling.fps = kDefaultVideoRateLimit;
    sampling.size = facts.size.x > kDefaultVideoWidthLimit ? VideoSizeForWidth(facts.size, kDefaultVideoWidthLimit)
                                                           : facts.size;
    return sampling;
}

std::unique_ptr<VideoReader> VideoReader::Open(const wxString& path) {
    // Only what it takes by its first bytes: no library guesses at the rest.
    const std::string head = FileBytes(path, kVideoHeadBytes);
    if (!IsVideo(path, head)) return nullptr;
    std::unique_ptr<FrameSequence> frames = IsAnimatedWebP(head) ? OpenWebPFrames(path) : OpenFfmpegFrames(path);
    // A side no picture (nor a frame's reference path) can have: the header lies.
    const wxSize size = frames ? frames->Facts().size : wxSize();
    if (size.x < 1 || size.y < 1 || size.x > kMaxVideoSide || size.y > kMaxVideoSide) return nullptr;
    return std::make_unique<SampledVideo>(std::move(frames));
}

bool LooksLikeVideo(const wxString& path) { return IsVideo(path, FileBytes(path, kVideoHeadBytes)); }
