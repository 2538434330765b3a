#include "project/projectdocument.h"

#include "document/framesource.h"

#include <algorithm>

static_assert(static_cast<int>(GifQuality::Fast) == kProjectQualityFast &&
                  static_cast<int>(GifQuality::Standard) == kProjectQualityStandard &&
                  static_cast<int>(GifQuality::Best) == kProjectQualityBest,
              "project files store the quality as these numbers");

void TakeProjectDelays(std::vector<DocumentFrame>& frames, const ProjectFrames& listed,
                       int fallback) {
    size_t next = 0;
    for (DocumentFrame& frame : frames) {
        size_t at = next;
        while (at < listed.paths.size() && listed.paths[at] != frame.path) ++at;
        if (at < listed.paths.size() && at < listed.delays.size()) {
            frame.delay = listed.delays[at];
            if (at < listed.turns.size()) frame.turn = listed.turns[at];
            if (at < listed.captions.size()) frame.captions = listed.captions[at];
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
    GifSettings settings;
    settings.transparent = reading.transparent;
    settings.optimise = reading.optimise;
    settings.quality = static_cast<GifQuality>(reading.quality);
    settings.webpQuality = reading.webpQuality;
    settings.colours = reading.colours;
    settings.dither = reading.dither;
    settings.ditherStrength = reading.ditherStrength;
    settings.lossy = reading.lossy;
    settings.maxBytes = reading.maxBytes;
    settings.levers = reading.levers;
    document.SetSettings(settings);
    document.SetCrop(reading.crop);
    document.InsertFrames(0, std::move(frames));
    // The project's own canvas size (perhaps an edited one) is what was saved.
    if (reading.width && reading.height && *reading.width > 0 && *reading.height > 0)
        document.SetCanvas(wxSize(*reading.width, *reading.height), document.ReferenceSize());
    document.SetGif(reading.gifPath, reading.gifName);
    document.SetProjectPath(projectPath);
}

std::vector<DocumentFrame> LoadProjectFrames(const ProjectFrames& listed,
                                             std::vector<SkippedPicture>* skipped) {
    std::vector<DocumentFrame> frames;
    FrameSource source;
    source.Expect(listed.paths);
    for (const wxString& path : listed.paths) source.Add(path, 0, frames);
    source.Finish();
    if (skipped) *skipped = source.Skipped();
    return frames;
}

ProjectContent ProjectContentOf(const Document& document, const wxString& projectPath) {
    ProjectContent content;
    // A GIF beside the project is stored relative to it, so that the two can move together.
    content.gifName = StoreProjectPath(document.GifPath(), projectPath);
    content.width = document.CanvasSize().x;
    content.height = document.CanvasSize().y;
    content.delay = document.DefaultDelay();
    for (const DocumentFrame& frame : document.Frames()) {
        // Pictures beside the project or below it are stored relative to it too.
        content.framePaths.Add(StoreProjectPath(frame.path, projectPath));
        content.frameDelays.push_back(frame.delay);
        content.frameTurns.push_back(frame.turn);
    }
    const CaptionList captions = document.AllCaptions();
    for (const auto& caption : captions) {
        content.captions.push_back(*caption);
        // An overlay's picture beside the project moves with it, as the frames do.
        if (caption->IsPicture()) content.captions.back().picturePath = StoreProjectPath(caption->picturePath, projectPath);
    }
    for (const DocumentFrame& frame : document.Frames()) {
        std::vector<int> shown;
        for (const auto& caption : frame.captions)
            shown.push_back(static_cast<int>(std::find(captions.begin(), captions.end(), caption) - captions.begin()));
        content.frameCaptions.push_back(std::move(shown));
    }
    content.crop = document.Crop();
    content.loopCount = document.LoopCount();
    content.transparent = document.Settings().transparent;
    content.optimise = document.Settings().optimise;
    content.quality = static_cast<int>(document.Settings().quality);
    content.webpQuality = document.Settings().webpQuality;
    content.colours = document.Settings().colours;
    content.dither = document.Settings().dither;
    content.ditherStrength = document.Settings().ditherStrength;
    content.lossy = document.Settings().lossy;
    content.maxBytes = document.Settings().maxBytes;
    content.levers = document.Settings().levers;
    return content;
}
