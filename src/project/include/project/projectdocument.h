// An opened project as a document: the frames loaded from its files take the
// project's delays, and the document its canvas, loop count and GIF. The
// window and the command-line exporter open projects through here, so that
// both export the same animation.
#pragma once

#include "document/document.h"
#include "import/skippedpictures.h"
#include "project/projectfile.h"

#include <vector>

// The frames arrive in the order of the paths they were loaded from, some
// perhaps missing (unreadable): each takes the delay of the path it came
// from, a frame that matches no path the fallback; and the path's turn.
void TakeProjectDelays(std::vector<DocumentFrame>& frames, const ProjectFrames& listed,
                       int fallback);

// Makes the document the project read from projectPath: frames (loaded from
// listed.paths, at least one) with the project's delays, its canvas when it
// gives a usable one, its loop count and its GIF. Delays the project does not
// give are the document's default delay. The crop is the project's.
void FillDocumentFromProject(Document& document, std::vector<DocumentFrame> frames,
                             const ProjectReading& reading, const ProjectFrames& listed,
                             const wxString& projectPath);

// The frames of listed.paths loaded on this thread as the window's import
// loads them (framesource.h); files that are gone or unreadable give none.
// TakeProjectDelays then gives each its delay. What could not be added, or
// only in part, goes into skipped when given.
std::vector<DocumentFrame> LoadProjectFrames(const ProjectFrames& listed,
                                             std::vector<SkippedPicture>* skipped = nullptr);

// What a project written to projectPath records of the document.
ProjectContent ProjectContentOf(const Document& document, const wxString& projectPath);
