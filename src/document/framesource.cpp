#include "document/framesource.h"

#include "import/framepath.h"

DocumentFrame MakeFrame(FramePicture picture, const wxString& path, int frameIndex, int delay,
                        int fallbackDelay) {
    DocumentFrame frame;
    frame.picture = std::move(picture);
    frame.path = HasGifExtension(path) ? MakeFramePath(path, frameIndex) : path;
    frame.delay = delay >= 0 ? delay : fallbackDelay;
    return frame;
}

DocumentFrame FrameFromDecoded(DecodedPicture&& decoded, int fallbackDelay) {
    return MakeFrame(StorePicture(*decoded.picture), decoded.path, decoded.frameIndex, decoded.delay,
                     fallbackDelay);
}

std::vector<DocumentFrame> FrameSource::Load(const wxString& listed, int fallbackDelay) {
    std::vector<DocumentFrame> frames;
    m_decoder.Decode(listed, [&](DecodedPicture&& decoded) {
        // Once stored, its pixels no longer count against the import's budget.
        m_decoder.Release(*decoded.picture);
        frames.push_back(FrameFromDecoded(std::move(decoded), fallbackDelay));
        return true;
    });
    return frames;
}
