#include "cli/cliexport.h"

#include "base/filenames.h"
#include "cli/cliline.h"
#include "cli/progressbar.h"
#include "document/exportjob.h"
#include "formats/animationexport.h"
#include "gif/export.h"
#include "gif/export_memory.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void RememberStop(int signal) { g_stopSignal = signal; }

// Catches SIGINT and SIGTERM for its lifetime, so that an interrupted export
// can remove its temporary file before the process ends.
class StopSignals {
public:
    StopSignals() : m_interrupt(Catch(SIGINT)), m_terminate(Catch(SIGTERM)) {}
    ~StopSignals() {
        std::signal(SIGINT, m_interrupt);
        std::signal(SIGTERM, m_terminate);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    // A signal ignored when the command started (nohup, a background job)
    // stays ignored.
    static void (*Catch(int signal))(int) {
        void (*previous)(int) = std::signal(signal, RememberStop);
        if (previous == SIG_IGN) std::signal(signal, SIG_IGN);
        return previous;
    }

    void (*m_interrupt)(int);
    void (*m_terminate)(int);
};

int Fail(int status, const wxString& text) {
    std::cerr << "loopwright-cli: " << SystemBytes(text) << std::endl;
    return status;
}

}  // namespace

int ExportCliDocument(const Document& document, bool quiet) {
    const wxSize canvas = document.CanvasSize();
    // As in the window: fewer frames at once when memory is short, none when even one does not fit.
    const int parallelism = ExportParallelismThatFits(
        canvas.x, canvas.y, DefaultExportParallelism(), AvailableMemory());
    if (parallelism == 0)
        return Fail(kCliWriteFailure,
                    ExportMemoryRefusalText(document.GifPath(), canvas.x, canvas.y));
    const GifExportJob job = ExportJobFor(document, parallelism);

    GifExportStatus status;
    // The first frame the frame store could not give back; -1: none.
    std::atomic<int> unreadable{-1};
    {
        StopSignals signals;
        ProgressBar bar(job.frameCount, !quiet && StandardErrorIsTerminal());
        status = WriteAnimation(
            job,
            [&document, &unreadable](int index) -> std::unique_ptr<wxImage> {
                const FramePicture& picture = document.Frame(static_cast<size_t>(index)).picture;
                auto decoded = picture && picture->IsOk() ? std::make_unique<wxImage>(picture->Decode())
                                                          : nullptr;
                int none = -1;
                if (!decoded || !decoded->IsOk()) unreadable.compare_exchange_strong(none, index);
                return decoded;
            },
            [&bar](int index) {
                bar.Update(index + 1);
                return g_stopSignal == 0;
            });
    }
    if (status == GifExportStatus::Stopped && g_stopSignal != 0) {
        // Ended as the signal would have ended it, for the shell and job runners.
        std::raise(g_stopSignal);
    }
    if (status != GifExportStatus::Written)
        return Fail(kCliWriteFailure, status == GifExportStatus::BadFrame && unreadable >= 0
                                          ? UnreadableFrameText(job.path, unreadable)
                                          : GifExportFailureText(status, job.path));
    return kCliWritten;
}
