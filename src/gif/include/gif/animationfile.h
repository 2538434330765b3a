// What every animation writer (GIF, WebP, APNG) shares around its bytes: the refusals of a
// target that is no ordinary file, the temporary file that takes the target's
// place only once complete, and what each way of failing is called.
#pragma once

#include "gif/export.h"

#include <wx/stream.h>

#include <functional>

// Puts the animation's bytes into the stream, frame by frame; Written, or
// why the export ends.
using AnimationBytesWriter = std::function<GifExportStatus(wxOutputStream& out)>;

// Writes job.path through a temporary file: NothingToWrite for no frames,
// the target refused before anything is created, and the temporary taking
// the target's place only when write ends with Written.
GifExportStatus WriteAnimationFile(const GifExportJob& job, const AnimationBytesWriter& write);
