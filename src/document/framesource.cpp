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
    Add(listed, fallbackDelay, frames);
    Finish();
    return frames;
}

size_t FrameSource::Add(const wxString& listed, int fallbackDelay, std::vector<DocumentFrame>& frames) {
    const size_t before = frames.size();
    m_decoder.Decode(listed, [&](DecodedPicture&& decoded) {
        // Once stored, its pixels no longer count against the import's budget.
        m_decoder.Release(*decoded.picture);
        const size_t at = frames.size();
        frames.push_back(MakeFrame(nullptr, decoded.path, decoded.frameIndex, decoded.delay, fallbackDelay));
        m_storing.Add(std::move(decoded.picture),
                      [&frames, at](FramePicture stored) { frames[at].picture = std::move(stored); });
        return true;
    });
    return frames.size() - before;
}
