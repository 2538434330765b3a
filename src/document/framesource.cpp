#include "document/framesource.h"

#include "window/framepath.h"

DocumentFrame FrameFromDecoded(DecodedPicture&& decoded, int fallbackDelay) {
    DocumentFrame frame;
    frame.picture = FramePicture(decoded.picture.release());
    frame.path = HasGifExtension(decoded.path) ? MakeFramePath(decoded.path, decoded.frameIndex)
                                               : decoded.path;
    frame.delay = decoded.delay >= 0 ? decoded.delay : fallbackDelay;
    return frame;
}

std::vector<DocumentFrame> FrameSource::Load(const wxString& listed, int fallbackDelay) {
    std::vector<DocumentFrame> frames;
    m_decoder.Decode(listed, [&](DecodedPicture&& decoded) {
        frames.push_back(FrameFromDecoded(std::move(decoded), fallbackDelay));
        return true;
    });
    return frames;
}
