// Frame reference paths: a GIF file's path, "_" and a frame index, naming one
// frame of an animated GIF in frame items and project files; and a video's
// path with "#t=SECONDS&size=WxH", naming the picture it shows at that time at
// that size.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <optional>

// The path that names frame `index` of the GIF at gifPath.
wxString MakeFramePath(const wxString& gifPath, int index);

// Whether the path names a GIF file: it ends with ".gif" in any letter case.
bool HasGifExtension(const wxString& path);

// The frame index of a frame reference path, or -1 for any other path. A path
// is a frame reference exactly when it ends with ".gif_" (in any letter case,
// as ANIM.GIF's frames are referenced too) and decimal digits.
int FrameIndexFromPath(const wxString& path);

// The file of a frame reference path: the GIF's path (everything before the
// last "_") or the video's path (before "#t="), or the path unchanged for any
// other path.
wxString StripFrameSuffix(const wxString& path);

// "/v/clip.mp4#t=1.240&size=640x360": the time in seconds with exactly three
// decimals, so that the millisecond comes back as it was.
wxString MakeVideoFramePath(const wxString& videoPath, long long timeMs, const wxSize& size);

struct VideoFrameRef {
    wxString path;  // the video file
    long long timeMs = 0;
    wxSize size;
};

// How the strip and the preview name a frame: its file's name, and for a
// video's frame the time ("clip.mp4 1.240 s"), not its whole reference.
wxString ShownFrameName(const wxString& path);

// The video frame a path names: exactly the suffix MakeVideoFramePath writes
// (sides 1 to 65535) after a non-empty path; nothing for any other path.
std::optional<VideoFrameRef> VideoFrameFromPath(const wxString& path);
