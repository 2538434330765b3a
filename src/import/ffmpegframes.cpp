// Videos and APNG through FFmpeg's libraries: one video stream decoded with
// the machine's cores, its frames timed by their best-effort timestamps.
#include "ffmpeglibraries.h"
#include "gif/reader.h"
#include "videoframes.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/mathematics.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

struct CloseInput {
    void operator()(AVFormatContext* input) const { Ffmpeg()->avformat_close_input(&input); }
};
struct FreeDecoder {
    void operator()(AVCodecContext* decoder) const { Ffmpeg()->avcodec_free_context(&decoder); }
};
struct FreeFrame {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
    void operator()(AVPacket* packet) const { Ffmpeg()->av_packet_free(&packet); }
};
using InputPtr = std::unique_ptr<AVFormatContext, CloseInput>;
using DecoderPtr = std::unique_ptr<AVCodecContext, FreeDecoder>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;

// Options for the libraries, freed with the object.
struct Options {
    AVDictionary* entries = nullptr;
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { av_dict_free(&entries); }
    void Set(const char* key, const std::string& value) { av_dict_set(&entries, key, value.c_str(), 0); }
};

// One set of options for each stream, as reading the headers takes them.
struct StreamOptions {
    std::vector<AVDictionary*> entries;
    StreamOptions(unsigned streams, const char* key, const std::string& value) : entries(streams, nullptr) {
        for (AVDictionary*& stream : entries) av_dict_set(&stream, key, value.c_str(), 0);
    }
    StreamOptions(const StreamOptions&) = delete;
    StreamOptions& operator=(const StreamOptions&) = delete;
    ~StreamOptions() {
        for (AVDictionary*& stream : entries) av_dict_free(&stream);
    }
};

constexpr AVRational kMilliseconds{1, 1000};
// The containers LooksLikeVideo takes, and no other: neither a playlist
// reaching for other files nor a demuxer guessing at stray bytes.
constexpr const char* kContainers = "mov,matroska,avi,mpegts,mpeg,flv,apng";
// Reading the headers reads at most this many bytes, and decodes at most this
// much of the video, whatever a file claims.
constexpr const char* kProbeBytes = "5000000";
constexpr const char* kProbeMicroseconds = "5000000";
const std::string kMaxPixels = std::to_string(GifReader::kMaxFramePixels);
// Beyond this a seek likely skips decoding, where the file has no index.
constexpr long long kFarMs = 10000;
// A decoder that fails this often in a row cannot go on.
constexpr int kErrorsInARow = 100;

// The libraries' messages would go to standard error: a damaged video is
// said once, by the import.
void Silence() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

InputPtr OpenInput(const wxString& path) {
    Options options;
    options.Set("probesize", kProbeBytes);
    options.Set("analyzeduration", kProbeMicroseconds);
    options.Set("format_whitelist", kContainers);
    options.Set("protocol_whitelist", "file");
    const wxScopedCharBuffer name = path.fn_str();
    if (!name.data()) return nullptr;
    // "file:" first, so that a colon in the name never reads as a protocol.
    const std::string url = std::string("file:") + name.data();
    AVFormatContext* opened = nullptr;
    if (Ffmpeg()->avformat_open_input(&opened, url.c_str(), nullptr, &options.entries) < 0) return nullptr;
    InputPtr input(opened);
    // Reading the headers decodes a few frames: none larger than the import takes.
    StreamOptions perStream(input->nb_streams, "max_pixels", kMaxPixels);
    if (Ffmpeg()->avformat_find_stream_info(input.get(), perStream.entries.empty() ? nullptr : perStream.entries.data()) < 0)
        return nullptr;
    return input;
}

// The video stream players show; never a cover picture.
AVStream* VideoStreamOf(AVFormatContext* input) {
    const auto isVideo = [](const AVStream* stream) {
        return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
               !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
    };
    const int best = Ffmpeg()->av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best >= 0 && isVideo(input->streams[best])) return input->streams[best];
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (isVideo(input->streams[i])) return input->streams[i];
    return nullptr;
}

