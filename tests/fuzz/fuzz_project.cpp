// The project reader on any bytes: parsed under the limits project files are
// read with, read as a project, its frames chosen and its paths resolved as
// opening one does. A file that reads as a project must also come back the
// same once written: saving what was opened and opening it again gives the
// same frames, delays, turns, captions and settings.
#include "fuzz_support.h"

#include "files/wholepath.h"
#include "import/framepath.h"
#include "project/projectfile.h"
#include "xmlread/xmltree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// ReadProjectFile's own limits: a project is three levels deep.
XmlLimits ProjectLimits() {
    XmlLimits limits;
    limits.maxDepth = 6;
    return limits;
}

const wxString kProjectFile = "/fuzz/folder/project.xml";

// A tree that could not be parsed is empty, which reads as damaged.
ProjectReading ReadBytes(const std::string& bytes) {
    XmlTree tree;
    if (tree.Parse(bytes, ProjectLimits()) != XmlProblem::None)
        lwfuzz::Check(tree.Root() == XmlTree::None, "a tree with a problem is empty");
    return ReadProjectTree(tree);
}

// Each frame's captions as indices into reading.captions. Frames share the
// caption objects made for them, so each is marked with its index first.
std::vector<std::vector<int>> FrameCaptionIndices(ProjectReading reading) {
    for (size_t k = 0; k < reading.captions.size(); ++k) reading.captions[k].margin = static_cast<int>(k);
    std::vector<std::vector<int>> indices;
    for (const CaptionList& shown : ProjectFramesToLoad(reading).captions) {
        indices.emplace_back();
        for (const auto& caption : shown) indices.back().push_back(caption->margin);
    }
    return indices;
}

// What a document opened from the reading records when saved. A GIF's own
// path never stays a frame of a document: opening it gives its frames.
ProjectContent ContentOf(const ProjectReading& reading) {
    ProjectContent content;
    content.gifName = reading.gifName;
    content.width = reading.width.value_or(0);
    content.height = reading.height.value_or(0);
    content.delay = reading.delay.value_or(0);
    const ProjectFrames frames = ProjectFramesToLoad(reading);
    const std::vector<std::vector<int>> captions = FrameCaptionIndices(reading);
    lwfuzz::Check(captions.size() == frames.paths.size(), "every frame has its captions");
    for (size_t i = 0; i < frames.paths.size(); ++i) {
        if (HasGifExtension(frames.paths[i])) continue;
        content.framePaths.Add(frames.paths[i]);
        content.frameDelays.push_back(frames.delays[i]);
        content.frameTurns.push_back(frames.turns[i]);
        content.frameCaptions.push_back(captions[i]);
    }
    content.captions = reading.captions;
    content.crop = reading.crop;
    content.loopCount = reading.loopCount;
    content.transparent = reading.transparent;
    content.optimise = reading.optimise;
    content.quality = reading.quality;
    return content;
}

void CheckSameProject(const ProjectContent& saved, const ProjectReading& reopened) {
    using lwfuzz::Check;
    Check(reopened.problem == ProjectProblem::None, "a written project reads as a project");
    Check(reopened.gifName == saved.gifName, "the GIF's name comes back");
    Check(reopened.width == saved.width && reopened.height == saved.height, "the canvas comes back");
    Check(reopened.delay == saved.delay, "the delay comes back");
    const ProjectFrames frames = ProjectFramesToLoad(reopened);
    Check(frames.paths == saved.framePaths, "the frames come back in their order");
    Check(frames.delays == saved.frameDelays, "each frame's delay comes back");
    Check(frames.turns == saved.frameTurns, "each frame's turn comes back");
    Check(FrameCaptionIndices(reopened) == saved.frameCaptions, "each frame's captions come back");
    Check(reopened.captions == saved.captions, "the captions come back as they were");
    Check(reopened.crop == saved.crop, "the crop comes back");
    Check(reopened.loopCount == saved.loopCount, "the loop count comes back");
    Check(reopened.transparent == saved.transparent && reopened.optimise == saved.optimise &&
              reopened.quality == saved.quality,
          "the GIF settings come back");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lwfuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using lwfuzz::Check;
    const ProjectReading reading = ReadBytes(std::string(reinterpret_cast<const char*>(data), size));
    Check(!ProjectReadProblemText(reading, kProjectFile).empty() == (reading.problem != ProjectProblem::None),
          "a problem, and only a problem, has a text");
    Check(reading.entries.size() == reading.entryDelays.size() &&
              reading.entries.size() == reading.entryTurns.size() &&
              reading.entries.size() == reading.entryCaptions.size(),
          "every entry has its delay, turn and captions");

    const ProjectFrames frames = ProjectFramesToLoad(reading);
    Check(ProjectPathsToLoad(reading.entries) == frames.paths, "both choose the same frames");
    Check(frames.delays.size() == frames.paths.size() && frames.turns.size() == frames.paths.size(),
          "every frame has its delay and turn");
    for (const wxString& entry : reading.entries) {
        const wxString resolved = ResolveProjectPath(entry, kProjectFile);
        Check(resolved.empty() == entry.empty(), "only an empty entry resolves to nothing");
        Check(resolved.empty() || resolved.StartsWith("/"), "a resolved entry starts at the root");
        // Saved again, the entry names the same file.
        const wxString stored = StoreProjectPath(resolved, kProjectFile);
        Check(WholePath(ResolveProjectPath(stored, kProjectFile)) == WholePath(resolved),
              "a stored path resolves to the file it was stored for");
    }
    if (reading.problem != ProjectProblem::None) return 0;

    const ProjectContent content = ContentOf(reading);
    CheckSameProject(content, ReadBytes(ProjectFileBytes(content)));
    return 0;
}
