#include "formats/webpexport.h"

#include "gif/animationfile.h"
#include "formats/renderpipeline.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// How hard libwebp works on a lossy frame (0 fastest .. 6 smallest). On the
// bench corpora (format_bench) 5, which adds trellis quantisation to 4, makes
// the photo-like frames 19 to 30 % smaller at qualities 70 to 80 (9 % at 90,
// nothing at 50) and the screen-like 6 % smaller, at the same PSNR and in
// about the same time; 4 was 5 to 10 % smaller than 2.
constexpr int kLossyMethod = 5;
// Lossless frames at the effort libwebp's own tools default to.
constexpr int kLosslessMethod = 4;
constexpr float kLosslessEffort = 75;
// Every later frame is stored as a change to the first, so where the picture
// holds still the first frame's losses last the whole animation. A first
// frame that libwebp's quickest lossless effort stores in at most this many
// bits a pixel is therefore kept exactly, at any quality: screen-like
// pictures (0.7 on the bench), not photo-like ones (16). On the screen-like
// corpus that takes the PSNR from 40.9 to 47.5 dB (our GIF: 46.8) and the
// file from 185 to 238 KiB, where lossy frames stay short of the GIF
// whatever the settings (sharp YUV at quality 99: 45.7 dB in 1,071 KiB).
constexpr double kExactFirstFrameBits = 2;

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

struct MuxDelete {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
using MuxPtr = std::unique_ptr<WebPMux, MuxDelete>;

// Frames taken out of a file, each owning its bytes.
struct FrameList {
    std::vector<WebPMuxFrameInfo> frames;
    ~FrameList() {
        for (WebPMuxFrameInfo& frame : frames) WebPDataClear(&frame.bitstream);
    }
};

EncoderPtr NewEncoder(const GifExportJob& job) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) return nullptr;
    options.anim_params.loop_count = std::clamp(job.loopCount, 0, 0xFFFF);
    // ARGB. Viewers clear to transparent whatever this says, and opaque
    // frames cover the whole canvas; it matters to those that honour it.
    options.anim_params.bgcolor = job.transparent ? 0x00000000u : 0xFF000000u;
    options.allow_mixed = 0;  // each frame's mode is chosen here
    return EncoderPtr(WebPAnimEncoderNew(job.canvasWidth, job.canvasHeight, &options));
}

// Frames that fit a palette are kept exactly (as the GIF export keeps them),
// and so is a cheap first frame; the others are lossy unless the quality asks
// for all lossless.
bool FrameConfig(const GifExportJob& job, bool exact, WebPConfig& config) {
    const int quality = std::clamp(job.webpQuality, 0, 100);
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, float(quality))) return false;
    config.method = kLossyMethod;
    config.thread_level = job.parallelism > 1 ? 1 : 0;
    if (exact || quality >= 100) {
        config.lossless = 1;
        config.method = kLosslessMethod;
        config.quality = kLosslessEffort;
        // Holes keep their black, so that the frame reads back as it was drawn.
        config.exact = job.transparent ? 1 : 0;
    }
    return WebPValidateConfig(&config) != 0;
}

int CountBytes(const std::uint8_t*, std::size_t size, const WebPPicture* picture) {
    *static_cast<std::size_t*>(picture->custom_ptr) += size;
    return 1;
}

// Whether libwebp's quickest lossless effort stores the picture in at most
// kExactFirstFrameBits a pixel (15 to 70 ms for 1280 x 720 on the bench).
bool CheapWithoutLoss(const WebPPicture& picture) {
    WebPConfig config;
    WebPPicture view;
    if (!WebPConfigInit(&config) || !WebPPictureView(&picture, 0, 0, picture.width, picture.height, &view))
        return false;
    config.lossless = 1;
    config.method = 0;
    config.quality = 0;
    config.exact = 1;  // leaves the shared pixels as they are
    std::size_t bytes = 0;
    view.writer = CountBytes;
    view.custom_ptr = &bytes;
    const bool encoded = WebPEncode(&config, &view);
    WebPPictureFree(&view);
    return encoded && double(bytes) * 8 <= kExactFirstFrameBits * picture.width * picture.height;
}

bool HasHoles(const DrawnFrame& frame) {
    if (frame.channels != 4) return false;
    for (std::size_t i = 3; i < frame.pixels.size(); i += 4)
        if (frame.pixels[i] != 255) return true;
    return false;
}

// The frame as libwebp takes it, and how it is encoded.
struct Prepared {
    PicturePtr picture{new WebPPicture()};
    WebPConfig config{};
};

bool Prepare(const GifExportJob& job, const DrawnFrame& frame, bool first, Prepared& prepared) {
    WebPPicture* const picture = prepared.picture.get();
    if (!WebPPictureInit(picture)) return false;
    picture->use_argb = 1;
    picture->width = frame.width;
    picture->height = frame.height;
    const int stride = int(frame.Stride());
    const int imported = frame.channels == 4 ? WebPPictureImportRGBA(picture, frame.pixels.data(), stride)
                                             : WebPPictureImportRGB(picture, frame.pixels.data(), stride);
    if (!imported) return false;
    const bool exact = frame.fewColours || (first && job.webpQuality < 100 && CheapWithoutLoss(*picture));
    return FrameConfig(job, exact, prepared.config);
}

// Hundredths become milliseconds. The file keeps what was set, as the GIF
// does: a delay of 0 or 1 is 0 or 10 ms, which browsers play as 100 ms, as
// they play such a GIF.
std::uint32_t DelayMilliseconds(const GifExportJob& job, int index) {
    return std::uint32_t(std::max(0, GifFrameDelay(job, index))) * 10u;
}

