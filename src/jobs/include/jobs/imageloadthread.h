// Decodes picture files on a worker thread and queues one progress event per
// picture to whoever started it (the window's import).
#pragma once

#include "import/picturedecoder.h"
#include "import/storingqueue.h"
#include "jobs/importevents.h"

#include <wx/arrstr.h>
#include <wx/thread.h>

#include <memory>
#include <mutex>

class wxEvtHandler;
class ImportEvent;

// Each event is an ImportEvent (id ID_IMAGE_LOAD_THREAD) carrying the
// percentage done and one picture with its path, frame index and delay. The
// last event carries 100 and the pictures that were skipped; when the last
// path gave no picture, it has no picture.
// Where a load's events go. The window closes it when it goes away; from then
// on nothing is posted and the thread stops at the next picture.
class ImportSink {
public:
    explicit ImportSink(wxEvtHandler* target) : m_target(target) {}
    // Queues a progress event; when closed, drops it with its picture.
    void Post(std::unique_ptr<ImportEvent> event);
    void Close();
    bool IsClosed() const;

private:
    mutable std::mutex m_mutex;
    wxEvtHandler* m_target;
};

class ImageLoadThread : public wxThread {
public:
    // budgetPixels: the decoded pixels the whole load may hold; chooser: which
    // frames each video gives (called on the thread; else the default).
    ImageLoadThread(std::shared_ptr<ImportSink> sink, const wxArrayString& paths,
                    long long budgetPixels = PictureDecoder::kImportPixels,
                    PictureDecoder::VideoChooser chooser = nullptr);
    ImageLoadThread(wxEvtHandler* owner, const wxArrayString& paths);

protected:
    ExitCode Entry() override;

private:
    void LoadAll();
    bool ShouldStop();
    // The percentage once done paths (a fraction for one read in part) are read.
    int Progress(double done) const;
    void Post(int progress, DecodedPicture decoded);
    void PostStored(int progress, ImportedPicture picture);

    std::shared_ptr<ImportSink> m_sink;
    wxArrayString m_paths;
    bool m_finished = false;  // an event with 100 was posted
    PictureDecoder m_decoder;
    // Compresses each picture while the next one is decoded.
    StoringQueue m_storing;
};
