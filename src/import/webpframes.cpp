// Animated WebP through libwebp's animation decoder, which draws each frame
// onto the canvas over the ones before it; and still WebP pictures.
#include "gif/reader.h"
#include "import/pictureformat.h"
#include "videoframes.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

struct DeleteDemuxer {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct DeleteAnimDecoder {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

WebPData DataOf(const std::string& bytes) {
    return WebPData{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

// The canvas as it was once the frame was drawn: the decoder draws the next
// one over it in place.
class WebPFrame final : public SourceFrame {
public:
    WebPFrame(const uint8_t* canvas, wxSize size, bool alpha, long long start, long long end, PictureScaler& scaler)
        : SourceFrame(start, end),
          m_canvas(canvas, canvas + static_cast<size_t>(size.x) * size.y * 4),
          m_size(size),
          m_alpha(alpha),
          m_scaler(scaler) {}

    std::unique_ptr<wxImage> Picture(const wxSize& size) override {
        const uint8_t* const planes[4] = {m_canvas.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {4 * m_size.x, 0, 0, 0};
        return m_scaler.Scale({planes, strides, AV_PIX_FMT_RGBA, m_size.x, m_size.y, AVCOL_SPC_UNSPECIFIED,
                               AVCOL_RANGE_UNSPECIFIED, m_alpha},
                              size);
    }

private:
    std::vector<uint8_t> m_canvas;
    wxSize m_size;
    bool m_alpha;
    PictureScaler& m_scaler;
};

class WebPFrames final : public FrameSequence {
public:
    WebPFrames(std::string bytes, const VideoFacts& facts, bool alpha)
        : m_bytes(std::move(bytes)), m_facts(facts), m_alpha(alpha) {}

    const VideoFacts& Facts() const override { return m_facts; }
    AVRational TimeBase() const override { return AVRational{1, 1000}; }

    // Every frame is drawn over the ones before it: always from the first.
    bool Seek(long long) override {
        m_lastEnd = 0;
        m_broke = false;
        if (m_decoder) {
            WebPAnimDecoderReset(m_decoder.get());
            return true;
        }
        // The canvas is made only now, and never larger than a picture may be.
        if (static_cast<long long>(m_facts.size.x) * m_facts.size.y > GifReader::kMaxFramePixels) return false;
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options)) return false;
        options.color_mode = MODE_RGBA;
        const WebPData data = DataOf(m_bytes);
        m_decoder.reset(WebPAnimDecoderNew(&data, &options));
        return m_decoder != nullptr;
    }

    std::unique_ptr<SourceFrame> Next() override {
        if (!m_decoder || !WebPAnimDecoderHasMoreFrames(m_decoder.get())) return nullptr;
        uint8_t* canvas = nullptr;
        int end = 0;  // the decoder gives when a frame ends
        if (!WebPAnimDecoderGetNext(m_decoder.get(), &canvas, &end)) {
            m_broke = true;
            return nullptr;
        }
        const long long start = m_lastEnd;
        m_lastEnd = std::max<long long>(end, start);
        // Even a frame of no length ends after it starts.
        return std::make_unique<WebPFrame>(canvas, m_facts.size, m_alpha, start, std::max(start + 1, m_lastEnd),
                                           m_scaler);
    }

    bool KeyFrameBetween(long long, long long) const override { return false; }
    bool EndedEarly(long long) const override { return m_broke; }

private:
    std::string m_bytes;  // the decoder reads from them
    VideoFacts m_facts;
    bool m_alpha;
    std::unique_ptr<WebPAnimDecoder, DeleteAnimDecoder> m_decoder;
    PictureScaler m_scaler;
    long long m_lastEnd = 0;
    bool m_broke = false;
};

}  // namespace

std::unique_ptr<FrameSequence> OpenWebPFrames(const wxString& path) {
    std::string bytes = FileBytes(path);
    const WebPData data = DataOf(bytes);
    // The demuxer reads the chunks only: the facts come without decoding.
    const std::unique_ptr<WebPDemuxer, DeleteDemuxer> demuxer(WebPDemux(&data));
    if (!demuxer) return nullptr;
    VideoFacts facts;
    facts.size = wxSize(static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH)),
                        static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT)));
    const int frames = static_cast<int>(WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT));
    if (facts.size.x <= 0 || facts.size.y <= 0 || frames <= 0) return nullptr;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        do facts.durationMs += frame.duration;
        while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    facts.frameRate = facts.durationMs > 0 ? frames * 1000.0 / facts.durationMs : 0;
    const bool alpha = (WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ALPHA_FLAG) != 0;
    return std::make_unique<WebPFrames>(std::move(bytes), facts, alpha);
}

// libwebp writes straight into the picture's pixels; with alpha through RGBA
// rows, as the picture keeps alpha apart.
bool DecodeWebPPicture(const std::string& bytes, wxImage& picture) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK) return false;
    const int width = features.width, height = features.height;
    if (!picture.Create(width, height, false)) throw std::bad_alloc();
    const size_t pixels = static_cast<size_t>(width) * height;
    if (!features.has_alpha)
        return WebPDecodeRGBInto(data, bytes.size(), picture.GetData(), pixels * 3, width * 3) != nullptr;
    std::vector<uint8_t> rgba(pixels * 4);
    if (!WebPDecodeRGBAInto(data, bytes.size(), rgba.data(), rgba.size(), width * 4)) return false;
    SplitRgba(rgba.data(), width * 4, picture);
    return true;
}
