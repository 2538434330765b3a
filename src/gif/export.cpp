#include "gif/export.h"

#include "base/filenames.h"
#include "base/signalstack.h"

#include "gif/animationfile.h"
#include "gif/blocks.h"
#include "gif/colour_index.h"
#include "gif/encode.h"
#include "gif/export_memory.h"
#include "gif/plan.h"
#include "gif/render.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace {

QuantizeSettings SettingsFor(const GifExportJob& job) {
    QuantizeSettings settings;
    if (job.quality == GifQuality::Fast) {
        settings.speed = 10;
    } else if (job.quality == GifQuality::Best) {
        settings.speed = 3;
        settings.bucketBits = 0;
        settings.samplePixels = 0;
    }
    settings.dithering = job.dither == GifDither::Diffuse ? std::clamp(job.ditherStrength, 0, 100) / 100.f : 0.f;
    settings.ordered = job.dither == GifDither::Ordered;
    settings.maxColours = std::clamp(job.colours, kMinGifColours, kMaxGifColours);
    settings.lossy = std::clamp(job.lossy, 0, kMaxLossy);
    // Lossy coding also lets a frame's palette stop at the colours it needs,
    // and thins the dithering, whose noise the coder would spend codes on:
    // the frames of a recording that store only what changed then take a few
    // dozen colours and shorter codes. Against quality 100 - level / 5 with
    // the dithering kept, at gifski's quality 60 size: +0.3 dB on the
    // photo-like corpus, +0.5 dB on the screen-like one.
    settings.targetQuality = 100 - settings.lossy / 3;
    settings.dithering *= 1.f - settings.lossy / 100.f;
    return settings;
}

// Frame 0's table is the global one that later frames share, and its pixels
// stay on screen wherever nothing changes, often for the whole animation: its
// palette is chosen from a larger sample with more effort, and lighter dithering
// leaves the still parts less of a noise pattern that later frames' exact
// colours cannot continue (on the screen-like corpus: +1.6 dB, 2 % smaller).
QuantizeSettings FirstFrameSettings(QuantizeSettings settings) {
    // Two steps more effort, not four: every later frame that could share
    // its table waits for it (photo-like corpus: 6 % faster, hd 5 %, screen
    // 3 %, for 0.01 to 0.04 dB).
    settings.speed = std::max(1, settings.speed - 2);
    settings.targetQuality = 100;  // its colours are the background of every later frame
    // Exact colours: a bucket's mean would shift a flat background a level
    // (-1.1 dB on the screen-like corpus).
    settings.bucketBits = 0;
    if (settings.samplePixels > 0) settings.samplePixels *= 4;
    settings.dithering *= 0.5f;
    return settings;
}

// How far a pixel of a many-coloured frame may move and still be left as the
// screen shows it: below the quantiser's own error, so that noise in the
// pictures does not make every pixel count as changed.
int ToleranceFor(GifQuality quality) {
    switch (quality) {
        case GifQuality::Fast: return 4;
        case GifQuality::Best: return 1;
        default: return 2;
    }
}

// Lossy coding allows a wider one: a pixel that moved less than the noise the
// coder allows anyway stays as shown, so that noise in video-like frames stops
// costing bytes (used where it leaves nearly the whole frame in long runs,
// see plan.h). A quarter of the level: the photo-like corpus at lossy 100 is
// half the size it was at 15 %, and 1.8 dB above gifski at its quality 40 size.
int WideToleranceFor(const GifExportJob& job) {
    return ToleranceFor(job.quality) + std::clamp(job.lossy, 0, kMaxLossy) / 4;
}

// Frames looked at for the colours they share, each with the one after it:
// frame 0 and others spread evenly, so that the look costs a bounded number
// of renders however long the animation. Every frame when they fit in the
// bound, whose order of colours then follows every change (on a terminal
// recording of 100 frames of 800 x 600: 0.15 % less than from 16 pairs).
constexpr int kMinCensusFrames = 32;
constexpr int kMaxCensusFrames = 100;
constexpr double kCensusPixels = 48e6;  // in the frames looked at, about

// How many frames to look at with their neighbours: all, or pairs within the bound.
int CensusCount(int frameCount, int width, int height) {
    const double pixels = std::max(1.0, double(width) * double(height));
    const int looked = std::clamp(int(kCensusPixels / pixels), kMinCensusFrames, kMaxCensusFrames);
    return frameCount <= looked ? frameCount : looked / 2;
}

