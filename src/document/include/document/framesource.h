// Pictures read into document frames on the calling thread, as the window's
// import reads them: for the command-line exporter, which has no import
// thread, so that it exports the frames the window would.
#pragma once

#include "document/document.h"
#include "import/picturedecoder.h"
#include "import/storingqueue.h"

#include <vector>

// A stored picture as a frame of the document: frame frameIndex of a GIF at
// path is named by its frame reference path and keeps its own delay (>= 0);
// other pictures take fallbackDelay.
DocumentFrame MakeFrame(FramePicture picture, const wxString& path, int frameIndex, int delay,
                        int fallbackDelay);
// The same for a decoded picture, which goes into the frame store.
DocumentFrame FrameFromDecoded(DecodedPicture&& decoded, int fallbackDelay);

class FrameSource {
public:
    // The frames one listed path gives: a frame reference path its GIF's
    // frame, a file named .gif (in any letter case) every frame, GIF content
    // under another name its first frame, any other picture itself. None when
    // the file is gone, not an ordinary file or not a picture (Skipped says why).
    std::vector<DocumentFrame> Load(const wxString& listed, int fallbackDelay);
    // The same frames appended to frames, how many; their pictures go into
    // the frame store on workers while the next files are decoded, and are
    // in frames once Finish returns (frames must stay until then).
    size_t Add(const wxString& listed, int fallbackDelay, std::vector<DocumentFrame>& frames);
    void Finish() { m_storing.Finish(); }
    // The paths Add will be given next, in order: their still pictures are
    // decoded ahead on the free cores.
    void Expect(const wxArrayString& upcoming) { m_decoder.Expect(upcoming); }
    // Which frames each video listed after this gives (else the default).
    void SetVideoChooser(PictureDecoder::VideoChooser chooser) { m_decoder.SetVideoChooser(std::move(chooser)); }
    const std::vector<SkippedPicture>& Skipped() const { return m_decoder.GetSkipped(); }

private:
    PictureDecoder m_decoder;
    StoringQueue m_storing;
};
