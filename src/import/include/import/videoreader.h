// Videos and other moving pictures (animated WebP, APNG) read as frames of the
// animation: what a file holds (its length, size and rate), the frames of a
// chosen range sampled at a chosen rate and size, and one frame again by its
// time, as a project names it. Works on wxImage only: runs on the import
// thread, and on the main thread for the range dialog's previews.
#pragma once

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

#include <functional>
#include <memory>

// What the file says of itself before any frame is decoded.
struct VideoFacts {
    long long durationMs = 0;  // 0: unknown
    wxSize size;               // the frames' size as shown (the pixel aspect applied)
    double frameRate = 0;      // frames per second on average; 0: unknown
};

// Which frames an import takes from a video.
struct VideoSampling {
    long long startMs = 0;
    long long endMs = -1;  // exclusive; -1: to the end
    int fps = 0;           // samples per second; 0: every frame, at the video's own timing
    wxSize size;           // the frames' size in the document; empty: the video's own
    bool operator==(const VideoSampling& o) const {
        return startMs == o.startMs && endMs == o.endMs && fps == o.fps && size == o.size;
    }
};

// What an import takes when nobody chose: the whole video, every frame when
// its rate is at most 25 a second and else 25 samples a second, at its own
// size when at most 1280 wide and else 1280 wide with its aspect (even sides).
VideoSampling DefaultVideoSampling(const VideoFacts& facts);
constexpr int kDefaultVideoRateLimit = 25;
constexpr int kDefaultVideoWidthLimit = 1280;
// The size width pixels wide with videoSize's aspect, both sides even (at
// least 2), as video encoders want them.
wxSize VideoSizeForWidth(const wxSize& videoSize, int width);

// One frame of an import: its picture at the sampling's size, the time that
// names it again (VideoReader::PictureAt gives the same picture for it) and
// how long it shows, in hundredths (from the timestamps: a sample that shows
// the same video frame as the one before is not repeated, its time goes to
// the frame before).
struct VideoFrame {
    std::unique_ptr<wxImage> picture;
    long long timeMs = 0;
    int delay = 0;
};

enum class VideoOutcome {
    Complete,  // every frame of the range was read
    Damaged,   // the file ended or broke before the range did: the frames before it were given
    Unreadable,  // no frame could be read (the file is damaged)
    Stopped,   // the receiver said stop
};

class VideoReader {
public:
    virtual ~VideoReader() = default;
    // Null when the libraries cannot read the file as a moving picture.
    static std::unique_ptr<VideoReader> Open(const wxString& path);

    virtual const VideoFacts& Facts() const = 0;
    // The frames of the sampling's range in order; receive returns false to
    // stop. Frames are decoded one at a time, so that a long video needs no
    // more memory than a few frames.
    virtual VideoOutcome Read(const VideoSampling& sampling,
                              const std::function<bool(VideoFrame&&)>& receive) = 0;
    // The picture shown at timeMs (the last frame starting at or before it),
    // at size (empty: the video's own). Reading forward from the last call
    // continues where it was; going back seeks. Null past the end or when the
    // file breaks before it.
    virtual std::unique_ptr<wxImage> PictureAt(long long timeMs, const wxSize& size) = 0;
};

// Whether the first bytes of a file are those of a container the video
// reader takes (MP4/MOV, Matroska/WebM, AVI, animated WebP, APNG, ...) and
// not a still picture that the picture decoders read; chosen by content.
bool LooksLikeVideo(const wxString& path);

// The size of a video's frames made width wide, its aspect kept, both sides
// even (what video encoders and scalers expect) and at least 2.
wxSize VideoSizeForWidth(const wxSize& videoSize, int width);
