// Turns the paths of one import into pictures: the decoder is chosen from each
// file's first bytes, every path that gives nothing is recorded with a reason,
// and one budget of decoded pixels holds for the whole import. Used on the
// import thread and, for Insert Image, on the main thread; it touches no window.
#pragma once

#include "gif/reader.h"
#include "import/pictureformat.h"
#include "import/skippedpictures.h"
#include "import/videoreader.h"

#include <wx/arrstr.h>
#include <wx/image.h>
#include <wx/string.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct VideoFrameRef;
class DecodeAhead;

struct DecodedPicture {
    std::unique_ptr<wxImage> picture;
    wxString path;          // the file, without any frame suffix; a video's frame by its reference path
    int frameIndex = 0;     // the frame's position in its GIF, else 0
    int delay = -1;         // a GIF's or a video's frame's delay in hundredths, -1 for other pictures
    bool lastOfPath = true; // no more pictures follow from the same listed path
    float partDone = 0;     // a video's frames: how far through its range the import is with it (0 to 1]
};

// The pixels a picture counts against a decoder's budget.
inline long long PixelCount(const wxImage& image) {
    return static_cast<long long>(image.GetWidth()) * image.GetHeight();
}

class PictureDecoder {
public:
    // About 2 GB of pictures in all.
    static constexpr long long kImportPixels = GifReader::kMaxTotalPixels;

    explicit PictureDecoder(long long budgetPixels = kImportPixels);
    ~PictureDecoder();

    // Receives each picture in order; returns false to stop the path early.
    using Receiver = std::function<bool(DecodedPicture&&)>;
    // Decodes a listed path: a picture file, every frame of a file named .gif
    // (in any letter case), the frames the chooser takes from a video (by
    // content: MP4, WebM, animated WebP, APNG...), or one frame of a GIF's or
    // a video's frame reference path. GIF content under another name gives
    // its first frame.
    void Decode(const wxString& listed, const Receiver& receive);
    // The paths Decode will be given next, in this order: the still picture
    // files among the next few are decoded meanwhile on worker threads, as
    // far as the budget has room for them. What Decode gives stays the same.
    void Expect(const wxArrayString& upcoming);

    // Which frames a video gives; asked once per listed video.
    using VideoChooser = std::function<VideoSampling(const wxString& path, const VideoFacts& facts)>;
    // Without one, DefaultVideoSampling.
    void SetVideoChooser(VideoChooser chooser) { m_videoChooser = std::move(chooser); }

    // A delivered picture no longer held decoded (it went to the frame
    // store): its pixels count no more against the budget.
    void Release(const wxImage& picture);
    void Release(long long pixels);
    // A delivered picture that the frame store could not take (out of
    // memory): named with the skipped ones.
    void NotStored(const wxString& path) { Skip(path, SkipReason::OverBudget); }

    const std::vector<SkippedPicture>& GetSkipped() const { return m_skipped; }
    std::vector<SkippedPicture> TakeSkipped() { return std::move(m_skipped); }
    // Once a picture did not fit, every later one is skipped.
    bool IsExhausted() const { return m_exhausted; }

private:
    // listed's turn has come for the pictures decoded ahead.
    void Reach(const wxString& listed);
    void DecodeFile(const wxString& listed, const Receiver& receive);
    void DecodeGif(const wxString& listed, const wxString& path, int frameIndex,
                   const Receiver& receive);
    void DecodeWholeGif(const wxString& listed, const wxString& path, const Receiver& receive);
    void DecodeGifFrame(const wxString& listed, const wxString& path, int frameIndex,
                        int maxFrames, const Receiver& receive);
    void DecodePicture(const wxString& listed, const wxString& path, PictureFormat format,
                       const Receiver& receive);
    void DecodeVideo(const wxString& path, const Receiver& receive);
    void DecodeVideoFrame(const wxString& listed, const VideoFrameRef& frame, const Receiver& receive);
    // Passes on one of a file's pictures once charged; false to stop the file
    // (the receiver said so, or it did not fit: named once).
    bool Deliver(const wxString& listed, DecodedPicture&& decoded, const Receiver& receive);
    // Passes on the last of a file's pictures, naming the file as partly read
    // first when it broke off.
    void DeliverLast(const wxString& listed, std::optional<DecodedPicture>& last, bool partly,
                     const Receiver& receive);
    // Reads the GIF unless it is the one read last and still whole.
    void LoadGif(const wxString& path, int maxFrames);
    // Counts the pixels against the budget; false (and the budget spent) when
    // they do not fit.
    bool Charge(long long pixels);
    void Skip(const wxString& listed, SkipReason reason, wxSize size = wxSize());
    // Names a file once whatever number of its frames a project lists.
    void SkipOnce(const wxString& path, SkipReason reason, wxSize size = wxSize());
    // Takes back the last Skip when it is this one.
    void Unskip(const wxString& listed, SkipReason reason);

    long long m_remaining;
    bool m_exhausted = false;
    std::vector<SkippedPicture> m_skipped;
    // A project lists a long GIF frame by frame: it is read once for all of them.
    GifReader m_gif;
    bool m_gifCached = false;
    int m_gifFrameLimit = 0;  // how many frames the cached read was allowed
    VideoChooser m_videoChooser;
    // A project lists a video frame by frame: it stays open for all of them.
    std::unique_ptr<VideoReader> m_video;
    wxString m_videoPath;
    std::unique_ptr<DecodeAhead> m_ahead;
};