// The colours (as seen numbers them) of the canvas's pixels that differ from
// the previous canvas: what a frame stored as its changes must have in its table.
std::vector<int> ChangedColours(const wxImage& canvas, const wxImage& previous, const ColourIndexMap& seen) {
    std::vector<bool> needed(size_t(seen.Size()), false);
    const size_t pixels = size_t(canvas.GetWidth()) * size_t(canvas.GetHeight());
    const unsigned char* now = canvas.GetData();
    const unsigned char* before = previous.GetData();
    for (size_t i = 0; i < pixels; ++i, now += 3, before += 3) {
        if (now[0] == before[0] && now[1] == before[1] && now[2] == before[2]) continue;
        const int at = seen.Find(PackRgb(now[0], now[1], now[2]));
        if (at >= 0) needed[size_t(at)] = true;
    }
    std::vector<int> colours;
    for (size_t i = 0; i < needed.size(); ++i)
        if (needed[i]) colours.push_back(int(i));
    return colours;
}

// An order of `count` colours in which as many frames as can be have all the
// colours they need early in the table: the colour the fewest frames still
// in the running need goes last, and the frames that need it drop out of the
// running, since they take its high index anyway.
std::vector<int> OrderForFrames(int count, const std::vector<std::vector<int>>& frames) {
    std::vector<int> needing(size_t(count), 0);
    for (const std::vector<int>& frame : frames)
        for (int colour : frame) ++needing[size_t(colour)];
    std::vector<bool> running(frames.size(), true), placed(size_t(count), false);
    std::vector<int> order(static_cast<size_t>(count));
    for (int position = count - 1; position >= 0; --position) {
        // The fewest; among equals the latest seen goes last.
        int last = -1;
        for (int colour = count - 1; colour >= 0; --colour)
            if (!placed[size_t(colour)] && (last < 0 || needing[size_t(colour)] < needing[size_t(last)])) last = colour;
        placed[size_t(last)] = true;
        order[size_t(position)] = last;
        for (size_t f = 0; f < frames.size(); ++f) {
            if (!running[f] || std::find(frames[f].begin(), frames[f].end(), last) == frames[f].end()) continue;
            running[f] = false;
            for (int colour : frames[f]) --needing[size_t(colour)];
        }
    }
    return order;
}

std::vector<int> CensusFrames(int frameCount, int count) {
    std::vector<int> picked;
    for (int k = 0; k < count; ++k) picked.push_back(int((long long)frameCount * k / count));
    return picked;
}

// Screen recordings and drawings use the same few colours frame after frame:
// when the colours of the sampled frames fit in one table together, that
// table is the global one and serves every frame that stays within it,
// instead of frame 0's colours alone and a table of their own for the frames
// that add a colour. None as soon as a sampled frame cannot be kept exactly,
// or the colours outgrow the table; frames that need a transparent entry
// take one their own pixels leave free.
//
// Each sampled frame is looked at with the one after it, and the table is
// ordered so that the colours such frames change to come early: a frame
// stores only what changed, coded with as many bits as its highest index
// needs (on a real terminal recording, the typed text's frames then take
// 7-bit codes instead of 8).
std::optional<GifGlobalTable> SharedColourTable(const GifExportJob& job, const ExportFrameSource& source,
                                                 int colourLimit) {
    if (job.frameCount < 2) return std::nullopt;
    std::vector<int> looked;
    for (int index : CensusFrames(job.frameCount, CensusCount(job.frameCount, job.canvasWidth, job.canvasHeight))) {
        looked.push_back(index);
        if (index + 1 < job.frameCount) looked.push_back(index + 1);
    }
    looked.erase(std::unique(looked.begin(), looked.end()), looked.end());
    ColourIndexMap seen;
    std::vector<std::uint32_t> colours;
    std::vector<std::vector<int>> needs;  // per frame looked at after its neighbour, and frame 0
    wxImage previous;
    int previousIndex = -2;
    // Frame 0 alone, which decides for most many-coloured animations; then a
    // frame per core at once, looked at in order.
    const std::launch policy = job.parallelism > 1 ? std::launch::async : std::launch::deferred;
    std::deque<std::future<RenderedForExport>> rendering;
    for (size_t next = 0, at = 0; at < looked.size(); ++at) {
        const size_t ahead = at == 0 ? 1 : size_t(std::max(1, job.parallelism));
        for (; next < looked.size() && next < at + ahead; ++next) {
            std::unique_ptr<wxImage> picture = source(looked[next]);
            if (!picture) return std::nullopt;
            rendering.push_back(std::async(policy, WithSignalStack(RenderForExport), std::move(picture),
                                           GifFrameDrawing(job, looked[next]), job.transparent, colourLimit));
        }
        const int index = looked[at];
        RenderedForExport rendered = rendering.front().get();
        rendering.pop_front();
        if (!rendered.exact || !rendered.frame.canvas.IsOk()) return std::nullopt;
        for (std::uint32_t colour : rendered.colours) {
            if (!seen.Insert(colour, int(colours.size()))) continue;
            if (int(colours.size()) == colourLimit) return std::nullopt;
            colours.push_back(colour);
        }
        if (index == 0) {
            needs.emplace_back();
            for (std::uint32_t colour : rendered.colours) needs.back().push_back(seen.Find(colour));
        } else if (index == previousIndex + 1) {
            needs.push_back(ChangedColours(rendered.frame.canvas, previous, seen));
        }
        previous = std::move(rendered.frame.canvas);
        previousIndex = index;
    }
    GifGlobalTable table;
    for (int i : OrderForFrames(int(colours.size()), needs)) {
        const std::uint32_t colour = colours[size_t(i)];
        table.palette.colours[size_t(table.palette.count++)] =
            GifRgb{static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
                   static_cast<unsigned char>(colour)};
    }
    return table;
}