DecoderPtr OpenDecoder(const AVStream* stream) {
    const AVCodec* codec = Ffmpeg()->avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    DecoderPtr decoder(Ffmpeg()->avcodec_alloc_context3(codec));
    if (!decoder || Ffmpeg()->avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) return nullptr;
    decoder->thread_count = 0;  // as many as the machine has
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    decoder->pkt_timebase = stream->time_base;
    decoder->max_pixels = GifReader::kMaxFramePixels;
    return Ffmpeg()->avcodec_open2(decoder.get(), codec, nullptr) < 0 ? nullptr : std::move(decoder);
}

// The size the frames show at: the pixels' aspect widens or narrows them.
wxSize ShownSize(AVFormatContext* input, AVStream* stream) {
    const int width = stream->codecpar->width, height = stream->codecpar->height;
    const AVRational aspect = Ffmpeg()->av_guess_sample_aspect_ratio(input, stream, nullptr);
    if (aspect.num <= 0 || aspect.den <= 0) return wxSize(width, height);
    const long long shown = av_rescale(width, aspect.num, aspect.den);
    return wxSize(static_cast<int>(std::clamp<long long>(shown, 1, 65535)), height);
}

// Quarter turns clockwise that show the frames upright: phones store a
// portrait video's frames sideways with a turn for the player.
int UprightTurns(AVStream* stream) {
    const uint8_t* matrix = Ffmpeg()->av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix) return 0;
    const double counterclockwise = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(counterclockwise)) return 0;
    return static_cast<int>(((-std::lround(counterclockwise / 90.0)) % 4 + 4) % 4);
}

wxSize Turned(const wxSize& size, int turns) { return turns % 2 ? wxSize(size.y, size.x) : size; }

// The video stream's own length: the container's may be its longest stream's.
long long StreamDuration(AVFormatContext* input, AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) return stream->duration;
    // Matroska writers give each track's length as a tag.
    const AVDictionaryEntry* tag = av_dict_get(stream->metadata, "DURATION", nullptr, 0);
    int64_t microseconds = 0;
    if (tag && av_parse_time(&microseconds, tag->value, 1) == 0 && microseconds > 0)
        return av_rescale_q(microseconds, AV_TIME_BASE_Q, stream->time_base);
    // A length estimated from the bit rate says nothing certain.
    if (input->nb_streams == 1 && input->duration > 0 &&
        input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
        return av_rescale_q(input->duration, AV_TIME_BASE_Q, stream->time_base);
    return 0;
}

class FfmpegFrame final : public SourceFrame {
public:
    FfmpegFrame(FramePtr frame, long long start, long long end, PictureScaler& scaler, int turns)
        : SourceFrame(start, end), m_frame(std::move(frame)), m_scaler(scaler), m_turns(turns) {}

    // size is as shown: upright.
    std::unique_ptr<wxImage> Picture(const wxSize& size) override {
        const auto format = static_cast<AVPixelFormat>(m_frame->format);
        const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
        const bool alpha = descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA);
        std::unique_ptr<wxImage> picture =
            m_scaler.Scale({m_frame->data, m_frame->linesize, format, m_frame->width, m_frame->height,
                            m_frame->colorspace, m_frame->color_range, alpha},
                           Turned(size, m_turns));
        if (!picture || m_turns == 0) return picture;
        return std::make_unique<wxImage>(m_turns == 2 ? picture->Rotate180() : picture->Rotate90(m_turns == 1));
    }

private:
    FramePtr m_frame;
    PictureScaler& m_scaler;
    const int m_turns;
};

