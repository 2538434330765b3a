// Writes the animation as a GIF file on a worker thread and queues one
// progress event per frame to whoever started it.
#pragma once

#include "document/sizesearch.h"
#include "framestore/framestore.h"
#include "framestore/storedahead.h"
#include "gif/export.h"

#include <wx/thread.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class wxEvtHandler;

// Carries the frames' pictures to the export thread, decoded from the frame
// store by the export's own threads a few frames ahead of the writing so that
// memory stays bounded; and carries the progress back as events
// (wxEVT_COMMAND_WORKER_PROGRESS, id ID_SAVE_GIF_THREAD, GetInt the
// percentage). The last event carries 100, whatever the outcome.
class ExportFrameFeed {
public:
    // The stored pictures, decoded in parallel on the export's side, ahead
    // frames beyond the one taken.
    ExportFrameFeed(wxEvtHandler* sink, std::vector<FramePicture> pictures, int ahead);
    ExportFrameFeed(const ExportFrameFeed&) = delete;
    ExportFrameFeed& operator=(const ExportFrameFeed&) = delete;

    int FrameCount() const { return m_frameCount; }

    // Main thread: no event reaches the sink any more, and the export stops.
    void Close();
    // How the export ended; meaningful once the event with 100 arrived.
    GifExportStatus Outcome() const;
    // The first frame whose stored picture could not be read back; -1: none.
    int UnreadableFrame() const;

    // Export thread: frame index's picture; null once closed or when stop()
    // says so.
    std::unique_ptr<wxImage> Take(int index, const std::function<bool()>& stop);
    // Export thread: frame index is written; queues its progress.
    void FrameWritten(int index);
    // Export thread: percent of a search for a size is done; queues it.
    void Progress(int percent);
    // Export thread: what a search for a size chose and what it reached.
    void RecordFit(const SizeChoice& choice, long long bytes, bool fits);
    struct FitReport {
        SizeChoice choice;
        long long bytes = 0;
        bool fits = false;
    };
    // The search's report, once the event with 100 arrived; none without a limit.
    std::optional<FitReport> Fit() const;
    // Export thread: records the outcome and queues the event with 100.
    void Finish(GifExportStatus status);
    bool IsClosed() const;

private:
    void Post(int percent);  // with m_mutex held

    wxEvtHandler* const m_sink;
    const int m_frameCount;
    mutable std::mutex m_mutex;
    bool m_closed = false;
    GifExportStatus m_outcome = GifExportStatus::Stopped;
    int m_unreadable = -1;
    std::optional<FitReport> m_fit;
    StoredPicturesAhead m_pictures;  // the export thread's only
};

class WorkSaveAsGifThread : public wxThread {
public:
    // Frames come from the feed, which also receives the events and gives
    // the frame count; the job says everything else.
    // Joinable: its owner waits for it (Wait, or Delete once the feed is
    // closed) and deletes it, so that no export outlives the program.
    WorkSaveAsGifThread(const GifExportJob& job, std::shared_ptr<ExportFrameFeed> feed);
    // A GIF kept under limit bytes: the settings are searched on this copy of
    // the document (whose pictures it decodes itself), then the file written.
    WorkSaveAsGifThread(const GifExportJob& job, std::shared_ptr<ExportFrameFeed> feed, Document document,
                        long long limit);
    ~WorkSaveAsGifThread() override;

protected:
    ExitCode Entry() override;

private:
    GifExportStatus WriteWithinLimit();

    std::shared_ptr<ExportFrameFeed> m_feed;
    GifExportJob m_job;
    std::optional<Document> m_limited;
    long long m_limit = 0;
};
