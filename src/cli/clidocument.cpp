#include "cli/clidocument.h"

#include "document/projectdocument.h"
#include "window/canvasgeometry.h"
#include "window/framepath.h"
#include "window/gifreader.h"
#include "window/projectfile.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// Why path cannot be opened as a file to read, or empty when it can. Devices
// and pipes are refused: reading one could wait for ever.
wxString UnreadableReason(const wxString& path) {
    if (wxDirExists(path)) return "is a folder";
    if (!wxFileName::Exists(path, wxFILE_EXISTS_ANY)) return "no such file";
    if (!wxFileName::FileExists(path)) return "is not an ordinary file";
    if (!wxFile::Access(path, wxFile::read)) return "cannot be read (permission denied)";
    return wxString();
}

bool StartsAsGif(const wxString& path) {
    wxLogNull quiet;
    wxFile file(path);
    char signature[6] = {};
    return file.IsOpened() && file.Read(signature, sizeof signature) == sizeof signature &&
           (std::memcmp(signature, "GIF87a", 6) == 0 || std::memcmp(signature, "GIF89a", 6) == 0);
}

// The one place where a GIF's own frame delays come in. GifReader gives none
// yet, so until it does (GetDelay) a GIF's frames take the default delay.
int GifFrameDelay(const GifReader& reader, int frame, int fallback) {
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

// The frames of one picture file; empty with problem set when it gives none.
std::vector<DocumentFrame> PictureFrames(const wxString& path, const CliOptions& options,
                                         wxString& problem) {
    std::vector<DocumentFrame> frames;
    problem = UnreadableReason(path);
    if (!problem.empty()) return frames;
    const int delay = options.delay.value_or(kCliDefaultDelay);
    wxLogNull quiet;
    if (StartsAsGif(path)) {
        GifReader reader;
        reader.Load(path);
        for (int k = 0; k < reader.GetFrameCount(); ++k)
            if (auto picture = reader.TakeFrame(k))
                frames.push_back(NewFrame(std::move(picture), MakeFramePath(path, k),
                                          options.delay.value_or(GifFrameDelay(reader, k, delay))));
    } else if (auto picture = LoadPicture(path)) {
        frames.push_back(NewFrame(std::move(picture), path, delay));
    }
    if (frames.empty()) problem = "is not a picture this program reads, or is damaged";
    return frames;
}

// The canvas the options ask for: the frames' own (the largest) unless --size
// is given, a side given as 0 following the other in the frames' aspect.
wxSize CanvasFor(const CliOptions& options, const wxSize& reference) {
    if (!options.size) return reference;
    wxSize canvas = *options.size;
    if (canvas.y == 0) canvas.y = HeightForWidth(canvas.x, reference, reference.y);
    if (canvas.x == 0) canvas.x = WidthForHeight(canvas.y, reference, reference.x);
    return wxSize(std::max(canvas.x, 1), std::max(canvas.y, 1));
}

wxString Named(const wxString& path, const wxString& why) { return path + ": " + why; }

}  // namespace

void BuildPictureDocument(const CliOptions& options, CliDocument& result) {
    std::vector<DocumentFrame> frames;
    for (const wxString& path : options.inputs) {
        wxString problem;
        std::vector<DocumentFrame> more = PictureFrames(path, options, problem);
        if (!problem.empty()) {
            result.problem = Named(path, problem);
            return;
        }
        for (DocumentFrame& frame : more) frames.push_back(std::move(frame));
    }
    Document& document = result.document;
    document.SetDefaultDelay(options.delay.value_or(kCliDefaultDelay));
    document.SetLoopCount(options.loopCount.value_or(0));
    document.InsertFrames(0, std::move(frames));
    document.SetCanvas(CanvasFor(options, document.ReferenceSize()), document.ReferenceSize());
    document.SetGif(options.output, wxFileNameFromPath(options.output));
}

void BuildProjectDocument(const CliOptions& options, CliDocument& result) {
    const wxString& path = options.inputs[0];
    const wxString unreadable = UnreadableReason(path);
    if (!unreadable.empty()) {
        result.problem = Named(path, unreadable);
        return;
    }
    const ProjectReading reading = ReadProjectFile(path);
    if (reading.problem != ProjectProblem::None) {
        result.problem = ProjectReadProblemText(reading, path);
        return;
    }
    // The window opens a project with the pictures still there; the others are named here.
    std::set<wxString> missing;
    for (const wxString& entry : reading.entries) {
        const wxString file = StripFrameSuffix(entry);
        if (!wxFileName::FileExists(file) && missing.insert(file).second)
            result.warnings.Add(Named(file, "no such file; its frames are left out"));
    }
    const ProjectFrames listed = ProjectFramesToLoad(reading);
    std::vector<DocumentFrame> frames = LoadProjectFrames(listed);
    if (frames.empty()) {
        result.problem = Named(path, "none of its pictures can be read");
        return;
    }
    const wxString gifPath = options.output.empty() ? reading.gifPath : options.output;
    if (gifPath.empty()) {
        result.problem = Named(path, "names no GIF file; give one with -o");
        return;
    }
    // A new window's Delay field gives the delay a project without one lacks.
    result.document.SetDefaultDelay(kCliDefaultDelay);
    FillDocumentFromProject(result.document, std::move(frames), reading, listed, path);
    if (!options.output.empty()) result.document.SetGif(gifPath, wxFileNameFromPath(gifPath));
}
