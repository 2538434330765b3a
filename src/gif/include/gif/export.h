// Writing a whole animation to a GIF file: frames are rendered and reduced on
// the machine's cores and written in order to a temporary file beside the
// target, which takes the target's place only once every frame is in it.
// Works on wxImage only, so that it can run on a worker thread.
#pragma once

#include "gif/render.h"

#include <wx/image.h>
#include <wx/stream.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The path with ".gif" appended, unless it already ends with ".gif"
// (case-sensitive: "x.GIF" becomes "x.GIF.gif").
wxString EnsureGifExtension(const wxString& path);

// The percentage done once frame index (counted from 0) of frameCount is written.
int ExportProgress(int index, int frameCount);

enum class GifExportStatus {
    Written,         // the file holds every frame
    NothingToWrite,  // no frames: no file was touched
    NotAFile,        // the target is a device, a pipe or a socket: nothing was written
    IsAFolder,       // the target is a folder: nothing was written
    LinkLoop,        // the target is a loop of symbolic links: nothing was written
    CannotCreate,    // no file could be created beside the target
    BadFrame,        // a frame could not be rendered or reduced to a palette
    CannotWrite,     // writing failed (a full disk, an I/O error)
    CannotReplace,   // the finished file could not take the target's place
    Stopped,         // the caller stopped it
    TooLarge,        // no GIF of the frames fits under the size limit: nothing was written
};

// How hard the quantiser works on frames of more than 256 colours; frames of
// fewer colours are always kept exactly.
enum class GifQuality {
    Fast,      // a quicker palette choice, lighter dithering
    Standard,  // the balance measured on photo-like frames (bench/)
    Best,      // the slowest palette choice from every pixel
};

// How the colours a palette lacks are imitated on frames of more colours
// than their palette holds.
enum class GifDither {
    None,     // each pixel takes its nearest colour: flat areas band
    Ordered,  // a fixed pattern tied to the canvas: compresses well and stays put between frames
    Diffuse,  // each pixel's error is spread to its neighbours, by the strength
};
constexpr int kDefaultDitherStrength = 50;  // percent of the error passed on
// The strength a project without one meant: its quality's (Fast dithered lighter).
int DefaultDitherStrength(GifQuality quality);
constexpr int kMinGifColours = 2;
constexpr int kMaxGifColours = 256;
constexpr int kMaxLossy = 100;

// The kinds of file an animation is written as.
enum class AnimationFormat { Gif, WebP, Apng };
// WebP: lossless for frames of at most 256 colours, this quality for the others.
constexpr int kDefaultWebpQuality = 80;

struct GifExportJob {
    wxString path;             // the file to write
    AnimationFormat format = AnimationFormat::Gif;
    // WebP only: frames of at most 256 colours are stored lossless, the
    // others lossy at this quality (0..99); 100: every frame lossless.
    int webpQuality = kDefaultWebpQuality;
    int frameCount = 0;
    int canvasWidth = 0;
    int canvasHeight = 0;
    // Hundredths of a second per frame; a frame past the end of the list
    // takes the last delay given (0 when the list is empty).
    std::vector<int> delays;
    // How the pictures are drawn on the canvas (FrameDrawing): the plane they
    // are centred on (empty: the canvas), the crop of it, and each frame's
    // turn (a frame past the end of the list is not turned).
    wxSize plane;
    wxRect crop;
    std::vector<FrameTurn> turns;
    std::vector<CaptionList> captions;  // each frame's, like the turns
    int loopCount = 0;         // 0: forever; N: the animation plays N times
    bool transparent = false;  // transparent pixels stay transparent (else black)
    bool optimise = true;      // frames after the first store only what changed
    GifQuality quality = GifQuality::Standard;
    int colours = kMaxGifColours;  // at most this many in any colour table, 2..256
    GifDither dither = GifDither::Diffuse;
    int ditherStrength = kDefaultDitherStrength;  // percent, Diffuse only
    // 0: every frame's indices are coded exactly; up to 100: runs may take
    // pixels whose colour lies ever farther from their own (smaller files).
    int lossy = 0;
    int parallelism = 1;       // frames rendered and reduced at the same time
};

// One frame drawn for an export, on the canvas (with holes when transparent),
// and whether its colours fit in a table, so that it can be kept exactly.
// Every image involved belongs to the thread that runs this: the toolkit's
// images share their pixel data with an unguarded reference count. A canvas
// too large for the memory gives an invalid frame.
struct RenderedForExport {
    RenderedFrame frame;
    bool exact = false;  // at most exactLimit colours
    std::vector<std::uint32_t> colours;  // exact frames' colours, packed RGB, in order of appearance
};
// exactLimit: the most colours a frame may have to count as exact.
RenderedForExport RenderForExport(std::unique_ptr<wxImage> picture, const FrameDrawing& drawing,
                                  bool transparent, int exactLimit = kMaxGifColours);

// Frame index's delay in hundredths, as the job's delay list says.
int GifFrameDelay(const GifExportJob& job, int index);
// How frame index is drawn on the job's canvas.
FrameDrawing GifFrameDrawing(const GifExportJob& job, int index);

// Gives frame index's full-size picture, which the export then owns; asked
// from the thread that runs the export, in order, after a look at up to 16
// frames spread over the animation (in order too) for the colours they share.
// Null stops it.
using ExportFrameSource = std::function<std::unique_ptr<wxImage>(int index)>;
// Called once frame index is in the file, for every frame but the last (whose
// end is the export's result); false stops the export.
using ExportFrameWritten = std::function<bool(int index)>;

// Writes the animation. Unless the result is Written, the
// target is left as it was and no temporary file remains.
GifExportStatus WriteGifAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                  const ExportFrameWritten& written);

// The GIF's bytes into a stream instead of a file (to measure it, or to keep
// it in memory); written(index) may read how far the stream has got.
GifExportStatus WriteGifToStream(const GifExportJob& job, const ExportFrameSource& source,
                                 const ExportFrameWritten& written, wxOutputStream& stream);

// Frames rendered at once when the machine's cores are used: one per core.
int DefaultExportParallelism();

// What the user is told when an export of path ended with status (not Written).
wxString GifExportFailureText(GifExportStatus status, const wxString& path);
// The same when frame index (from 0) could not be read back from the frame store.
wxString UnreadableFrameText(const wxString& path, int index);
