#include "cli/cliexport.h"

#include "base/filenames.h"
#include "cli/cliline.h"
#include "cli/progressbar.h"
#include "document/exportjob.h"
#include "document/sizesearch.h"
#include "framestore/storedahead.h"
#include "gif/animationfile.h"
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

// As in the window: fewer frames at once when memory is short, none when even one does not fit.
int ParallelismFor(const Document& document) {
    const wxSize canvas = document.CanvasSize();
    return ExportParallelismThatFits(canvas.x, canvas.y, DefaultExportParallelism(), AvailableMemory());
}

int MemoryRefusal(const Document& document) {
    const wxSize canvas = document.CanvasSize();
    return Fail(kCliWriteFailure, ExportMemoryRefusalText(document.GifPath(), canvas.x, canvas.y));
}

// Ends as the signal would have ended it, for the shell and job runners.
void EndIfStopped() {
    if (g_stopSignal != 0) std::raise(g_stopSignal);
}

// The search for settings under the document's limit, then the file written
// from the GIF it kept in memory.
int ExportWithinSize(const Document& document, const GifExportJob& job, bool quiet) {
    SizeFit fit;
    {
        StopSignals signals;
        ProgressBar bar(100, !quiet && StandardErrorIsTerminal());
        fit = FitGifToSize(document, document.Settings().maxBytes, job.parallelism,
                           [&bar](int percent) { bar.Update(percent); }, [] { return g_stopSignal != 0; });
    }
    if (fit.status == GifExportStatus::Stopped) EndIfStopped();
    if (fit.status != GifExportStatus::Written) return Fail(kCliWriteFailure, GifExportFailureText(fit.status, job.path));
    const long long size = static_cast<long long>(fit.bytes.size());
    if (!fit.fits)
        return Fail(kCliInputProblem,
                    wxString::Format("no GIF of these frames fits in %lld bytes: the smallest reached is %lld "
                                     "bytes (%s); nothing was written",
                                     document.Settings().maxBytes, size, SizeChoiceText(fit.choice, size)));
    const GifExportStatus status = WriteAnimationFile(job, [&fit](wxOutputStream& out) {
        out.Write(fit.bytes.data(), fit.bytes.size());
        return out.LastWrite() == fit.bytes.size() ? GifExportStatus::Written : GifExportStatus::CannotWrite;
    });
    if (status != GifExportStatus::Written) return Fail(kCliWriteFailure, GifExportFailureText(status, job.path));
    if (!quiet) std::cerr << "loopwright-cli: " << SystemBytes(SizeChoiceText(fit.choice, size)) << std::endl;
    return kCliWritten;
}

}  // namespace

int EstimateCliDocument(const Document& document) {
    const int parallelism = ParallelismFor(document);
    if (parallelism == 0) return MemoryRefusal(document);
    const long long bytes = EstimateGifBytes(document, parallelism, EstimatePairsFor(document.CanvasSize()), nullptr);
    if (bytes < 0) return Fail(kCliInputProblem, "the size cannot be estimated: a frame could not be prepared");
    std::cout << bytes << std::endl;
    return kCliWritten;
}

int ExportCliDocument(const Document& document, bool quiet) {
    const int parallelism = ParallelismFor(document);
    if (parallelism == 0) return MemoryRefusal(document);
    const GifExportJob job = ExportJobFor(document, parallelism);
    if (document.Settings().maxBytes > 0 && job.format == AnimationFormat::Gif)
        return ExportWithinSize(document, job, quiet);

    GifExportStatus status;
    // The first frame the frame store could not give back; -1: none.
    std::atomic<int> unreadable{-1};
    {
        StopSignals signals;
        ProgressBar bar(job.frameCount, !quiet && StandardErrorIsTerminal());
        // Decoded from the store on other threads, a few frames ahead, as the window's export does.
        std::vector<FramePicture> pictures;
        for (const DocumentFrame& frame : document.Frames()) pictures.push_back(frame.picture);
        StoredPicturesAhead stored(std::move(pictures), 2 * parallelism);
        status = WriteAnimation(
            job,
            [&stored, &unreadable](int index) -> std::unique_ptr<wxImage> {
                std::unique_ptr<wxImage> decoded = stored.Take(index);
                if (decoded && decoded->IsOk()) return decoded;
                // The earliest: the export looks at frames further on before it writes the first.
                if (unreadable < 0 || index < unreadable) unreadable = index;
                return nullptr;
            },
            [&bar](int index) {
                bar.Update(index + 1);
                return g_stopSignal == 0;
            });
    }
    if (status == GifExportStatus::Stopped) EndIfStopped();
    if (status != GifExportStatus::Written)
        return Fail(kCliWriteFailure, status == GifExportStatus::BadFrame && unreadable >= 0
                                          ? UnreadableFrameText(job.path, unreadable)
                                          : GifExportFailureText(status, job.path));
    return kCliWritten;
}