// In the extended header, which animations have: whether some frame carries
// alpha.
constexpr std::size_t kFlagsAt = 20;

bool Extended(const WebPData& data) {
    return data.size > kFlagsAt && std::memcmp(data.bytes + 12, "VP8X", 4) == 0;
}

bool CarriesAlpha(const WebPData& data) { return Extended(data) && (data.bytes[kFlagsAt] & ALPHA_FLAG) != 0; }

// The encoder trims the first frame to what it draws, so when its holes lie
// round its edges and no later frame keeps alpha, no frame carries alpha at
// all. Frame 0 is then stored again whole, with its holes, which shows the
// same: the canvas outside its rectangle was clear, and stays so when the
// frame is disposed. Leaves the data as it was when that fails.
void StoreFirstFrameWhole(WebPData& data, Prepared& first) {
    FrameList taken;  // before the mux, which points into it
    MuxPtr mux(WebPMuxCreate(&data, 0));
    int count = 0;
    if (!mux || WebPMuxNumChunks(mux.get(), WEBP_CHUNK_ANMF, &count) != WEBP_MUX_OK || count == 0) return;
    taken.frames.resize(std::size_t(count));
    for (int n = 1; n <= count; ++n)
        if (WebPMuxGetFrame(mux.get(), std::uint32_t(n), &taken.frames[std::size_t(n - 1)]) != WEBP_MUX_OK) return;
    WebPMemoryWriter whole;
    WebPMemoryWriterInit(&whole);
    first.picture->writer = WebPMemoryWrite;
    first.picture->custom_ptr = &whole;
    if (!WebPEncode(&first.config, first.picture.get())) {
        WebPMemoryWriterClear(&whole);
        return;
    }
    WebPMuxFrameInfo& frame = taken.frames[0];
    WebPDataClear(&frame.bitstream);
    frame.bitstream.bytes = whole.mem;  // taken owns them now
    frame.bitstream.size = whole.size;
    frame.x_offset = frame.y_offset = 0;
    frame.blend_method = WEBP_MUX_NO_BLEND;
    while (WebPMuxDeleteFrame(mux.get(), 1) == WEBP_MUX_OK) continue;
    for (const WebPMuxFrameInfo& each : taken.frames)
        if (WebPMuxPushFrame(mux.get(), &each, 0) != WEBP_MUX_OK) return;
    WebPData rewritten;
    WebPDataInit(&rewritten);
    if (WebPMuxSetCanvasSize(mux.get(), first.picture->width, first.picture->height) != WEBP_MUX_OK ||
        WebPMuxAssemble(mux.get(), &rewritten) != WEBP_MUX_OK)
        return;
    WebPDataClear(&data);
    data = rewritten;
}

// The file's bytes, told to have alpha when it shows holes that no frame
// carries as alpha (left where a later frame is disposed to the background
// and not drawn over): readers that believe the header (Pillow) would show
// them black, which matters more than the warning of checkers (webpinfo).
void WriteBytes(const WebPData& data, bool holes, wxOutputStream& out) {
    if (!holes || !Extended(data) || CarriesAlpha(data)) {
        out.Write(data.bytes, data.size);
        return;
    }
    const std::uint8_t flags = data.bytes[kFlagsAt] | ALPHA_FLAG;
    out.Write(data.bytes, kFlagsAt);
    out.Write(&flags, 1);
    out.Write(data.bytes + kFlagsAt + 1, data.size - kFlagsAt - 1);
}

// The encoder holds every encoded frame until the file is assembled, so the
// file's bytes are in memory once; the frames' pixels are not, except the
// first frame's while it may have to be stored again. A frame equal to the
// one before it is merged into it, its time added: the file may hold fewer
// frames than the animation and plays the same.
GifExportStatus WriteFrames(const GifExportJob& job, const ExportFrameSource& source,
                            const ExportFrameWritten& written, wxOutputStream& out) {
    EncoderPtr encoder = NewEncoder(job);
    if (!encoder) return GifExportStatus::BadFrame;
    RenderPipeline frames(job, source);
    Prepared first;
    bool firstHasHoles = false, holes = false;
    // Timestamps may wrap around; the encoder takes their differences.
    std::uint32_t timestamp = 0;
    for (int i = 0; i < job.frameCount; ++i) {
        const std::optional<DrawnFrame> frame = frames.Next();
        if (!frame) return GifExportStatus::Stopped;
        Prepared prepared;
        if (!frame->Ok() || !Prepare(job, *frame, i == 0, prepared) ||
            !WebPAnimEncoderAdd(encoder.get(), prepared.picture.get(), int(timestamp), &prepared.config))
            return GifExportStatus::BadFrame;
        const bool frameHasHoles = HasHoles(*frame);
        holes = holes || frameHasHoles;
        if (i == 0 && frameHasHoles) {
            firstHasHoles = true;
            first = std::move(prepared);
        }
        timestamp += DelayMilliseconds(job, i);
        if (i + 1 < job.frameCount && !written(i)) return GifExportStatus::Stopped;
    }
    // The end of the last frame: its own delay.
    DataPtr data(new WebPData());
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, int(timestamp), nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), data.get()))
        return GifExportStatus::BadFrame;
    encoder.reset();
    if (firstHasHoles && !CarriesAlpha(*data)) StoreFirstFrameWhole(*data, first);
    WriteBytes(*data, holes, out);
    return out.IsOk() ? GifExportStatus::Written : GifExportStatus::CannotWrite;
}

}  // namespace

GifExportStatus WriteWebpAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                   const ExportFrameWritten& written) {
    return WriteAnimationFile(
        job, [&](wxOutputStream& out) { return WriteFrames(job, source, written, out); });
}
