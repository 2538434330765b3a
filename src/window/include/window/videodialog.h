// Asks, before a video is read, which part of it becomes frames: the range
// (with the first and the last frame shown), the frames taken per second and
// their size. The video is only looked at here; the import reads it.
#pragma once

#include "import/videoreader.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxSpinCtrl;
class wxSpinCtrlDouble;
class wxSpinDoubleEvent;
class wxStaticBitmap;
class wxStaticText;

class VideoDialog : public wxDialog {
public:
    // Shows what reader's video holds, proposing `proposed`.
    VideoDialog(wxWindow* parent, const wxString& path, VideoReader& reader, const VideoSampling& proposed);

    // The choice as the controls show it; what OK confirms.
    VideoSampling GetSampling() const;
    void SetSampling(const VideoSampling& sampling);

    enum { ID_START = wxID_HIGHEST + 1, ID_END, ID_EVERY_FRAME, ID_FPS, ID_WIDTH, ID_SUMMARY };

private:
    void Lay(const wxString& path);
    void OnRange(wxSpinDoubleEvent& event);
    void OnRate(wxCommandEvent& event);
    // The frames as they would be taken now: the previews, the height, the count.
    void Refresh(bool previews);
    void ShowPreview(wxStaticBitmap* where, long long ms);

    VideoReader& m_reader;
    const VideoFacts m_facts;
    wxSpinCtrlDouble* m_start = nullptr;
    wxSpinCtrlDouble* m_end = nullptr;
    wxStaticBitmap* m_startPicture = nullptr;
    wxStaticBitmap* m_endPicture = nullptr;
    wxCheckBox* m_everyFrame = nullptr;
    wxSpinCtrl* m_fps = nullptr;
    wxSpinCtrl* m_width = nullptr;
    wxStaticText* m_height = nullptr;
    wxStaticText* m_summary = nullptr;
};
