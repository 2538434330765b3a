#include "window/gif_export.h"

#include "window/replacingfile.h"

#include "window/frame_render.h"
#include "window/gif_gifhandler.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <wx/wfstream.h>


#include <algorithm>
#include <cstdio>
#include <deque>
#include <future>
#include <new>
#include <system_error>
#include <thread>

namespace {

GifExportStatus ToExportStatus(ReplacingFile::Result result) {
    switch (result) {
        case ReplacingFile::Result::Replaced: return GifExportStatus::Written;
        case ReplacingFile::Result::CannotReplace: return GifExportStatus::CannotReplace;
        default: return GifExportStatus::CannotWrite;
    }
}

// Points the GIF writer at a stream for as long as it lives.
class GifOutputScope {
public:
    explicit GifOutputScope(wxOutputStream& stream) { SetGifOutputStream(&stream); }
    ~GifOutputScope() { SetGifOutputStream(nullptr); }
    GifOutputScope(const GifOutputScope&) = delete;
    GifOutputScope& operator=(const GifOutputScope&) = delete;
};

using PreparedFrame = std::unique_ptr<wxImage>;

// One frame on the canvas, reduced to a palette. Every image involved belongs
// to the thread that runs this: the toolkit's images share their pixel data
// with an unguarded reference count, so none may be shared across threads.
PreparedFrame PrepareFrame(PreparedFrame picture, int canvasWidth, int canvasHeight) {
    try {
        const wxImage rendered = RenderFrameForExport(*picture, canvasWidth, canvasHeight);
        picture.reset();
        return std::make_unique<wxImage>(ReduceToPalette(rendered));
    } catch (const std::bad_alloc&) {
        // A canvas too large for the memory: the frame fails like a bad one.
        return std::make_unique<wxImage>();
    }
}

// Frames being rendered and reduced, oldest first; at most `limit` at once.
class FramePipeline {
public:
    FramePipeline(const GifExportJob& job, const ExportFrameSource& source)
        : m_job(job), m_source(source), m_limit(std::max(1, job.parallelism)) {}

    // Starts frames until `limit` are under way or none is left; false when
    // the source gave no picture.
    bool Fill() {
        while (m_next < m_job.frameCount && int(m_running.size()) < m_limit) {
            PreparedFrame picture = m_source(m_next);
            if (!picture) return false;
            // One frame at a time runs on the calling thread when it is waited for.
            const auto policy = m_limit > 1 ? std::launch::async | std::launch::deferred
                                            : std::launch::deferred;
            m_running.push_back(std::async(
                policy, PrepareFrame, std::move(picture), m_job.canvasWidth, m_job.canvasHeight));
            ++m_next;
        }
        return true;
    }

    // The oldest frame, waiting for it.
    PreparedFrame Next() {
        PreparedFrame frame = m_running.front().get();
        m_running.pop_front();
        return frame;
    }

private:
    const GifExportJob& m_job;
    const ExportFrameSource& m_source;
    const int m_limit;
    int m_next = 0;
    std::deque<std::future<PreparedFrame>> m_running;
};

// Writes every frame into the stream; the trailer follows the last one.
GifExportStatus WriteFrames(const GifExportJob& job, const ExportFrameSource& source,
                            const ExportFrameWritten& written) {
    FramePipeline pipeline(job, source);
    for (int i = 0; i < job.frameCount; ++i) {
        if (!pipeline.Fill()) return GifExportStatus::Stopped;
        const PreparedFrame frame = pipeline.Next();
        if (!frame || !frame->IsOk()) return GifExportStatus::BadFrame;
        MyGifHandler handler;
        // Any frame that fails, frame 0 before its header included, ends the
        // export: a file with a frame missing is not the animation asked for.
        if (!MyGifHandler::SaveAnimationFrame(*frame, handler, GifFrameDelay(job, i) * 10, job.frameCount, i))
            return GifExportStatus::CannotWrite;
        if (i + 1 < job.frameCount && !written(i)) return GifExportStatus::Stopped;
    }
    return GifExportStatus::Written;
}

}  // namespace

wxString EnsureGifExtension(const wxString& path) {
    return path.EndsWith(".gif") ? path : path + ".gif";
}

int GifFrameDelay(const GifExportJob& job, int index) {
    if (job.delays.empty() || index < 0) return 0;
    return job.delays[std::min<size_t>(size_t(index), job.delays.size() - 1)];
}

int ExportProgress(int index, int frameCount) {
    return frameCount > 0 ? static_cast<int>(100LL * (index + 1) / frameCount) : 100;
}

int DefaultExportParallelism() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

GifExportStatus WriteGifAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                  const ExportFrameWritten& written) {
    if (job.frameCount <= 0) return GifExportStatus::NothingToWrite;
    // Failures come back as the result; the toolkit's own messages would only
    // repeat them (and from a worker thread would pop up later).
    wxLogNull quiet;
    ReplacingFile file(job.path, "part");
    if (file.TargetRefused()) return GifExportStatus::NotAFile;
    if (!file.IsOpened()) return GifExportStatus::CannotCreate;
    GifExportStatus status;
    {
        wxFileOutputStream stream(file.File());
        GifOutputScope output(stream);
        status = WriteFrames(job, source, written);
        if (status == GifExportStatus::Written && !stream.IsOk()) status = GifExportStatus::CannotWrite;
    }
    if (status == GifExportStatus::Written) status = ToExportStatus(file.Commit());
    return status;
}

wxString GifExportFailureText(GifExportStatus status, const wxString& path) {
    const char* text = nullptr;
    switch (status) {
        case GifExportStatus::NotAFile:
            text = wxTRANSLATE("The GIF file \"%s\" was not saved: that name belongs to a device, "
                               "a pipe or a socket, not to an ordinary file.");
            break;
        case GifExportStatus::CannotCreate:
            text = wxTRANSLATE("The GIF file \"%s\" cannot be created: the folder does not exist "
                               "or cannot be written to.");
            break;
        case GifExportStatus::BadFrame:
            text = wxTRANSLATE("The GIF file \"%s\" was not saved: a frame could not be prepared.");
            break;
        case GifExportStatus::CannotReplace:
            text = wxTRANSLATE("The GIF file \"%s\" was not saved: the file of that name could "
                               "not be replaced.");
            break;
        case GifExportStatus::Stopped:
            text = wxTRANSLATE("The GIF file \"%s\" was not saved: saving was interrupted.");
            break;
        default:
            text = wxTRANSLATE("The GIF file \"%s\" could not be written completely; the disk "
                               "may be full.");
            break;
    }
    return wxString::Format(wxGetTranslation(text), path) + "\n" +
           wxGetTranslation("Any file of that name was left as it was.");
}
