// What the video reader's two backends share: FFmpeg's libraries read videos
// and APNG, libwebp reads animated WebP (which this FFmpeg cannot decode).
// Both give their frames in one form, so that one sampler serves both, and
// both bring pictures to size with one scaler.
#pragma once

#include "import/videoreader.h"

#include <wx/image.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct SwsContext;

// A picture in one of FFmpeg's pixel formats, as a decoder or libwebp left it.
struct ScalerSource {
    const uint8_t* const* planes;
    const int* strides;
    AVPixelFormat format;
    int width, height;
    AVColorSpace colours;  // the YUV matrix; unspecified for RGB
    AVColorRange range;
    bool alpha;  // the picture has transparency worth keeping
};

// Brings a picture to size and to the toolkit's RGB with libswscale, into the
// picture's own pixels (with room past the end: libswscale writes beyond a
// row's end). A YUV picture
// is resized in its own format first and then converted at that size:
// libswscale converts to packed RGB three times faster so than while
// resizing. Keeps its contexts between calls: the frames of one video all
// take the same ones.
class PictureScaler {
public:
    PictureScaler();
    ~PictureScaler();
    // Null when libswscale cannot convert the source's format.
    std::unique_ptr<wxImage> Scale(const ScalerSource& source, const wxSize& size);

private:
    struct FreeContext {
        void operator()(SwsContext* context) const;
    };
    struct FreePlanes {
        void operator()(uint8_t* planes) const;
    };
    using Context = std::unique_ptr<SwsContext, FreeContext>;
    // The source at size in its own format, in m_planes; false when that fails.
    bool Resize(const ScalerSource& source, const wxSize& size, ScalerSource& resized);
    std::unique_ptr<wxImage> Convert(const ScalerSource& source, const wxSize& size);
    void UseColours(const ScalerSource& source);

    // RGBA rows before the alpha goes apart, kept from frame to frame.
    uint8_t* Rows(size_t bytes);

    Context m_resize;
    Context m_convert;
    std::unique_ptr<uint8_t, FreePlanes> m_memory;  // m_planes' memory
    uint8_t* m_planes[4] = {};
    int m_strides[4] = {};
    wxSize m_planesSize;
    AVPixelFormat m_planesFormat = AV_PIX_FMT_NONE;
    std::vector<uint8_t> m_rows;
};

// Fills picture (already of the size) from RGBA rows, its alpha apart as the
// toolkit keeps it, and none when every pixel is opaque.
void SplitRgba(const uint8_t* rgba, int stride, wxImage& picture);

// One frame as the file has it: shown from start until end (after start), in
// ticks of its sequence's time base from the video's start. Its picture is
// converted only when asked for, so that frames between samples cost none.
class SourceFrame {
public:
    SourceFrame(long long startTicks, long long endTicks) : start(startTicks), end(endTicks) {}
    virtual ~SourceFrame() = default;
    // Null when the picture cannot be converted.
    virtual std::unique_ptr<wxImage> Picture(const wxSize& size) = 0;

    const long long start;
    const long long end;
};

// A file's frames in the order they show. Frames it gave stay valid while it
// lives, whatever it reads next.
class FrameSequence {
public:
    virtual ~FrameSequence() = default;
    virtual const VideoFacts& Facts() const = 0;
    virtual AVRational TimeBase() const = 0;
    // Goes back (or ahead) to where the frame shown at timeMs can be decoded
    // from: Next then gives that frame or one before it, or the first frame.
    virtual bool Seek(long long timeMs) = 0;
    // The next frame; null at the end, or where the file breaks.
    virtual std::unique_ptr<SourceFrame> Next() = 0;
    // Whether a frame that can be decoded on its own starts after `after`
    // and at or before `upTo` (ticks): seeking there skips decoding.
    virtual bool KeyFrameBetween(long long after, long long upTo) const = 0;
    // Once Next gave null after a frame that ends at lastEnd: whether the file
    // broke off before the video it announces is over.
    virtual bool EndedEarly(long long lastEnd) const = 0;
};

// Null when the file holds no video stream that can be decoded.
std::unique_ptr<FrameSequence> OpenFfmpegFrames(const wxString& path);
// Null when the file is no animated WebP that libwebp takes.
std::unique_ptr<FrameSequence> OpenWebPFrames(const wxString& path);

// A still WebP's picture, with alpha when it has some; false when libwebp
// cannot decode the bytes.
bool DecodeWebPPicture(const std::string& bytes, wxImage& picture);
