#include "jobs/imageloadthread.h"

#include "base/signalstack.h"
#include "base/trace.h"
#include "import/framepath.h"
#include "jobs/importevents.h"

#include <algorithm>
#include <new>

namespace {

// An independent copy: no string storage is shared with the main thread.
wxString OwnCopy(const wxString& text) { return wxString::FromUTF8(text.utf8_str()); }

}  // namespace

void ImportSink::Post(std::unique_ptr<ImportEvent> event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Queued, the event belongs to the target; dropped, it goes with its picture.
    if (m_target) wxQueueEvent(m_target, event.release());
}

void ImportSink::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}

bool ImportSink::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_target == nullptr;
}

ImageLoadThread::ImageLoadThread(wxEvtHandler* owner, const wxArrayString& paths)
    : ImageLoadThread(std::make_shared<ImportSink>(owner), paths) {}

ImageLoadThread::ImageLoadThread(std::shared_ptr<ImportSink> sink, const wxArrayString& paths,
                                 long long budgetPixels, PictureDecoder::VideoChooser chooser)
    : wxThread(wxTHREAD_DETACHED), m_sink(std::move(sink)), m_decoder(budgetPixels) {
    for (const wxString& path : paths) m_paths.Add(OwnCopy(path));
    if (chooser) m_decoder.SetVideoChooser(std::move(chooser));
}

int ImageLoadThread::Progress(double done) const {
    // Never 100 before the last picture: that event ends the load.
    return std::min(99, static_cast<int>(done * 100 / m_paths.size()));
}

bool ImageLoadThread::ShouldStop() { return TestDestroy() || m_sink->IsClosed(); }

void ImageLoadThread::Post(int progress, DecodedPicture decoded) {
    // Compressed off this thread, so that neither it nor the window holds
    // many full-size pictures; the decoder's budget then counts only what is
    // held. The last event waits for every picture before it.
    if (progress == 100) m_storing.Finish();
    ImportedPicture imported{nullptr, OwnCopy(decoded.path), decoded.frameIndex, decoded.delay};
    if (!decoded.picture) return PostStored(progress, std::move(imported));
    const long long pixels = PixelCount(*decoded.picture);
    m_storing.Add(std::move(decoded.picture), [this, progress, pixels, imported](FramePicture stored) mutable {
        m_decoder.Release(pixels);
        if (!stored) m_decoder.NotStored(imported.path);
        imported.picture = std::move(stored);
        PostStored(progress, std::move(imported));
    });
    if (progress == 100) m_storing.Finish();
}

void ImageLoadThread::PostStored(int progress, ImportedPicture picture) {
    std::vector<SkippedPicture> skipped;
    if (progress == 100) {
        m_finished = true;
        for (SkippedPicture& skip : m_decoder.TakeSkipped())
            skipped.push_back({OwnCopy(skip.path), skip.reason, skip.size});
    }
    m_sink->Post(std::make_unique<ImportEvent>(progress, std::move(picture), std::move(skipped)));
}

wxThread::ExitCode ImageLoadThread::Entry() {
    ThreadSignalStack stack;
    if (m_paths.empty()) return nullptr;
    Trace("thread:");
    try {
        LoadAll();
        m_storing.Finish();
    } catch (const std::bad_alloc&) {
        // Out of memory: what arrived stays; the load still ends below.
    }
    // The load always ends: whoever receives it closes its progress dialog on 100.
    try {
        if (!m_finished) Post(100, DecodedPicture());
    } catch (const std::bad_alloc&) {
        if (!m_finished) PostStored(100, ImportedPicture());  // without the pictures still being stored
    }
    return nullptr;
}

void ImageLoadThread::LoadAll() {
    const size_t n = m_paths.size();
    m_decoder.Expect(m_paths);
    for (size_t i = 0; i < n && !ShouldStop(); ++i) {
        // A whole GIF's frames arrive at the file's start value, a video's
        // as far through it as they are, the last picture of the load at
        // 100, any other at the file's end value.
        const bool wholeGif = FrameIndexFromPath(m_paths[i]) < 0 && HasGifExtension(m_paths[i]);
        m_decoder.Decode(m_paths[i], [&](DecodedPicture&& decoded) {
            if (ShouldStop()) return false;
            const bool last = decoded.lastOfPath && i + 1 == n;
            const double done = decoded.partDone > 0 ? i + decoded.partDone : wholeGif ? i : i + 1;
            Post(last ? 100 : Progress(done), std::move(decoded));
            return true;
        });
    }
}