// Encodes under way, counted by the encodes themselves: one not started yet
// does not count, nor one while it waits for frame 0's table.
struct EncodesRunning {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;

    void Add(int change) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            count += change;
        }
        if (change < 0) ended.notify_all();
    }

    // One encode, for as long as it lives.
    class Counted {
    public:
        explicit Counted(EncodesRunning& running) : m_running(running) { m_running.Add(1); }
        ~Counted() { m_running.Add(-1); }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;

    private:
        EncodesRunning& m_running;
    };
};

// Frames being rendered, and planned frames being encoded, oldest first: at
// most `limit` rendered at once and about as many encoded, besides frames
// waiting for frame 0's table or, encoded, to be written behind a slower
// one. With a limit of 1 everything runs on the calling thread, when it is
// waited for.
class FramePipeline {
public:
    FramePipeline(const GifExportJob& job, const ExportFrameSource& source, std::optional<GifGlobalTable> shared)
        : m_job(job), m_source(source), m_limit(std::max(1, job.parallelism)),
          m_settings(SettingsFor(job)),
          m_policy(m_limit > 1 ? std::launch::async | std::launch::deferred : std::launch::deferred) {
        if (shared) {
            std::promise<GifGlobalTable> ready;
            ready.set_value(std::move(*shared));
            m_shared = ready.get_future().share();
        }
    }

    // Starts rendering frames until `limit` are under way or none is left;
    // false when the source gave no picture.
    bool Fill() {
        while (m_next < m_job.frameCount && int(m_rendering.size()) < m_limit) {
            std::unique_ptr<wxImage> picture = m_source(m_next);
            if (!picture) return false;
            m_rendering.push_back(std::async(m_policy, WithSignalStack(RenderForExport), std::move(picture),
                                             GifFrameDrawing(m_job, m_next), m_job.transparent,
                                             m_settings.maxColours));
            ++m_next;
        }
        return true;
    }

    // The oldest frame being rendered, waiting for it.
    RenderedForExport NextRendered() {
        RenderedForExport frame = m_rendering.front().get();
        m_rendering.pop_front();
        return frame;
    }

