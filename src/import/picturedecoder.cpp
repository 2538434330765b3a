#include "import/picturedecoder.h"

#include "decodeahead.h"
#include "import/framepath.h"
#include "import/pictureformat.h"
#include "videoframes.h"

#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <climits>
#include <new>
#include <thread>

namespace {

bool IsTooLarge(const wxSize& size) {
    return static_cast<long long>(size.x) * size.y > GifReader::kMaxFramePixels;
}

wxSize SizeOr(const wxSize& size, const wxSize& otherwise) { return size.x > 0 && size.y > 0 ? size : otherwise; }

// How far through the sampling's range a time is, for the import's progress;
// 0 when the range's end is unknown.
float PartOfRange(const VideoSampling& sampling, const VideoFacts& facts, long long timeMs) {
    const long long end = sampling.endMs >= 0 ? sampling.endMs : facts.durationMs;
    if (end <= sampling.startMs) return 0;
    return std::clamp(static_cast<float>(timeMs - sampling.startMs) / (end - sampling.startMs), 0.f, 1.f);
}

}  // namespace

PictureDecoder::PictureDecoder(long long budgetPixels) : m_remaining(budgetPixels) {}

PictureDecoder::~PictureDecoder() = default;

void PictureDecoder::Expect(const wxArrayString& upcoming) {
    wxLogNull quiet;
    m_ahead.reset();
    if (m_exhausted || upcoming.empty()) return;
    // Twice as many pictures ahead as workers, so that none waits for the next.
    const size_t workers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
    try {
        m_ahead = std::make_unique<DecodeAhead>(upcoming, workers, 2 * workers);
        m_ahead->Begin(m_remaining);
    } catch (const std::exception&) {
        m_ahead.reset();  // no memory or no thread for it: each is decoded at its turn
    }
}

void PictureDecoder::Reach(const wxString& listed) {
    if (!m_ahead) return;
    if (m_exhausted) return m_ahead.reset();  // every later path is skipped
    try {
        m_ahead->Reach(listed, m_remaining);
    } catch (const std::exception&) {
        m_ahead.reset();
    }
}

void PictureDecoder::Decode(const wxString& listed, const Receiver& receive) {
    wxLogNull quiet;
    Reach(listed);
    if (m_exhausted) return Skip(listed, SkipReason::OverBudget);
    try {
        if (const std::optional<VideoFrameRef> frame = VideoFrameFromPath(listed))
            DecodeVideoFrame(listed, *frame, receive);
        else
            DecodeFile(listed, receive);
    } catch (const std::bad_alloc&) {
        m_exhausted = true;
        Skip(listed, SkipReason::OverBudget);
    }
}

void PictureDecoder::DecodeFile(const wxString& listed, const Receiver& receive) {
    const int frameIndex = FrameIndexFromPath(listed);
    const wxString path = StripFrameSuffix(listed);
    if (!wxFileName::Exists(path)) return Skip(listed, SkipReason::NotFound);
    // A folder, a pipe or a device holds no picture (and a pipe could block).
    if (!wxFileName::FileExists(path)) return Skip(listed, SkipReason::NotAPicture);
    if (frameIndex < 0 && LooksLikeVideo(path)) return DecodeVideo(path, receive);
    const PictureFormat format = PictureFormatOfFile(path);
    if (format == PictureFormat::Gif)
        DecodeGif(listed, path, frameIndex, receive);
    else if (format == PictureFormat::None)
        Skip(listed, SkipReason::NotAPicture);
    else if (frameIndex > 0)
        Skip(listed, SkipReason::NotFound);  // a single picture has no frame 1
    else
        DecodePicture(listed, path, format, receive);
}

void PictureDecoder::DecodeGif(const wxString& listed, const wxString& path, int frameIndex,
                               const Receiver& receive) {
    if (frameIndex >= 0)
        DecodeGifFrame(listed, path, frameIndex, INT_MAX, receive);
    else if (HasGifExtension(path))
        DecodeWholeGif(listed, path, receive);
    else
        DecodeGifFrame(listed, path, 0, 1, receive);  // named as one picture, taken as one
}

