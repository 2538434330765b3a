// The animation being edited, without any window: its frames in order, each
// with its picture and delay, the canvas, the files it belongs to and how it
// loops. The window shows it and edits it through commands (commands.h).
#pragma once

#include "framestore/framestore.h"
#include "gif/export.h"

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <memory>
#include <vector>

// A frame's picture is a handle to its compressed copy in the frame store
// (FramePicture), shared by the document, the undo history and the views;
// never changed once made, so sharing needs no copy.

struct DocumentFrame {
    FramePicture picture;
    wxString path;        // the picture's file, or "anim.gif_3" for a GIF's frame
    int delay = 0;        // hundredths of a second before the next frame
    FrameTurn turn;       // how the picture is turned when drawn
    CaptionList captions; // written over the frame, in order
    wxSize Size() const;  // the picture's size; 0 by 0 without one
};

// What a GIF export may give up to stay under a size limit.
enum class SizeLever {
    Lossy,      // a higher lossy level
    Colours,    // fewer colours per palette
    Scale,      // a smaller canvas
    FrameRate,  // fewer frames, their time given to the ones kept
};
std::vector<SizeLever> DefaultSizeLevers();

// How the GIF is written, beyond its frames: the quantiser's quality, whether
// frames store only what changed, whether transparent pixels stay transparent;
// the colours, dithering and lossy coding; an optional size limit with the
// levers it may pull, in order; and the quality of the lossy frames when it
// is written as WebP.
struct GifSettings {
    GifQuality quality = GifQuality::Standard;
    bool optimise = true;
    bool transparent = false;
    int webpQuality = kDefaultWebpQuality;
    int colours = kMaxGifColours;
    GifDither dither = GifDither::Diffuse;
    int ditherStrength = kDefaultDitherStrength;
    int lossy = 0;
    long long maxBytes = 0;  // 0: no limit
    std::vector<SizeLever> levers = DefaultSizeLevers();

    bool operator==(const GifSettings& o) const {
        return quality == o.quality && optimise == o.optimise && transparent == o.transparent &&
               webpQuality == o.webpQuality && colours == o.colours && dither == o.dither &&
               ditherStrength == o.ditherStrength && lossy == o.lossy && maxBytes == o.maxBytes &&
               levers == o.levers;
    }
    bool operator!=(const GifSettings& o) const { return !(*this == o); }
};

// Browsers play a delay of 0 or 1 hundredth as 10: the document keeps what it
// was given, and the preview and the strip show what a viewer will play.
inline int PlayedDelay(int delay) { return delay <= 1 ? 10 : delay; }

// Told of every change, after it happened, so that views follow the document.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    virtual void FramesInserted(size_t at, size_t count) = 0;
    virtual void FramesRemoved(size_t at, size_t count) = 0;
    // Frames [first, last] now hold other frames of the document (a reorder).
    virtual void FramesRearranged(size_t first, size_t last) = 0;
    virtual void DelaysChanged() = 0;
    virtual void CanvasChanged() = 0;
    // Frames [first, last] are drawn differently now (a crop, a turn).
    virtual void FramesRedrawn(size_t first, size_t last) = 0;
    virtual void SettingsChanged() = 0;  // the default delay, the loop count, the GIF settings
};

class Document {
public:
    size_t FrameCount() const { return m_frames.size(); }
    bool IsEmpty() const { return m_frames.empty(); }
    const DocumentFrame& Frame(size_t index) const { return m_frames[index]; }
    const std::vector<DocumentFrame>& Frames() const { return m_frames; }
    // Hundredths of a second from the start of the animation to each frame,
    // as a viewer plays it (PlayedDelay).
    std::vector<long long> StartTimes() const;

    // Frame list edits: the canvas follows the frames (the reference size of
    // the new list, canvas equal to it).
    void InsertFrames(size_t at, std::vector<DocumentFrame> frames);
    // Removes count frames from at and gives them back.
    std::vector<DocumentFrame> RemoveFrames(size_t at, size_t count);
    // Puts frames [first, first + frames.size()) in place of the ones there,
    // which it gives back; the canvas stays.
    std::vector<DocumentFrame> ReplaceFrames(size_t first, std::vector<DocumentFrame> frames);

    void SetDelay(size_t index, int delay);
    // delays[i] for the frame at indices[i]; one notification for all.
    void SetDelays(const std::vector<size_t>& indices, const std::vector<int>& delays);
    // The delay new frames take; the Delay field shows it.
    int DefaultDelay() const { return m_defaultDelay; }
    void SetDefaultDelay(int delay);

    wxSize CanvasSize() const { return m_canvas; }
    // The largest frame: the plane the pictures are centred on.
    wxSize ReferenceSize() const { return m_reference; }
    void SetCanvas(const wxSize& canvas, const wxSize& reference);
    // The size of the frames before the canvas scales them: the crop (or the
    // largest frame), its sides swapped when every frame is turned sideways.
    // The canvas follows it until its size is edited, keeping its aspect.
    wxSize DrawnSize() const;

    // The part of the plane every frame shows; empty: all of it. Kept as
    // given: frames that come and go change the plane, not the crop.
    const wxRect& Crop() const { return m_crop; }
    void SetCrop(const wxRect& crop);
    // turns[i] for the frame at indices[i]; one notification for all.
    void SetTurns(const std::vector<size_t>& indices, const std::vector<FrameTurn>& turns);
    // captions[i] for the frame at indices[i]; one notification for all.
    void SetCaptions(const std::vector<size_t>& indices, const std::vector<CaptionList>& captions);
    // Every caption some frame shows, once, in the order frames first show them.
    CaptionList AllCaptions() const;
    // How frame index is drawn on the canvas.
    FrameDrawing Drawing(size_t index) const;

    // 0 plays forever, N plays N times.
    int LoopCount() const { return m_loopCount; }
    void SetLoopCount(int count);

    const GifSettings& Settings() const { return m_settings; }
    void SetSettings(const GifSettings& settings);

    // The GIF last chosen for saving: its path, and the name as the user typed
    // it (the status bar shows that); empty when none.
    const wxString& GifPath() const { return m_gifPath; }
    const wxString& GifName() const { return m_gifName; }
    void SetGif(const wxString& path, const wxString& name);
    const wxString& ProjectPath() const { return m_projectPath; }
    void SetProjectPath(const wxString& path) { m_projectPath = path; }

    // Empties the frame list and resets the canvas, keeping the files and settings.
    void Clear();
    // A new document: no frames, no crop, the default settings, no GIF or
    // project file; the delay new frames take stays.
    void StartAnew();

    void SetObserver(DocumentObserver* observer) { m_observer = observer; }

private:
    void FollowFrames();
    // values[i] into the member of the frame at indices[i]; one redraw notice.
    template <typename Value>
    void SetEach(const std::vector<size_t>& indices, const std::vector<Value>& values, Value DocumentFrame::*member);

    std::vector<DocumentFrame> m_frames;
    int m_defaultDelay = 0;
    wxSize m_canvas{0, 0};
    wxSize m_reference{0, 0};
    wxRect m_crop;
    int m_loopCount = 0;
    GifSettings m_settings;
    wxString m_gifPath;
    wxString m_gifName;
    wxString m_projectPath;
    DocumentObserver* m_observer = nullptr;
};
