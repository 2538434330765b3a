// Frame reference paths: a GIF file's path, "_" and a frame index, naming one
// frame of an animated GIF in frame items and project files.
#pragma once

#include <wx/string.h>

// The path that names frame `index` of the GIF at gifPath.
wxString MakeFramePath(const wxString& gifPath, int index);

// Whether the path names a GIF file: it ends with ".gif" in any letter case.
bool HasGifExtension(const wxString& path);

// The frame index of a frame reference path, or -1 for any other path. A path
// is a frame reference exactly when it ends with ".gif_" (in any letter case,
// as ANIM.GIF's frames are referenced too) and decimal digits.
int FrameIndexFromPath(const wxString& path);

// The GIF's path of a frame reference path (everything before the last "_"),
// or the path unchanged for any other path.
wxString StripFrameSuffix(const wxString& path);
