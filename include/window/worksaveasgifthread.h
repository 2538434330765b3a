// Writes the animation as a GIF file on a worker thread and queues one
// progress event per frame to the main window.
#pragma once

#include "window/gif_export.h"

#include <wx/thread.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class wxEvtHandler;

// Carries the frames' pictures from the main thread, which alone may read the
// frame items' bitmaps, to the export thread, a few frames ahead of the
// writing so that memory stays bounded; and carries the progress back as
// events (wxEVT_COMMAND_WORKER_PROGRESS, id ID_SAVE_GIF_THREAD, GetInt the
// percentage). The last event carries 100, whatever the outcome.
class ExportFrameFeed {
public:
    // ahead: how many frames beyond the last one written may be handed over.
    ExportFrameFeed(wxEvtHandler* sink, int frameCount, int ahead);
    ExportFrameFeed(const ExportFrameFeed&) = delete;
    ExportFrameFeed& operator=(const ExportFrameFeed&) = delete;

    int FrameCount() const { return m_frameCount; }

    // Main thread. Hands over the pictures the export may take next, each
    // made by make(index); a null picture counts as a frame that cannot be drawn.
    void Refill(const std::function<std::unique_ptr<wxImage>(int index)>& make);
    // Main thread: no event reaches the sink any more, and the export stops.
    void Close();
    // How the export ended; meaningful once the event with 100 arrived.
    GifExportStatus Outcome() const;

    // Export thread: frame index's picture, waiting for it; null once closed
    // or when stop() says so (asked every few milliseconds while waiting).
    std::unique_ptr<wxImage> Take(int index, const std::function<bool()>& stop);
    // Export thread: frame index is written; queues its progress.
    void FrameWritten(int index);
    // Export thread: records the outcome and queues the event with 100.
    void Finish(GifExportStatus status);
    bool IsClosed() const;

private:
    void Post(int percent);  // with m_mutex held

    wxEvtHandler* const m_sink;
    const int m_frameCount;
    const int m_ahead;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::map<int, std::unique_ptr<wxImage>> m_pictures;
    int m_handedOver = 0;  // frames given to the feed so far (main thread only)
    int m_written = 0;
    bool m_closed = false;
    GifExportStatus m_outcome = GifExportStatus::Stopped;
};

class WorkSaveAsGifThread : public wxThread {
public:
    // Detached. Frames come from the feed, which also receives the events and
    // gives the frame count; the job says everything else.
    WorkSaveAsGifThread(const GifExportJob& job, std::shared_ptr<ExportFrameFeed> feed);
    ~WorkSaveAsGifThread() override;

protected:
    ExitCode Entry() override;

private:
    std::shared_ptr<ExportFrameFeed> m_feed;
    GifExportJob m_job;
};
