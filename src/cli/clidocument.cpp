#include "cli/clidocument.h"

#include "document/canvasgeometry.h"
#include "document/commands.h"
#include "document/duplicates.h"
#include "document/framesource.h"
#include "document/timing.h"
#include "files/wholepath.h"
#include "gif/reader.h"
#include "import/framepath.h"
#include "import/videoreader.h"
#include "project/projectdocument.h"
#include "project/projectfile.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <algorithm>
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

wxString Named(const wxString& path, const wxString& why) { return path + ": " + why; }

// The part of every video the options choose, over the window's default.
VideoSampling ChosenSampling(const CliOptions& options, const VideoFacts& facts) {
    VideoSampling sampling = DefaultVideoSampling(facts);
    if (options.videoStartMs) sampling.startMs = *options.videoStartMs;
    if (options.videoEndMs) sampling.endMs = *options.videoEndMs;
    if (options.videoFps) sampling.fps = *options.videoFps;
    return sampling;
}

wxString SecondsText(long long ms) { return wxString::Format("%.3f s", ms / 1000.0); }

// Why a video gives no frame for --start, or empty: said before anything is decoded.
wxString VideoRangeProblem(const wxString& path, const CliOptions& options) {
    if (!options.videoStartMs || !LooksLikeVideo(path)) return wxString();
    const std::unique_ptr<VideoReader> video = VideoReader::Open(path);
    if (!video || video->Facts().durationMs <= 0 || *options.videoStartMs < video->Facts().durationMs)
        return wxString();
    return "--start " + SecondsText(*options.videoStartMs) + " lies after the video's end (" +
           SecondsText(video->Facts().durationMs) + ")";
}

// Appends the frames of one picture file (their pictures arrive when the
// source finishes); the problem when it gives none, or gives only part of
// itself under --strict (else a warning).
wxString AddPictureFrames(const wxString& path, const CliOptions& options, FrameSource& source,
                          std::vector<DocumentFrame>& frames, wxArrayString& warnings) {
    wxString problem = UnreadableReason(path);
    if (problem.empty()) problem = VideoRangeProblem(path, options);
    if (!problem.empty()) return problem;
    const wxString whole = WholePath(path);
    const size_t added = source.Add(whole, options.delay.value_or(kCliDefaultDelay), frames);
    const std::vector<SkippedPicture>& skipped = source.Skipped();
    const SkippedPicture* skip = !skipped.empty() && skipped.back().path == whole ? &skipped.back() : nullptr;
    const SkipReason reason = skip ? skip->reason : SkipReason::Damaged;
    const wxString tooLarge =
        skip ? wxString::Format("%d x %d pixels, more than %lld million", skip->size.x, skip->size.y,
                                GifReader::kMaxFramePixels / 1000000)
             : wxString();
    if (added == 0) {
        switch (reason) {
            case SkipReason::NotAPicture: return "is not a picture or video this program reads";
            case SkipReason::OverBudget: return "is too large: its pictures do not fit in the memory budget";
            case SkipReason::TooLarge: return "is too large: " + tooLarge;
            default: return "is damaged: no picture in it could be read";
        }
    }
    // Frames that did not fit are never dropped without a word.
    if (reason == SkipReason::OverBudget)
        return wxString::Format("gives more frames than fit in the memory budget: only the first %zu could be kept",
                                added);
    if (reason == SkipReason::TooLarge)
        return wxString::Format("has a frame too large (%s): only the %zu before it could be kept", tooLarge,
                                added);
    if (reason == SkipReason::PartlyRead) {
        if (options.strict) return "is damaged: only part of it could be read";
        warnings.Add(Named(path, "is damaged: only the part that could be read is used"));
    }
    // --delay holds for every frame, a GIF's too.
    if (options.delay)
        for (size_t i = frames.size() - added; i < frames.size(); ++i) frames[i].delay = *options.delay;
    return wxString();
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


std::vector<size_t> EveryFrame(const Document& document) {
    std::vector<size_t> all(document.FrameCount());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    return all;
}

// --speed, --reduce, --dedupe and --yoyo in that order, as the window's
// commands do them to every frame.
void ApplyTimingTools(const CliOptions& options, Document& document) {
    if (options.speedPercent) {
        std::vector<int> delays;
        for (const DocumentFrame& frame : document.Frames()) delays.push_back(DelayAtSpeed(frame.delay, *options.speedPercent));
        SetDelaysCommand(document, EveryFrame(document), delays, "Change Speed").Do();
    }
    if (options.reduceStep) {
        const auto away = ReducedAway(EveryFrame(document), *options.reduceStep, true);
        DropFramesCommand(document, DropFrames(document, away), "Reduce Frames").Do();
    }
    if (options.dedupePercent) {
        const auto found = FindDuplicates(FramesToCompare(document, EveryFrame(document)), *options.dedupePercent, nullptr);
        // Positions in the whole list are the frames' indices.
        if (found) DropFramesCommand(document, DropFrames(document, *found), "Remove Duplicates").Do();
    }
    if (options.yoyo)
        InsertFramesCommand(document, document.FrameCount(), ForthAndBack(document, EveryFrame(document)),
                            "Play Forth and Back")
            .Do();
}

// The crop, turns and flips of the options, as the window's commands make
// them; false when the crop does not lie within the pictures.
bool ApplyPictureEdits(const CliOptions& options, Document& document) {
    if (options.crop) {
        if (!wxRect(wxPoint(0, 0), document.ReferenceSize()).Contains(*options.crop)) return false;
        SetCropCommand(document, *options.crop, "Crop").Do();
    }
    const std::vector<size_t> all = EveryFrame(document);
    for (int turn = 0; turn < options.quarterTurns; ++turn)
        TurnFramesCommand(document, all, TurnFramesCommand::Turn::Right).Do();
    if (options.flipHorizontally) TurnFramesCommand(document, all, TurnFramesCommand::Turn::FlipHorizontally).Do();
    if (options.flipVertically) TurnFramesCommand(document, all, TurnFramesCommand::Turn::FlipVertically).Do();
    return true;
}

}  // namespace