    // Frame 0's table becomes the global one. Later frames start at once and
    // wait for it only when their colours fit a table: quantising never waits.
    void Encode(GifFramePlan plan, bool first) {
        const QuantizeSettings settings = first ? FirstFrameSettings(m_settings) : m_settings;
        if (m_shared.valid()) {
            // The shared table is known: every frame, frame 0 too, is encoded against it.
            auto task = [settings, global = GlobalTableSource(m_shared)](GifFramePlan planned) {
                return EncodeGifFrame(planned, settings, global);
            };
            Start(task, std::move(plan));
            return;
        }
        if (first) {
            // Frame 0's task alone holds the promise: it keeps its promise even
            // when the export ends early and this pipeline goes first, and
            // breaks it (releasing the frames that wait) if it never runs.
            auto task = [settings, promise = std::move(m_global)](GifFramePlan planned) {
                GifGlobalTable global;
                GifFrameCode code;
                try {
                    code = EncodeGifFrame(planned, settings, GlobalTableSource());
                    if (code.ok) global.palette = code.palette;
                    global.palette.maskIndex = -1;
                    global.quantisedError = code.ok ? code.paletteError : -1;
                    if (global.quantisedError >= 0)
                        global.search = std::make_shared<SharedPaletteSearch>(global.palette);
                } catch (const std::bad_alloc&) {
                    global = GifGlobalTable();  // the frame fails like a bad one, and no frame waits
                    code = GifFrameCode();
                }
                promise->set_value(std::move(global));
                return code;
            };
            Start(std::move(task), std::move(plan));
            return;
        }
        // A frame waiting for frame 0's table leaves its core to the next frame.
        auto waiting = [running = m_running](bool starts) { running->Add(starts ? -1 : 1); };
        auto task = [settings, global = GlobalTableSource(m_globalReady, waiting)](GifFramePlan planned) {
            return EncodeGifFrame(planned, settings, global);
        };
        Start(task, std::move(plan));
    }

    // Frame 0 goes first: frames still waiting for its table are released
    // when it ends (or, never started, breaks its promise) before they are joined.
    ~FramePipeline() {
        while (!m_encoding.empty()) m_encoding.pop_front();
    }

    int Encoding() const { return int(m_encoding.size()); }

    // The oldest frame's encode: ready, still running, or deferred (it runs
    // only once it is asked for).
    std::future_status Oldest() const { return m_encoding.front().wait_for(std::chrono::seconds(0)); }

    // Room for another frame: fewer encodes under way than workers, and not
    // too many encoded frames waiting behind the oldest one.
    bool Room() {
        std::lock_guard<std::mutex> lock(m_running->mutex);
        return m_running->count < m_limit && Encoding() < MaxWaiting();
    }

    // Waits until fewer encodes than workers are under way.
    void WaitForAWorker() {
        std::unique_lock<std::mutex> lock(m_running->mutex);
        m_running->ended.wait(lock, [this] { return m_running->count < m_limit; });
    }

    // Frames being encoded, or encoded and waiting behind the oldest; on one
    // thread only the one asked for.
    int MaxWaiting() const {
        return m_limit + ExportFramesWaiting(m_job.canvasWidth, m_job.canvasHeight, m_limit);
    }

    // The oldest frame being encoded, waiting for it.
    GifFrameCode NextCode() {
        GifFrameCode code = m_encoding.front().get();
        m_encoding.pop_front();
        return code;
    }

private:
    template <typename Task>
    void Start(Task task, GifFramePlan plan) {
        auto counted = [task = std::move(task), running = m_running](GifFramePlan planned) mutable {
            EncodesRunning::Counted encoding(*running);
            return task(std::move(planned));
        };
        m_encoding.push_back(std::async(m_policy, WithSignalStack(std::move(counted)), std::move(plan)));
    }

    const GifExportJob& m_job;
    const ExportFrameSource& m_source;
    const int m_limit;
    const QuantizeSettings m_settings;
    const std::launch m_policy;
    std::shared_ptr<EncodesRunning> m_running = std::make_shared<EncodesRunning>();
    int m_next = 0;
    std::deque<std::future<RenderedForExport>> m_rendering;
    std::deque<std::future<GifFrameCode>> m_encoding;
    std::shared_ptr<std::promise<GifGlobalTable>> m_global = std::make_shared<std::promise<GifGlobalTable>>();
    std::shared_future<GifGlobalTable> m_globalReady = m_global->get_future().share();
    std::shared_future<GifGlobalTable> m_shared;  // valid when the frames share a table of colours
};

// Writes the frames in order into the file; the header goes before frame 0,
// whose table becomes the global one, and the trailer after the last frame.
class FrameWriter {
public:
    // shared: the global table every frame was encoded against, if any; else
    // frame 0's own table becomes the global one.
    FrameWriter(const GifExportJob& job, wxOutputStream& stream, const ExportFrameWritten& written,
                const GifFramePalette* shared)
        : m_job(job), m_out(stream), m_written(written), m_shared(shared) {}