class FfmpegFrames final : public FrameSequence {
public:
    FfmpegFrames(InputPtr input, AVStream* stream, DecoderPtr decoder)
        : m_input(std::move(input)), m_stream(stream), m_decoder(std::move(decoder)), m_packet(Ffmpeg()->av_packet_alloc()) {
        if (!m_packet) throw std::bad_alloc();
        m_turns = UprightTurns(stream);
        m_facts.size = Turned(ShownSize(m_input.get(), stream), m_turns);
        const AVRational rate = Ffmpeg()->av_guess_frame_rate(m_input.get(), stream, nullptr);
        m_facts.frameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
        m_duration = StreamDuration(m_input.get(), stream);
        m_facts.durationMs = av_rescale_q(m_duration, stream->time_base, kMilliseconds);
        m_origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        // A frame that says nothing of its length lasts as long as the average.
        const long long average = m_facts.frameRate > 0 ? av_rescale_q(1, av_inv_q(rate), stream->time_base)
                                                        : av_rescale_q(40, kMilliseconds, stream->time_base);
        m_frameLength = std::max(1LL, average);
        // APNG frames are drawn over the ones before them in ways its key
        // frames overlook: always from the first.
        m_fromStartOnly = std::strcmp(m_input->iformat->name, "apng") == 0;
        // Only the video is read.
        for (unsigned i = 0; i < m_input->nb_streams; ++i)
            if (m_input->streams[i] != stream) m_input->streams[i]->discard = AVDISCARD_ALL;
    }

    const VideoFacts& Facts() const override { return m_facts; }
    AVRational TimeBase() const override { return m_stream->time_base; }

    bool Seek(long long timeMs) override {
        m_peeked.reset();
        const long long target = av_rescale_q(timeMs, kMilliseconds, m_stream->time_base);
        if (timeMs <= 0 || m_fromStartOnly) return SeekToStart();
        // Some containers seek to any packet, or past the key frame asked
        // for: back a second more, then twice as far, until the first whole
        // frame decoded is at or before the target.
        const long long second = av_rescale_q(1000, kMilliseconds, m_stream->time_base);
        for (long long back = 0; back < target; back = std::max(2 * back, second)) {
            if (!SeekTo(m_origin + target - back)) return false;
            m_peeked = Decoded(true);
            if (m_peeked && m_peeked->start <= target) return true;
        }
        return SeekToStart();
    }

    std::unique_ptr<SourceFrame> Next() override {
        if (m_peeked) return std::move(m_peeked);
        return Decoded(false);
    }

    bool KeyFrameBetween(long long after, long long upTo) const override {
        if (m_fromStartOnly) return false;
        // No index yet (Matroska reads its cues at the first seek, a transport
        // stream has none): a jump this far likely passes a key frame.
        if (Ffmpeg()->avformat_index_get_entries_count(m_stream) < 2)
            return upTo - after > av_rescale_q(kFarMs, kMilliseconds, m_stream->time_base);
        const AVIndexEntry* key =
            Ffmpeg()->avformat_index_get_entry_from_timestamp(m_stream, m_origin + upTo, AVSEEK_FLAG_BACKWARD);
        return key && key->timestamp - m_origin > after;
    }

    bool EndedEarly(long long lastEnd) const override {
        return m_duration > 0 ? lastEnd + m_frameLength < m_duration : m_broke;
    }

private:
    bool SeekToStart() {
        m_peeked.reset();
        if (m_fresh) return true;  // just opened, the first frames are still to come
        // A transport or program stream's timestamps may start anywhere, and
        // seeking by them lands near, not at, the start: its first byte is.
        if (m_input->iformat->flags & AVFMT_TS_DISCONT) return SeekTo(0, AVSEEK_FLAG_BYTE);
        return SeekTo(m_origin);
    }

    bool SeekTo(long long timestamp, int flags = AVSEEK_FLAG_BACKWARD) {
        m_broke = false;
        m_lastStart = LLONG_MIN;
        m_lastEnd = 0;
        if (Ffmpeg()->av_seek_frame(m_input.get(), m_stream->index, timestamp, flags) < 0) return false;
        Ffmpeg()->avcodec_flush_buffers(m_decoder.get());
        return true;
    }

