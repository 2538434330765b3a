#include "document/framesource.h"

#include "window/framepath.h"

#include <wx/file.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>

#include <cstring>

namespace {

bool StartsAsGif(const wxString& path) {
    wxFile file(path);
    char signature[6] = {};
    return file.IsOpened() && file.Read(signature, sizeof signature) == sizeof signature &&
           (std::memcmp(signature, "GIF87a", 6) == 0 || std::memcmp(signature, "GIF89a", 6) == 0);
}

// The one place where a GIF's own frame delays come in. The reader this was
// written against gives none, so a GIF's frames take the fallback; with a
// reader that has GetDelay(frame) this becomes
//   const int own = reader.GetDelay(frame); return own >= 0 ? own : fallback;
int OwnDelay(const GifReader& reader, int frame, int fallback) {
    (void)reader;
    (void)frame;
    return fallback;
}

DocumentFrame NewFrame(std::unique_ptr<wxImage> picture, const wxString& path, int delay) {
    DocumentFrame frame;
    frame.picture = FramePicture(picture.release());
    frame.path = path;
    frame.delay = delay;
    return frame;
}

}  // namespace

std::vector<DocumentFrame> FrameSource::Load(const wxString& listed, int fallbackDelay) {
    wxLogNull quiet;
    std::vector<DocumentFrame> frames;
    const int frameIndex = FrameIndexFromPath(listed);
    const wxString path = StripFrameSuffix(listed);
    // A folder, a pipe or a device holds no picture (and a pipe could block).
    if (!wxFileName::FileExists(path)) return frames;
    if (!StartsAsGif(path)) {
        auto picture = std::make_unique<wxImage>();
        if (frameIndex <= 0 && picture->LoadFile(path, wxBITMAP_TYPE_ANY) && picture->IsOk())
            frames.push_back(NewFrame(std::move(picture), path, fallbackDelay));
        return frames;
    }
    if (!m_gifLoaded || m_gif.GetPath() != path) {
        m_gif.Load(path);
        m_gifLoaded = true;
    }
    const bool named = path.Lower().EndsWith(".gif");
    // Named as one picture, a GIF is taken as one: its first frame.
    const int first = frameIndex >= 0 ? frameIndex : 0;
    const int end = frameIndex >= 0 || !named ? first + 1 : m_gif.GetFrameCount();
    for (int k = first; k < end && k < m_gif.GetFrameCount(); ++k)
        if (auto picture = m_gif.TakeFrame(k))
            frames.push_back(NewFrame(std::move(picture), named ? MakeFramePath(path, k) : path,
                                      OwnDelay(m_gif, k, fallbackDelay)));
    return frames;
}