void PictureDecoder::DecodeWholeGif(const wxString& listed, const wxString& path,
                                    const Receiver& receive) {
    // Each frame goes on as soon as the next one is drawn: the last one waits
    // until the file's reason to be named is known, and no more than two
    // frames are held here at once.
    m_gifCached = false;
    std::optional<DecodedPicture> held;
    bool going = true;
    m_gif.Stream(path, m_remaining, [&](std::unique_ptr<wxImage> picture, int delay) {
        if (held && !(going = Deliver(listed, std::move(*held), receive))) return false;
        const int index = m_gif.GetFrameCount() - 1;
        held = DecodedPicture{std::move(picture), path, index, delay, false};
        return true;
    });
    if (!going) return;
    switch (m_gif.GetOutcome()) {
        case GifReader::Outcome::NotGif: return Skip(listed, SkipReason::NotAPicture);
        case GifReader::Outcome::OverBudget:
            m_exhausted = true;
            Skip(listed, SkipReason::OverBudget);
            break;
        case GifReader::Outcome::TooLarge:
            // Named also when frames before it were read: none is left out unsaid.
            Skip(listed, SkipReason::TooLarge, m_gif.GetRefusedSize());
            break;
        case GifReader::Outcome::Damaged:
            // A damaged file gives the frames before the damage, and is named.
            if (!held) return Skip(listed, SkipReason::Damaged);
            return DeliverLast(listed, held, true, receive);
        default:
            break;
    }
    if (held) DeliverLast(listed, held, false, receive);
}

bool PictureDecoder::Deliver(const wxString& listed, DecodedPicture&& decoded, const Receiver& receive) {
    if (!Charge(PixelCount(*decoded.picture))) {
        if (m_skipped.empty() || m_skipped.back().path != listed) Skip(listed, SkipReason::OverBudget);
        return false;
    }
    return receive(std::move(decoded));
}

void PictureDecoder::DeliverLast(const wxString& listed, std::optional<DecodedPicture>& last, bool partly,
                                 const Receiver& receive) {
    last->lastOfPath = true;
    // Named before its last picture goes, which may be the import's last word.
    if (partly) Skip(listed, SkipReason::PartlyRead);
    if (!Deliver(listed, std::move(*last), receive) && partly) Unskip(listed, SkipReason::PartlyRead);
}

void PictureDecoder::DecodeVideo(const wxString& path, const Receiver& receive) {
    const std::unique_ptr<VideoReader> video = VideoReader::Open(path);
    if (!video) return Skip(path, SkipReason::Damaged);
    const VideoFacts& facts = video->Facts();
    const VideoSampling sampling = m_videoChooser ? m_videoChooser(path, facts) : DefaultVideoSampling(facts);
    const wxSize size = SizeOr(sampling.size, facts.size);
    // Refused before any frame is decoded, as a picture is.
    if (IsTooLarge(facts.size) || IsTooLarge(size))
        return Skip(path, SkipReason::TooLarge, IsTooLarge(facts.size) ? facts.size : size);
    // Each frame goes on once the next one is read, so that the last one is
    // known as such, and how far the import is with it.
    std::optional<DecodedPicture> held;
    const VideoOutcome outcome = video->Read(sampling, [&](VideoFrame&& frame) {
        if (held) {
            held->partDone = PartOfRange(sampling, facts, frame.timeMs);
            if (!Deliver(path, std::move(*held), receive)) return false;
        }
        held = DecodedPicture{std::move(frame.picture), MakeVideoFramePath(path, frame.timeMs, size), 0,
                              frame.delay, false, 0};
        return true;
    });
    if (outcome == VideoOutcome::Stopped) return;
    if (outcome == VideoOutcome::Unreadable || !held) return Skip(path, SkipReason::Damaged);
    held->partDone = 1;
    DeliverLast(path, held, outcome == VideoOutcome::Damaged, receive);
}

void PictureDecoder::DecodeVideoFrame(const wxString& listed, const VideoFrameRef& frame, const Receiver& receive) {
    const wxString& path = frame.path;
    if (!wxFileName::Exists(path)) return SkipOnce(path, SkipReason::NotFound);
    if (!wxFileName::FileExists(path)) return SkipOnce(path, SkipReason::NotAPicture);
    if (IsTooLarge(frame.size)) return SkipOnce(path, SkipReason::TooLarge, frame.size);
    if (m_videoPath != path) {
        m_video.reset();  // one open video at a time
        m_video = VideoReader::Open(path);
        m_videoPath = path;
    }
    if (!m_video) return SkipOnce(path, LooksLikeVideo(path) ? SkipReason::Damaged : SkipReason::NotAPicture);
    if (IsTooLarge(m_video->Facts().size)) return SkipOnce(path, SkipReason::TooLarge, m_video->Facts().size);
    // Charged at the size it comes in before it is decoded, as a picture is.
    const long long pixels = static_cast<long long>(frame.size.x) * frame.size.y;
    if (!Charge(pixels)) return Skip(listed, SkipReason::OverBudget);
    std::unique_ptr<wxImage> picture = m_video->PictureAt(frame.timeMs, frame.size);
    if (!picture) {
        m_remaining += pixels;
        return SkipOnce(path, SkipReason::NotFound);  // past the video's end, or where it breaks
    }
    receive(DecodedPicture{std::move(picture), listed, 0, -1, true, 0});
}