    // The next picture the decoder gives; false at the end or when it cannot go on.
    bool Decode(AVFrame& frame) {
        for (int errors = 0;;) {
            const int received = Ffmpeg()->avcodec_receive_frame(m_decoder.get(), &frame);
            if (received == 0) return true;
            if (received == AVERROR_EOF) return false;
            if (received == AVERROR(EAGAIN)) {
                Feed();
            } else if (++errors > kErrorsInARow) {
                m_broke = true;
                return false;
            }
        }
    }

    // Gives the decoder the next packet of the video, or the end of the file.
    void Feed() {
        for (;;) {
            const int read = Ffmpeg()->av_read_frame(m_input.get(), m_packet.get());
            if (read < 0) {
                if (read != AVERROR_EOF) m_broke = true;
                Ffmpeg()->avcodec_send_packet(m_decoder.get(), nullptr);  // it gives what it still holds
                return;
            }
            const bool ours = m_packet->stream_index == m_stream->index;
            const int sent = ours ? Ffmpeg()->avcodec_send_packet(m_decoder.get(), m_packet.get()) : AVERROR(EAGAIN);
            Ffmpeg()->av_packet_unref(m_packet.get());
            // A damaged packet is passed over: the decoder hides what it lost.
            if (ours && (sent == 0 || sent == AVERROR_EOF)) return;
        }
    }

    // The next frame decoded; with whole, the next one that needs no frame
    // before it, passing over what a seek to a packet after a key frame gives.
    std::unique_ptr<SourceFrame> Decoded(bool whole) {
        m_fresh = false;
        FramePtr frame(av_frame_alloc());
        if (!frame) throw std::bad_alloc();
        for (;;) {
            if (!Decode(*frame)) return nullptr;
            if (!whole || frame->key_frame || frame->pict_type == AV_PICTURE_TYPE_I) return Timed(std::move(frame));
            av_frame_unref(frame.get());
        }
    }

    std::unique_ptr<SourceFrame> Timed(FramePtr frame) {
        const long long stamp = frame->best_effort_timestamp;
        long long start = stamp != AV_NOPTS_VALUE ? stamp - m_origin : m_lastEnd;
        // A timestamp that goes back (a broken file) shows no earlier than the frame before.
        if (m_lastStart != LLONG_MIN) start = std::max(start, m_lastStart);
        const long long end = start + (frame->pkt_duration > 0 ? frame->pkt_duration : m_frameLength);
        m_lastStart = start;
        m_lastEnd = end;
        return std::make_unique<FfmpegFrame>(std::move(frame), start, end, m_scaler, m_turns);
    }

    InputPtr m_input;
    AVStream* m_stream;
    DecoderPtr m_decoder;
    PacketPtr m_packet;
    PictureScaler m_scaler;
    VideoFacts m_facts;
    int m_turns = 0;  // quarter turns clockwise that make the frames upright
    long long m_origin = 0;       // the stream's first timestamp: time 0
    long long m_duration = 0;     // the stream's length in ticks; 0: unknown
    long long m_frameLength = 1;  // an average frame's, in ticks
    long long m_lastStart = LLONG_MIN;
    long long m_lastEnd = 0;
    bool m_fromStartOnly = false;
    bool m_fresh = true;   // nothing read since opening
    bool m_broke = false;  // a read failed before the end of the file
    std::unique_ptr<SourceFrame> m_peeked;  // read by Seek, given by the next Next
};

}  // namespace

std::unique_ptr<FrameSequence> OpenFfmpegFrames(const wxString& path) {
    // Every other call into the libraries follows an open input.
    if (!Ffmpeg()) return nullptr;
    Silence();
    InputPtr input = OpenInput(path);
    AVStream* stream = input ? VideoStreamOf(input.get()) : nullptr;
    if (!stream || stream->codecpar->width <= 0 || stream->codecpar->height <= 0) return nullptr;
    DecoderPtr decoder = OpenDecoder(stream);
    if (!decoder) return nullptr;
    return std::make_unique<FfmpegFrames>(std::move(input), stream, std::move(decoder));
}
