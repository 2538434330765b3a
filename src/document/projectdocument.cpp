#include "document/projectdocument.h"

#include "window/framepath.h"
#include "window/gifreader.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>

#include <algorithm>

void TakeProjectDelays(std::vector<DocumentFrame>& frames, const ProjectFrames& listed,
                       int fallback) {
    size_t next = 0;
    for (DocumentFrame& frame : frames) {
        size_t at = next;
        while (at < listed.paths.size() && listed.paths[at] != frame.path) ++at;
        if (at < listed.paths.size() && at < listed.delays.size()) {
            frame.delay = listed.delays[at];
            next = at + 1;
        } else {
            frame.delay = fallback;
        }
    }
}

void FillDocumentFromProject(Document& document, std::vector<DocumentFrame> frames,
                             const ProjectReading& reading, const ProjectFrames& listed,
                             const wxString& projectPath) {
    const int delay = reading.delay.value_or(document.DefaultDelay());
    TakeProjectDelays(frames, listed, delay);
    document.Clear();
    document.SetDefaultDelay(delay);
    document.SetLoopCount(reading.loopCount);
    document.InsertFrames(0, std::move(frames));
    // The project's own canvas size (perhaps an edited one) is what was saved.
    if (reading.width && reading.height && *reading.width > 0 && *reading.height > 0)
        document.SetCanvas(wxSize(*reading.width, *reading.height), document.ReferenceSize());
    document.SetGif(reading.gifPath, reading.gifName);
    document.SetProjectPath(projectPath);
}

namespace {

DocumentFrame MakeFrame(std::unique_ptr<wxImage> picture, const wxString& path, int frameIndex) {
    DocumentFrame frame;
    frame.picture = FramePicture(picture.release());
    // Case-sensitive, as project files store these references.
    frame.path = path.EndsWith(".gif") ? MakeFramePath(path, frameIndex) : path;
    return frame;
}

}  // namespace

std::vector<DocumentFrame> LoadProjectFrames(const ProjectFrames& listed) {
    wxLogNull quiet;
    std::vector<DocumentFrame> frames;
    GifReader gif;  // a long GIF listed frame by frame is read once for all of them
    bool gifLoaded = false;
    for (const wxString& listedPath : listed.paths) {
        const int frameIndex = FrameIndexFromPath(listedPath);
        const wxString path = StripFrameSuffix(listedPath);
        if (!wxFileName::FileExists(path)) continue;
        if (!path.EndsWith(".gif")) {
            if (auto picture = LoadPicture(path))
                frames.push_back(MakeFrame(std::move(picture), path, 0));
            continue;
        }
        if (!gifLoaded || gif.GetPath() != path) {
            gif.Load(path);
            gifLoaded = true;
        }
        const int first = frameIndex == -1 ? 0 : frameIndex;
        const int end =
            frameIndex == -1 ? gif.GetFrameCount() : std::min(frameIndex + 1, gif.GetFrameCount());
        for (int k = first; k < end; ++k)
            if (auto picture = gif.TakeFrame(k))
                frames.push_back(MakeFrame(std::move(picture), path, k));
    }
    return frames;
}
