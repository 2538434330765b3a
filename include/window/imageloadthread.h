// Decodes picture files on a worker thread and queues one progress event per
// picture to the main window.
#pragma once

#include <wx/arrstr.h>
#include <wx/thread.h>

class wxEvtHandler;
class wxImage;

// Each event (wxEVT_COMMAND_WORKER_PROGRESS, id ID_IMAGE_LOAD_THREAD) carries
// the percentage done (GetInt), the frame index inside its GIF
// (GetExtraLong), the picture's path without frame suffix (GetString) and a
// heap wxImage that the receiver owns (GetClientData). The last event carries
// 100; when the last path gave no picture, it has no image.
class ImageLoadThread : public wxThread {
public:
    ImageLoadThread(wxEvtHandler* owner, const wxArrayString& paths);

protected:
    ExitCode Entry() override;

private:
    // Returns false when the load should stop.
    bool LoadGif(size_t i, int frameIndex, const wxString& path);
    void LoadPicture(size_t i, const wxString& path);
    int Progress(size_t done) const;
    void Post(int progress, int frameIndex, const wxString& path, wxImage* image);

    wxEvtHandler* m_owner;
    wxArrayString m_paths;
    wxImage* m_image = nullptr;
    bool m_finished = false;  // an event with 100 was posted
};
