// Writing an animation in the format the job names: GIF, animated WebP or
// APNG, each through a temporary file that takes the target's place only once
// every frame is in it.
#pragma once

#include "gif/export.h"

#include <wx/string.h>

// Writes the animation as job.format says, with WriteGifAnimation's contract:
// unless the result is Written, the target is left as it was and no
// temporary file remains.
GifExportStatus WriteAnimation(const GifExportJob& job, const ExportFrameSource& source,
                               const ExportFrameWritten& written);

// The format a file name asks for by its extension, in any letter case:
// ".webp" is WebP, ".png" and ".apng" are APNG, anything else is GIF.
AnimationFormat AnimationFormatOfPath(const wxString& path);

// The extension offered for the format, without the dot. APNG gets "png",
// which browsers and viewers open as they open any PNG.
wxString AnimationExtension(AnimationFormat format);

// The path as it is when it ends with one of the format's extensions in
// lower case, as the file dialog offers them, else with the format's
// extension appended ("x.GIF" becomes "x.GIF.gif", as Save always did).
wxString EnsureAnimationExtension(const wxString& path, AnimationFormat format);
// The format a name typed in Save As asks for: the one whose extension it
// ends with in lower case, else the type chosen in the dialog.
AnimationFormat FormatForTypedName(const wxString& typed, AnimationFormat chosen);
