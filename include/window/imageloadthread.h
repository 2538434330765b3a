// Decodes picture files on a worker thread and queues one progress event per
// picture to the main window.
#pragma once

#include <wx/arrstr.h>
#include <wx/thread.h>

#include <memory>
#include <mutex>

#include "window/gifreader.h"

class wxCommandEvent;
class wxEvtHandler;
class wxImage;

// Each event (wxEVT_COMMAND_WORKER_PROGRESS, id ID_IMAGE_LOAD_THREAD) carries
// the percentage done (GetInt), the frame index inside its GIF
// (GetExtraLong), the picture's path without frame suffix (GetString) and a
// heap wxImage that the receiver owns (GetClientData). The last event carries
// 100; when the last path gave no picture, it has no image.
// Where a load's events go. The window closes it when it goes away; from then
// on nothing is posted and the thread stops at the next picture.
class ImportSink {
public:
    explicit ImportSink(wxEvtHandler* target) : m_target(target) {}
    // Queues a progress event; when closed, drops it with its picture.
    void Post(wxCommandEvent* event);
    void Close();
    bool IsClosed() const;

private:
    mutable std::mutex m_mutex;
    wxEvtHandler* m_target;
};

class ImageLoadThread : public wxThread {
public:
    ImageLoadThread(std::shared_ptr<ImportSink> sink, const wxArrayString& paths);
    ImageLoadThread(wxEvtHandler* owner, const wxArrayString& paths);

protected:
    ExitCode Entry() override;

private:
    void LoadAll();
    // Returns false when the load should stop.
    bool LoadGif(size_t i, int frameIndex, const wxString& path);
    void LoadPicture(size_t i, const wxString& path);
    int Progress(size_t done) const;
    void Post(int progress, int frameIndex, const wxString& path, std::unique_ptr<wxImage> image);

    std::shared_ptr<ImportSink> m_sink;
    wxArrayString m_paths;
    bool m_finished = false;  // an event with 100 was posted
    GifReader m_gif;          // the GIF read last
    bool m_gifLoaded = false;
};
