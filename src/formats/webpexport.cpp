#include "formats/webpexport.h"

#include "formats/animationfile.h"
#include "formats/renderpipeline.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// How hard libwebp works on a frame (0 fastest .. 6 smallest). On the bench
// corpora (format_bench) 4 makes lossy frames 5 to 10 % smaller than 2 at one
// quality, for twice the time (about 1 s for 40 frames of 640 x 480 on 2
// cores), with the same PSNR, except on the screen-like frames at quality 75
// to 80 (2.5 dB less; from 85 up 4 is both smaller and closer); 3 gives what
// 4 gives.
constexpr int kMethod = 4;
// The effort of lossless frames, as libwebp's own tools default to.
constexpr float kLosslessEffort = 75;

struct EncoderDelete {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};
using EncoderPtr = std::unique_ptr<WebPAnimEncoder, EncoderDelete>;

struct PictureDelete {
    void operator()(WebPPicture* picture) const {
        WebPPictureFree(picture);
        delete picture;
    }
};
using PicturePtr = std::unique_ptr<WebPPicture, PictureDelete>;

struct DataDelete {
    void operator()(WebPData* data) const {
        WebPDataClear(data);
        delete data;
    }
};
using DataPtr = std::unique_ptr<WebPData, DataDelete>;

EncoderPtr NewEncoder(const GifExportJob& job) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) return nullptr;
    options.anim_params.loop_count = std::clamp(job.loopCount, 0, 0xFFFF);
    // ARGB. Viewers clear to transparent whatever this says, and opaque
    // frames cover the whole canvas; it matters to those that honour it.
    options.anim_params.bgcolor = job.transparent ? 0x00000000u : 0xFF000000u;
    options.allow_mixed = 0;  // each frame's mode is chosen here, by its colours
    return EncoderPtr(WebPAnimEncoderNew(job.canvasWidth, job.canvasHeight, &options));
}

// Frames that fit a palette are kept exactly (as the GIF export keeps them);
// the others are lossy unless the quality asks for all lossless.
bool FrameConfig(const GifExportJob& job, bool fewColours, WebPConfig& config) {
    const int quality = std::clamp(job.webpQuality, 0, 100);
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, float(quality))) return false;
    config.method = kMethod;
    config.thread_level = job.parallelism > 1 ? 1 : 0;
    if (fewColours || quality >= 100) {
        config.lossless = 1;
        config.quality = kLosslessEffort;
        // Holes keep their black, so that the frame reads back as it was drawn.
        config.exact = job.transparent ? 1 : 0;
    }
    return WebPValidateConfig(&config) != 0;
}

bool AddFrame(WebPAnimEncoder* encoder, const GifExportJob& job, const DrawnFrame& frame, int timestamp) {
    WebPConfig config;
    PicturePtr picture(new WebPPicture());
    if (!FrameConfig(job, frame.fewColours, config) || !WebPPictureInit(picture.get())) return false;
    picture->use_argb = 1;
    picture->width = frame.width;
    picture->height = frame.height;
    const int stride = int(frame.Stride());
    const int imported = frame.channels == 4 ? WebPPictureImportRGBA(picture.get(), frame.pixels.data(), stride)
                                             : WebPPictureImportRGB(picture.get(), frame.pixels.data(), stride);
    return imported && WebPAnimEncoderAdd(encoder, picture.get(), timestamp, &config);
}

// Hundredths become milliseconds. The file keeps what was set, as the GIF
// does: a delay of 0 or 1 is 0 or 10 ms, which browsers play as 100 ms, as
// they play such a GIF.
std::uint32_t DelayMilliseconds(const GifExportJob& job, int index) {
    return std::uint32_t(std::max(0, GifFrameDelay(job, index))) * 10u;
}

// The assembled file, told to have alpha when holes stay transparent. The
// encoder trims each frame to what it draws, and frames that draw only opaque
// pixels carry no alpha, so the file would say it has none, and readers that
// believe it (Pillow) show the holes black.
void WriteBytes(const WebPData& data, bool transparent, wxOutputStream& out) {
    constexpr std::size_t kFlags = 20;  // in the extended header, which animations have
    if (!transparent || data.size <= kFlags || std::memcmp(data.bytes + 12, "VP8X", 4) != 0) {
        out.Write(data.bytes, data.size);
        return;
    }
    const std::uint8_t flags = data.bytes[kFlags] | ALPHA_FLAG;
    out.Write(data.bytes, kFlags);
    out.Write(&flags, 1);
    out.Write(data.bytes + kFlags + 1, data.size - kFlags - 1);
}

// The encoder holds every encoded frame until the file is assembled, so the
// file's bytes are in memory once; the frames' pixels are not. A frame equal
// to the one before it is merged into it, its time added: the file may hold
// fewer frames than the animation and plays the same.
GifExportStatus WriteFrames(const GifExportJob& job, const ExportFrameSource& source,
                            const ExportFrameWritten& written, wxOutputStream& out) {
    EncoderPtr encoder = NewEncoder(job);
    if (!encoder) return GifExportStatus::BadFrame;
    RenderPipeline frames(job, source);
    // Timestamps may wrap around; the encoder takes their differences.
    std::uint32_t timestamp = 0;
    for (int i = 0; i < job.frameCount; ++i) {
        const std::optional<DrawnFrame> frame = frames.Next();
        if (!frame) return GifExportStatus::Stopped;
        if (!frame->Ok() || !AddFrame(encoder.get(), job, *frame, int(timestamp))) return GifExportStatus::BadFrame;
        timestamp += DelayMilliseconds(job, i);
        if (i + 1 < job.frameCount && !written(i)) return GifExportStatus::Stopped;
    }
    // The end of the last frame: its own delay.
    DataPtr data(new WebPData());
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, int(timestamp), nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), data.get()))
        return GifExportStatus::BadFrame;
    WriteBytes(*data, job.transparent, out);
    return out.IsOk() ? GifExportStatus::Written : GifExportStatus::CannotWrite;
}

}  // namespace

GifExportStatus WriteWebpAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                   const ExportFrameWritten& written) {
    return WriteAnimationFile(
        job, [&](wxOutputStream& out) { return WriteFrames(job, source, written, out); });
}