void BuildPictureDocument(const CliOptions& options, CliDocument& result) {
    std::vector<DocumentFrame> frames;
    FrameSource source;
    source.SetVideoChooser(
        [&options](const wxString&, const VideoFacts& facts) { return ChosenSampling(options, facts); });
    source.Expect(WholePaths(options.inputs));
    for (const wxString& path : options.inputs) {
        const wxString problem = AddPictureFrames(path, options, source, frames, result.warnings);
        if (!problem.empty()) {
            source.Finish();
            result.problem = Named(path, problem);
            return;
        }
    }
    source.Finish();
    Document& document = result.document;
    document.SetDefaultDelay(options.delay.value_or(kCliDefaultDelay));
    document.SetLoopCount(options.loopCount.value_or(0));
    GifSettings settings = document.Settings();
    settings.transparent = options.transparent;
    document.SetSettings(settings);
    ApplyOutputOptions(options, document);
    document.InsertFrames(0, std::move(frames));
    if (!ApplyPictureEdits(options, document)) {
        const wxSize largest = document.ReferenceSize();
        result.problem = wxString::Format("--crop %dx%d+%d+%d lies outside the pictures (%dx%d)",
                                          options.crop->width, options.crop->height, options.crop->x,
                                          options.crop->y, largest.x, largest.y);
        result.usage = true;
        return;
    }
    ApplyTimingTools(options, document);
    document.SetCanvas(CanvasFor(options, document.DrawnSize()), document.ReferenceSize());
    if (options.caption) {
        const auto caption = std::make_shared<const Caption>(
            PlainCaption(*options.caption, options.captionAnchor, document.CanvasSize().y));
        SetCaptionsCommand(document, EveryFrame(document), WithCaptionAdded(document, {}, caption), "Add Caption")
            .Do();
    }
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
        // A folder, a device or a pipe is named as what it is, not as missing.
        const wxString why = UnreadableReason(file);
        if (!why.empty() && missing.insert(file).second)
            result.warnings.Add(Named(file, why + "; its frames are left out"));
    }
    const ProjectFrames listed = ProjectFramesToLoad(reading);
    std::vector<SkippedPicture> skipped;
    std::vector<DocumentFrame> frames = LoadProjectFrames(listed, &skipped);
    for (const SkippedPicture& skip : skipped) {
        if (skip.reason != SkipReason::PartlyRead) continue;
        if (options.strict) {
            result.problem = Named(StripFrameSuffix(skip.path), "is damaged: only part of it could be read");
            return;
        }
        result.warnings.Add(Named(StripFrameSuffix(skip.path), "is damaged: only the part that could be read is used"));
    }
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
    ApplyOutputOptions(options, result.document);
}
