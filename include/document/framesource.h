// Pictures read into document frames on the calling thread, as the window's
// import reads them: for the command-line exporter, which has no import
// thread, so that it exports the frames the window would.
#pragma once

#include "document/document.h"
#include "window/gifreader.h"

#include <vector>

class FrameSource {
public:
    // The frames one listed path gives: a frame reference path its GIF's
    // frame, a file named .gif (in any letter case) every frame, GIF content
    // under another name its first frame, any other picture itself. None when
    // the file is gone, not an ordinary file or not a picture. Frames of a GIF
    // take its own delays where the reader gives them, others fallbackDelay.
    std::vector<DocumentFrame> Load(const wxString& listed, int fallbackDelay);

private:
    // A project lists a long GIF frame by frame: it is read once for all of them.
    GifReader m_gif;
    bool m_gifLoaded = false;
};