    // Written (the frame is in the file) or why the export ends.
    GifExportStatus Write(GifFrameCode code) {
        if (!code.ok) return GifExportStatus::BadFrame;
        if (m_index == 0) {
            m_global = m_shared ? *m_shared : code.palette;
            m_global.maskIndex = -1;
            if (!m_shared) code.global = true;
            // Viewers that clear to the background colour must clear to the
            // transparent entry, not paint an opaque colour where holes are.
            const int background = m_job.transparent && code.transparentIndex >= 0 ? code.transparentIndex : 0;
            WriteGifHeader(m_out, m_job.canvasWidth, m_job.canvasHeight, m_global, background);
            WriteGifLoopExtension(m_out, m_job.loopCount);
        }
        WriteGifGraphicControl(m_out, code.transparentIndex, GifFrameDelay(m_job, m_index), code.disposal);
        WriteGifImageDescriptor(m_out, code.rect, code.global ? nullptr : &code.palette);
        m_out.Bytes(code.data.data(), code.data.size());
        const bool last = m_index + 1 == m_job.frameCount;
        if (last) m_out.Byte(0x3B);
        // Any frame that fails, frame 0 before its header included, ends the
        // export: a file with a frame missing is not the animation asked for.
        if (!m_out.Ok()) return GifExportStatus::CannotWrite;
        if (!last && !m_written(m_index)) return GifExportStatus::Stopped;
        ++m_index;
        return GifExportStatus::Written;
    }

private:
    const GifExportJob& m_job;
    GifByteWriter m_out;
    const ExportFrameWritten& m_written;
    const GifFramePalette* const m_shared;
    GifFramePalette m_global;
    int m_index = 0;
};

// Writes the frames encoded so far, oldest first, until there is room for
// another: while a slow frame is encoded (frame 0 chooses its palette with
// more effort), the frames after it go on being encoded on the other workers
// (the photo-like corpus: a sixth of the run was one core waiting for it).
GifExportStatus WriteWhatIsDone(FrameWriter& writer, FramePipeline& pipeline) {
    for (;;) {
        while (pipeline.Encoding() > 0 && pipeline.Oldest() == std::future_status::ready) {
            const GifExportStatus status = writer.Write(pipeline.NextCode());
            if (status != GifExportStatus::Written) return status;
        }
        if (pipeline.Encoding() == 0 || pipeline.Room()) return GifExportStatus::Written;
        if (pipeline.Encoding() < pipeline.MaxWaiting() && pipeline.Oldest() != std::future_status::deferred) {
            pipeline.WaitForAWorker();
            continue;
        }
        const GifExportStatus status = writer.Write(pipeline.NextCode());
        if (status != GifExportStatus::Written) return status;
    }
}

GifExportStatus WriteFrames(const GifExportJob& job, const ExportFrameSource& source,
                            const ExportFrameWritten& written, wxOutputStream& stream) {
    const std::optional<GifGlobalTable> shared =
        job.optimise ? SharedColourTable(job, source, std::clamp(job.colours, kMinGifColours, kMaxGifColours))
                     : std::nullopt;
    FrameWriter writer(job, stream, written, shared ? &shared->palette : nullptr);
    GifScreenModel screen(job.canvasWidth, job.canvasHeight, job.optimise, job.transparent,
                          ToleranceFor(job.quality), WideToleranceFor(job));
    FramePipeline pipeline(job, source, shared);
    for (int i = 0; i < job.frameCount; ++i) {
        if (!pipeline.Fill()) return GifExportStatus::Stopped;
        RenderedForExport rendered = pipeline.NextRendered();
        if (!rendered.frame.canvas.IsOk()) return GifExportStatus::BadFrame;
        pipeline.Encode(screen.Plan(std::move(rendered.frame), rendered.exact), i == 0);
        const GifExportStatus status = WriteWhatIsDone(writer, pipeline);
        if (status != GifExportStatus::Written) return status;
    }
    while (pipeline.Encoding() > 0) {
        const GifExportStatus status = writer.Write(pipeline.NextCode());
        if (status != GifExportStatus::Written) return status;
    }
    return GifExportStatus::Written;
}

}  // namespace

RenderedForExport RenderForExport(std::unique_ptr<wxImage> picture, const FrameDrawing& drawing,
                                  bool transparent, int exactLimit) {
    RenderedForExport rendered;
    try {
        if (transparent) rendered.frame = DrawFrameWithHoles(*picture, drawing);
        else rendered.frame.canvas = DrawFrame(*picture, drawing);
        picture.reset();
        const wxImage& canvas = rendered.frame.canvas;
        if (canvas.IsOk()) {
            const size_t pixels = size_t(drawing.canvas.x) * size_t(drawing.canvas.y);
            rendered.colours = DistinctColours(canvas.GetData(), pixels, exactLimit);
            rendered.exact = rendered.colours.size() <= size_t(exactLimit);
            if (!rendered.exact) rendered.colours.clear();
        }
    } catch (const std::bad_alloc&) {
        // A canvas too large for the memory: the frame fails like a bad one.
        rendered = RenderedForExport();
    }
    return rendered;
}

