// Reads the frames of a GIF file. The toolkit's own GIF decoder crashes on some
// truncated or corrupt files, so every GIF the program reads goes through here.
#pragma once

#include <wx/string.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class wxImage;

class GifReader {
public:
    // A frame larger than this is taken for a broken file; the frames after
    // this many pixels in all are left out, so that a small file cannot
    // expand to more memory than the machine has.
    static constexpr long long kMaxFramePixels = 1LL << 26;
    static constexpr long long kMaxTotalPixels = 1LL << 29;

    explicit GifReader(long long maxTotalPixels = kMaxTotalPixels)
        : m_maxTotalPixels(maxTotalPixels) {}

    // Reads every frame that decodes completely; a broken file gives the
    // frames before the damage, a file that is no GIF gives none.
    bool Load(const wxString& path);
    // The file last loaded.
    const wxString& GetPath() const { return m_path; }
    int GetFrameCount() const { return static_cast<int>(m_frames.size()); }
    // The frame as an RGB picture of its own size, the transparent colour as a
    // magenta mask, its palette attached.
    bool ConvertToImage(int frame, wxImage* image) const;
    // The same as a new picture, or null when the frame cannot be converted.
    std::unique_ptr<wxImage> TakeFrame(int frame) const;

private:
    void LoadFrames(const wxString& path);

    struct Frame {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> indices;
        std::array<uint8_t, 256 * 3> palette{};  // unused entries stay black
        int colours = 0;
        int transparent = -1;
    };
    std::vector<Frame> m_frames;
    wxString m_path;
    long long m_maxTotalPixels;
};

// Loads any picture file the program accepts into image: its first frame for
// GIF content (whatever the file's name), else through the toolkit's handlers.
// Quiet: failures are reported only by the result.
bool LoadPictureFile(const wxString& path, wxImage* image);
// The same as a new picture, or null when the file gives none.
std::unique_ptr<wxImage> LoadPicture(const wxString& path);
