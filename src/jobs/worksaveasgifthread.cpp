#include "jobs/worksaveasgifthread.h"

#include "base/signalstack.h"
#include "base/trace.h"
#include "formats/animationexport.h"
#include "gif/animationfile.h"
#include "jobs/workerevents.h"

#include <wx/event.h>
#include <wx/image.h>

#include <algorithm>
#include <system_error>

ExportFrameFeed::ExportFrameFeed(wxEvtHandler* sink, std::vector<FramePicture> pictures, int ahead)
    : m_sink(sink), m_frameCount(static_cast<int>(pictures.size())), m_pictures(std::move(pictures), ahead) {}

void ExportFrameFeed::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
}

bool ExportFrameFeed::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

GifExportStatus ExportFrameFeed::Outcome() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outcome;
}

std::unique_ptr<wxImage> ExportFrameFeed::Take(int index, const std::function<bool()>& stop) {
    if (IsClosed() || (stop && stop())) return nullptr;
    std::unique_ptr<wxImage> picture = m_pictures.Take(index);
    if (!picture || !picture->IsOk()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The earliest: the export looks at frames further on before it writes the first.
        if (m_unreadable < 0 || index < m_unreadable) m_unreadable = index;
    }
    return picture;
}

int ExportFrameFeed::UnreadableFrame() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_unreadable;
}

void ExportFrameFeed::FrameWritten(int index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Post(ExportProgress(index, m_frameCount));
}

void ExportFrameFeed::Progress(int percent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Post(std::min(99, percent));
}

void ExportFrameFeed::RecordFit(const SizeChoice& choice, long long bytes, bool fits) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fit = FitReport{choice, bytes, fits};
}

std::optional<ExportFrameFeed::FitReport> ExportFrameFeed::Fit() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fit;
}

void ExportFrameFeed::Finish(GifExportStatus status) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outcome = status;
    Post(100);
}

void ExportFrameFeed::Post(int percent) {
    // Under the lock, so that Close() on the main thread cannot slip in
    // between the check and the queueing while the sink is being destroyed.
    if (m_closed || !m_sink) return;
    auto* event = new wxCommandEvent(wxEVT_COMMAND_WORKER_PROGRESS, ID_SAVE_GIF_THREAD);
    event->SetInt(percent);
    wxQueueEvent(m_sink, event);
}

WorkSaveAsGifThread::WorkSaveAsGifThread(const GifExportJob& job,
                                         std::shared_ptr<ExportFrameFeed> feed)
    : wxThread(wxTHREAD_JOINABLE), m_feed(std::move(feed)), m_job(job) {
    // A deep copy: no string storage is shared with the main thread.
    m_job.path = wxString::FromUTF8(job.path.utf8_str());
}

WorkSaveAsGifThread::WorkSaveAsGifThread(const GifExportJob& job, std::shared_ptr<ExportFrameFeed> feed,
                                         Document document, long long limit)
    : WorkSaveAsGifThread(job, std::move(feed)) {
    m_limited.emplace(std::move(document));
    m_limit = limit;
}

WorkSaveAsGifThread::~WorkSaveAsGifThread() = default;

GifExportStatus WorkSaveAsGifThread::WriteWithinLimit() {
    const SizeFit fit = FitGifToSize(
        *m_limited, m_limit, m_job.parallelism, [this](int percent) { m_feed->Progress(percent); },
        [this] { return TestDestroy() || m_feed->IsClosed(); });
    if (fit.status != GifExportStatus::Written) return fit.status;
    m_feed->RecordFit(fit.choice, static_cast<long long>(fit.bytes.size()), fit.fits);
    if (!fit.fits) return GifExportStatus::TooLarge;
    return WriteAnimationFile(m_job, [&fit](wxOutputStream& out) {
        out.Write(fit.bytes.data(), fit.bytes.size());
        return out.LastWrite() == fit.bytes.size() ? GifExportStatus::Written : GifExportStatus::CannotWrite;
    });
}

wxThread::ExitCode WorkSaveAsGifThread::Entry() {
    ThreadSignalStack stack;
    Trace("thread:");
    m_job.frameCount = m_feed->FrameCount();
    if (m_limited) {
        const GifExportStatus status = WriteWithinLimit();
        if (!TestDestroy()) m_feed->Finish(status);
        return nullptr;
    }
    const auto stop = [this] { return TestDestroy(); };
    const GifExportStatus status = WriteAnimation(
        m_job, [this, &stop](int index) { return m_feed->Take(index, stop); },
        [this](int index) {
            m_feed->FrameWritten(index);
            return !TestDestroy() && !m_feed->IsClosed();
        });
    // Asked to stop: no end is reported. Otherwise the end always is, so that
    // the progress dialog closes whatever happened.
    if (!TestDestroy()) m_feed->Finish(status);
    return nullptr;
}
