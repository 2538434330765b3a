// Pictures read into document frames on the calling thread, as the window's
// import reads them: for the command-line exporter, which has no import
// thread, so that it exports the frames the window would.
#pragma once

#include "document/document.h"
#include "import/picturedecoder.h"

#include <vector>

// A decoded picture as a frame of the document: a GIF's frames are named by
// their frame reference path and keep their own delay; other pictures take
// fallbackDelay.
DocumentFrame FrameFromDecoded(DecodedPicture&& decoded, int fallbackDelay);

class FrameSource {
public:
    // The frames one listed path gives: a frame reference path its GIF's
    // frame, a file named .gif (in any letter case) every frame, GIF content
    // under another name its first frame, any other picture itself. None when
    // the file is gone, not an ordinary file or not a picture (Skipped says why).
    std::vector<DocumentFrame> Load(const wxString& listed, int fallbackDelay);
    const std::vector<SkippedPicture>& Skipped() const { return m_decoder.GetSkipped(); }

private:
    PictureDecoder m_decoder;
};
