// What the video dialog proposes: the last choice where it fits the video
// (its range only for the same file), else the default. For the session.
#pragma once

#include "import/videoreader.h"

#include <wx/string.h>

class VideoChoiceMemory {
public:
    VideoSampling Proposal(const wxString& path, const VideoFacts& facts) const;
    void Chosen(const wxString& path, const VideoFacts& facts, const VideoSampling& sampling);

private:
    wxString m_path;
    bool m_any = false;
    bool m_everyFrame = false;  // the rate as the video plays
    int m_fps = 0;
    bool m_ownSize = true;      // the video's own size
    int m_width = 0;
    long long m_startMs = 0;
    long long m_endMs = -1;
};