void PictureDecoder::DecodeGifFrame(const wxString& listed, const wxString& path, int frameIndex,
                                    int maxFrames, const Receiver& receive) {
    LoadGif(path, maxFrames);
    if (frameIndex >= m_gif.GetFrameCount()) {
        switch (m_gif.GetOutcome()) {
            case GifReader::Outcome::NotGif: return Skip(listed, SkipReason::NotAPicture);
            case GifReader::Outcome::Damaged: return Skip(listed, SkipReason::Damaged);
            case GifReader::Outcome::OverBudget: m_exhausted = true; return Skip(listed, SkipReason::OverBudget);
            case GifReader::Outcome::TooLarge: return Skip(listed, SkipReason::TooLarge, m_gif.GetRefusedSize());
            case GifReader::Outcome::Complete: return Skip(listed, SkipReason::NotFound);  // no such frame
        }
    }
    DecodedPicture decoded{m_gif.TakeFrame(frameIndex), path, frameIndex, m_gif.GetDelay(frameIndex), true};
    if (!decoded.picture || !Charge(PixelCount(*decoded.picture))) {
        m_exhausted = true;
        return Skip(listed, SkipReason::OverBudget);
    }
    receive(std::move(decoded));
}

void PictureDecoder::DecodePicture(const wxString& listed, const wxString& path,
                                   PictureFormat format, const Receiver& receive) {
    // The header's size is charged before decoding, so that a small file that
    // claims a huge picture never gets the memory for it.
    const std::optional<wxSize> size = PictureSizeOfFile(path, format);
    if (!size) return Skip(listed, SkipReason::Damaged);
    const long long pixels = static_cast<long long>(size->x) * size->y;
    if (pixels > GifReader::kMaxFramePixels) return Skip(listed, SkipReason::TooLarge, *size);
    if (!Charge(pixels)) return Skip(listed, SkipReason::OverBudget);
    std::optional<StillPicture> ahead = m_ahead ? m_ahead->Take(path, format) : std::nullopt;
    StillPicture still = ahead ? std::move(*ahead) : ReadStillPicture(path, format);
    m_remaining += pixels;  // charged again below at its real size
    if (!still.picture) return Skip(listed, SkipReason::Damaged);
    if (!Charge(PixelCount(*still.picture))) return Skip(listed, SkipReason::OverBudget);
    if (still.partly) Skip(listed, SkipReason::PartlyRead);
    if (!receive(DecodedPicture{std::move(still.picture), path, 0, -1, true}) && still.partly)
        Unskip(listed, SkipReason::PartlyRead);
}

void PictureDecoder::LoadGif(const wxString& path, int maxFrames) {
    if (m_gifCached && m_gif.GetPath() == path && m_gifFrameLimit >= maxFrames) return;
    m_gif.Load(path, m_remaining, maxFrames);
    m_gifCached = true;
    m_gifFrameLimit = maxFrames;
}

void PictureDecoder::Unskip(const wxString& listed, SkipReason reason) {
    if (!m_skipped.empty() && m_skipped.back().path == listed && m_skipped.back().reason == reason)
        m_skipped.pop_back();
}

void PictureDecoder::Release(const wxImage& picture) { Release(PixelCount(picture)); }

void PictureDecoder::Release(long long pixels) {
    if (!m_exhausted) m_remaining += pixels;
}

bool PictureDecoder::Charge(long long pixels) {
    if (pixels > m_remaining) {
        m_remaining = 0;
        m_exhausted = true;
        return false;
    }
    m_remaining -= pixels;
    return true;
}

void PictureDecoder::Skip(const wxString& listed, SkipReason reason, wxSize size) {
    m_skipped.push_back({listed, reason, size});
}

void PictureDecoder::SkipOnce(const wxString& path, SkipReason reason, wxSize size) {
    const bool named = std::any_of(m_skipped.begin(), m_skipped.end(), [&](const SkippedPicture& skipped) {
        return skipped.reason == reason && skipped.path == path;
    });
    if (!named) Skip(path, reason, size);
}
