// Reads the frames of a GIF file as a viewer shows them: each frame drawn on
// the GIF's logical screen over what the frames before it left there. The
// toolkit's own GIF decoder crashes on some truncated or corrupt files, so
// every GIF the program reads goes through here.
#pragma once

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

class GifReader {
public:
    // A screen or frame larger than this is not read; the frames after this
    // many composed pixels in all are left out, so that a small file cannot
    // expand to more memory than the machine has.
    static constexpr long long kMaxFramePixels = 1LL << 26;
    static constexpr long long kMaxTotalPixels = 1LL << 29;

    // How the last load ended.
    enum class Outcome {
        Complete,    // every frame of the file was read
        NotGif,      // no GIF signature (or no file)
        Damaged,     // the frames before the damage were read
        OverBudget,  // the frames before the pixel budget ran out were read
        TooLarge,    // the frames before a screen or frame over kMaxFramePixels were read
    };

    explicit GifReader(long long maxTotalPixels = kMaxTotalPixels)
        : m_maxTotalPixels(maxTotalPixels) {}

    // Reads every frame that decodes completely, up to the budget given at
    // construction; true when it gave at least one frame.
    bool Load(const wxString& path);
    // The same with this budget of composed pixels, reading no more than
    // maxFrames frames.
    bool Load(const wxString& path, long long maxTotalPixels, int maxFrames = INT_MAX);
    // Receives each composed frame and its delay as soon as it is drawn;
    // returns false to stop reading.
    using FrameSink = std::function<bool(std::unique_ptr<wxImage> picture, int delay)>;
    // Reads like Load but keeps no frame: each goes to sink, so that a long
    // GIF never needs memory for all its frames at once.
    void Stream(const wxString& path, long long maxTotalPixels, const FrameSink& sink);
    // The file last loaded.
    const wxString& GetPath() const { return m_path; }
    Outcome GetOutcome() const { return m_outcome; }
    // The frames read, kept or streamed.
    int GetFrameCount() const { return m_frameCount; }
    wxSize GetScreenSize() const { return m_screen; }
    // After TooLarge: the size of the screen or frame that was too large.
    wxSize GetRefusedSize() const { return m_refusedSize; }
    // A kept frame's delay as the file gives it, in hundredths of a second: 0
    // when the frame has no graphic control extension, -1 for no such frame.
    int GetDelay(int frame) const;
    // The composed frame: a picture of the screen's size with an alpha
    // channel, transparent where no frame has drawn.
    bool ConvertToImage(int frame, wxImage* image) const;
    // The same as a new picture, or null when the frame cannot be converted.
    std::unique_ptr<wxImage> TakeFrame(int frame) const;

private:
    struct Frame {
        std::unique_ptr<wxImage> picture;
        int delay = 0;
    };
    void Read(const wxString& path, long long maxTotalPixels, int maxFrames, const FrameSink* sink);
    void LoadFrames(const wxString& path, long long maxTotalPixels, int maxFrames);
    const Frame* FindFrame(int frame) const;

    std::vector<Frame> m_frames;
    int m_frameCount = 0;
    const FrameSink* m_sink = nullptr;  // while streaming
    wxString m_path;
    wxSize m_screen;
    wxSize m_refusedSize;
    Outcome m_outcome = Outcome::NotGif;
    long long m_maxTotalPixels;
};