int DefaultDitherStrength(GifQuality quality) {
    return quality == GifQuality::Fast ? kDefaultDitherStrength / 2 : kDefaultDitherStrength;
}

wxString EnsureGifExtension(const wxString& path) {
    return path.EndsWith(".gif") ? path : path + ".gif";
}

int GifFrameDelay(const GifExportJob& job, int index) {
    if (job.delays.empty() || index < 0) return 0;
    return job.delays[std::min<size_t>(size_t(index), job.delays.size() - 1)];
}

FrameDrawing GifFrameDrawing(const GifExportJob& job, int index) {
    FrameDrawing drawing;
    drawing.canvas = wxSize(job.canvasWidth, job.canvasHeight);
    drawing.plane = job.plane.x > 0 && job.plane.y > 0 ? job.plane : drawing.canvas;
    drawing.crop = job.crop;
    if (index >= 0 && size_t(index) < job.turns.size()) drawing.turn = job.turns[size_t(index)];
    if (index >= 0 && size_t(index) < job.captions.size()) drawing.captions = job.captions[size_t(index)];
    return drawing;
}

int ExportProgress(int index, int frameCount) {
    return frameCount > 0 ? static_cast<int>(100LL * (index + 1) / frameCount) : 100;
}

int DefaultExportParallelism() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

GifExportStatus WriteGifToStream(const GifExportJob& job, const ExportFrameSource& source,
                                 const ExportFrameWritten& written, wxOutputStream& stream) {
    if (job.frameCount <= 0) return GifExportStatus::NothingToWrite;
    return WriteFrames(job, source, written, stream);
}

GifExportStatus WriteGifAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                  const ExportFrameWritten& written) {
    return WriteAnimationFile(job, [&](wxOutputStream& stream) { return WriteFrames(job, source, written, stream); });
}

wxString GifExportFailureText(GifExportStatus status, const wxString& path) {
    const char* text = nullptr;
    switch (status) {
        case GifExportStatus::NotAFile:
            text = wxTRANSLATE("The file \"%s\" was not saved: that name belongs to a device, "
                               "a pipe or a socket, not to an ordinary file.");
            break;
        case GifExportStatus::IsAFolder:
            text = wxTRANSLATE("The file \"%s\" was not saved: that name belongs to a folder.");
            break;
        case GifExportStatus::LinkLoop:
            text = wxTRANSLATE("The file \"%s\" was not saved: that name is a symbolic link that "
                               "leads round in a loop.");
            break;
        case GifExportStatus::CannotCreate:
            text = wxTRANSLATE("The file \"%s\" cannot be created: the folder does not exist "
                               "or cannot be written to.");
            break;
        case GifExportStatus::BadFrame:
            text = wxTRANSLATE("The file \"%s\" was not saved: a frame could not be prepared.");
            break;
        case GifExportStatus::CannotReplace:
            text = wxTRANSLATE("The file \"%s\" was not saved: the file of that name could "
                               "not be replaced.");
            break;
        case GifExportStatus::Stopped:
            text = wxTRANSLATE("The file \"%s\" was not saved: saving was interrupted.");
            break;
        case GifExportStatus::TooLarge:
            text = wxTRANSLATE("The file \"%s\" was not saved: even with everything its size "
                               "limit allows given up, it would be larger than the limit.");
            break;
        default:
            text = wxTRANSLATE("The file \"%s\" could not be written completely; the disk "
                               "may be full.");
            break;
    }
    return wxString::Format(wxGetTranslation(text), ShownFileName(path)) + "\n" +
           wxGetTranslation("Any file of that name was left as it was.");
}

wxString UnreadableFrameText(const wxString& path, int index) {
    return wxString::Format(wxGetTranslation("The file \"%s\" was not saved: frame %d could not be "
                                             "read back from the cache, whose copy of it was changed or "
                                             "cut short."),
                            ShownFileName(path), index + 1) +
           "\n" + wxGetTranslation("Any file of that name was left as it was.");
}
