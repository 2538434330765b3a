#include "gif/reader.h"

#include <wx/ffile.h>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// A colour table of 256 entries; entries the file does not define stay black.
using Palette = std::array<uint8_t, 256 * 3>;

Palette PaletteOf(const ColorMapObject* map) {
    Palette palette{};
    if (!map) return palette;
    const int colours = std::min(map->ColorCount, 256);
    for (int i = 0; i < colours; ++i) {
        palette[3 * i] = map->Colors[i].Red;
        palette[3 * i + 1] = map->Colors[i].Green;
        palette[3 * i + 2] = map->Colors[i].Blue;
    }
    return palette;
}

// Reads the rows of the current image in file order (interlaced or not).
bool ReadRows(GifFileType* gif, int width, int height, bool interlaced, std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(width) * height, 0);
    auto readRow = [&](int row) {
        return DGifGetLine(gif, out.data() + static_cast<size_t>(row) * width, width) == GIF_OK;
    };
    if (!interlaced) {
        for (int row = 0; row < height; ++row)
            if (!readRow(row)) return false;
        return true;
    }
    static const int start[] = {0, 4, 2, 1};
    static const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < height; row += step[pass])
            if (!readRow(row)) return false;
    return true;
}

bool SkipExtensionData(GifFileType* gif, GifByteType* block) {
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

// giflib looks at the first three bytes only; viewers want a whole signature.
bool HasGifSignature(const wxString& path) {
    wxFFile file(path, "rb");
    char head[6] = {};
    if (!file.IsOpened() || file.Read(head, 6) != 6) return false;
    return std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0;
}

// The logical screen in RGBA. Each frame is drawn over what the frames
// before it left, after the previous frame's disposal has been applied.
class Canvas {
public:
    void Create(int width, int height) {
        m_width = width;
        m_height = height;
        m_pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    }

    void Draw(const Rect& rect, const std::vector<uint8_t>& indices, const Palette& palette,
              int transparent, int disposal) {
        ApplyDisposal();
        m_last = Clip(rect);
        m_lastDisposal = disposal;
        if (disposal == DISPOSE_PREVIOUS) CopyRect(m_last, m_pixels, m_saved, true);
        if (m_last.width <= 0) return;  // wholly off the screen
        for (int y = m_last.top; y < m_last.top + m_last.height; ++y) {
            const uint8_t* src = indices.data() + static_cast<size_t>(y - rect.top) * rect.width +
                                 (m_last.left - rect.left);
            uint8_t* dst = Pixel(m_last.left, y);
            for (int x = 0; x < m_last.width; ++x, ++src, dst += 4) {
                if (*src == transparent) continue;
                std::memcpy(dst, &palette[3 * *src], 3);
                dst[3] = 255;
            }
        }
    }

    // The screen as it is now, or null when memory runs out.
    std::unique_ptr<wxImage> Snapshot() const {
        auto image = std::make_unique<wxImage>(m_width, m_height, false);
        const size_t count = static_cast<size_t>(m_width) * m_height;
        auto* alpha = static_cast<unsigned char*>(std::malloc(count));
        if (!image->IsOk() || !alpha) {
            std::free(alpha);
            return nullptr;
        }
        image->SetAlpha(alpha);  // the picture frees it
        unsigned char* rgb = image->GetData();
        const uint8_t* src = m_pixels.data();
        for (size_t i = 0; i < count; ++i, src += 4) {
            std::memcpy(rgb + 3 * i, src, 3);
            alpha[i] = src[3];
        }
        return image;
    }

private:
    uint8_t* Pixel(int x, int y) { return m_pixels.data() + (static_cast<size_t>(y) * m_width + x) * 4; }

    // The part of rect on the screen; what lies beyond it is not drawn.
    Rect Clip(const Rect& rect) const {
        Rect r;
        r.left = std::min(rect.left, m_width);
        r.top = std::min(rect.top, m_height);
        r.width = std::min(rect.left + rect.width, m_width) - r.left;
        r.height = std::min(rect.top + rect.height, m_height) - r.top;
        return r;
    }

    // Copies rect between the screen and a buffer of its own size.
    void CopyRect(const Rect& rect, std::vector<uint8_t>& screen, std::vector<uint8_t>& buffer,
                  bool toBuffer) {
        if (rect.width <= 0 || rect.height <= 0) return;
        const size_t rowBytes = static_cast<size_t>(rect.width) * 4;
        buffer.resize(rowBytes * rect.height);
        for (int y = 0; y < rect.height; ++y) {
            uint8_t* onScreen = screen.data() + (static_cast<size_t>(rect.top + y) * m_width + rect.left) * 4;
            uint8_t* inBuffer = buffer.data() + rowBytes * y;
            if (toBuffer)
                std::memcpy(inBuffer, onScreen, rowBytes);
            else
                std::memcpy(onScreen, inBuffer, rowBytes);
        }
    }

    // Restoring to the background leaves the area transparent, as browsers
    // do, rather than painting the background colour.
    void ApplyDisposal() {
        if (m_lastDisposal == DISPOSE_BACKGROUND) {
            for (int y = m_last.top; y < m_last.top + m_last.height; ++y)
                std::memset(Pixel(m_last.left, y), 0, static_cast<size_t>(m_last.width) * 4);
        } else if (m_lastDisposal == DISPOSE_PREVIOUS) {
            CopyRect(m_last, m_pixels, m_saved, false);
        }
        m_lastDisposal = DISPOSAL_UNSPECIFIED;
    }

    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_pixels;
    std::vector<uint8_t> m_saved;  // the last frame's area before it was drawn
    Rect m_last;
    int m_lastDisposal = DISPOSAL_UNSPECIFIED;
};

}  // namespace

bool GifReader::Load(const wxString& path) { return Load(path, m_maxTotalPixels); }

bool GifReader::Load(const wxString& path, long long maxTotalPixels, int maxFrames) {
    Read(path, maxTotalPixels, maxFrames, nullptr);
    return !m_frames.empty();
}

void GifReader::Stream(const wxString& path, long long maxTotalPixels, const FrameSink& sink) {
    Read(path, maxTotalPixels, INT_MAX, &sink);
}

void GifReader::Read(const wxString& path, long long maxTotalPixels, int maxFrames,
                     const FrameSink* sink) {
    m_frames.clear();
    m_frameCount = 0;
    m_path = path;
    m_screen = wxSize();
    m_refusedSize = wxSize();
    m_sink = sink;
    try {
        LoadFrames(path, maxTotalPixels, maxFrames);
    } catch (const std::bad_alloc&) {
        // Out of memory: keep the frames that fitted.
        m_outcome = Outcome::OverBudget;
    }
    m_sink = nullptr;
}

void GifReader::LoadFrames(const wxString& path, long long maxTotalPixels, int maxFrames) {
    m_outcome = Outcome::NotGif;
    if (!HasGifSignature(path)) return;
    m_outcome = Outcome::Damaged;
    int error = 0;
    GifHandle gif(DGifOpenFileName(path.fn_str(), &error));
    if (!gif) return;
    wxSize screen(gif->SWidth, gif->SHeight);
    Canvas canvas;
    long long totalPixels = 0;
    // From the graphic control extension before an image.
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return;
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return;
            GraphicsControlBlock gcb{};
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 &&
                DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                control = gcb;
            if (!SkipExtensionData(gif.get(), block)) return;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) return;
        if (m_frameCount >= maxFrames) break;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return;
        const GifImageDesc& desc = gif->Image;
        const Rect rect{desc.Left, desc.Top, desc.Width, desc.Height};
        if (rect.width <= 0 || rect.height <= 0) return;
        // A screen of no size takes the first frame's extent.
        if (m_frameCount == 0 && (screen.x <= 0 || screen.y <= 0))
            screen = wxSize(rect.left + rect.width, rect.top + rect.height);
        // Decoding a frame costs its own pixels when it reaches past the screen;
        // both are checked before the screen's memory is taken.
        const long long screenPixels = static_cast<long long>(screen.x) * screen.y;
        const long long framePixels = static_cast<long long>(rect.width) * rect.height;
        const long long pixels = std::max(framePixels, screenPixels);
        if (pixels > kMaxFramePixels) {
            m_refusedSize = screenPixels >= framePixels ? screen : wxSize(rect.width, rect.height);
            m_outcome = Outcome::TooLarge;
            return;
        }
        if (totalPixels + pixels > maxTotalPixels) {
            m_outcome = Outcome::OverBudget;
            return;
        }
        if (m_frameCount == 0) {
            canvas.Create(screen.x, screen.y);
            m_screen = screen;
        }
        // Streamed frames leave here one at a time: their receiver counts
        // what it keeps, so only the frame in hand counts against the budget.
        if (!m_sink) totalPixels += pixels;
        std::vector<uint8_t> indices;
        if (!ReadRows(gif.get(), rect.width, rect.height, desc.Interlace, indices)) return;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        const int transparent = control.TransparentColor >= 0 && control.TransparentColor < 256
                                    ? control.TransparentColor
                                    : -1;
        canvas.Draw(rect, indices, PaletteOf(map), transparent, control.DisposalMode);
        Frame frame{canvas.Snapshot(), control.DelayTime};
        if (!frame.picture) {
            m_outcome = Outcome::OverBudget;
            return;
        }
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        ++m_frameCount;
        if (!m_sink)
            m_frames.push_back(std::move(frame));
        else if (!(*m_sink)(std::move(frame.picture), frame.delay))
            return;
    }
    m_outcome = Outcome::Complete;
}

const GifReader::Frame* GifReader::FindFrame(int frame) const {
    if (frame < 0 || frame >= static_cast<int>(m_frames.size())) return nullptr;
    return &m_frames[static_cast<size_t>(frame)];
}

int GifReader::GetDelay(int frame) const {
    const Frame* found = FindFrame(frame);
    return found ? found->delay : -1;
}

bool GifReader::ConvertToImage(int frame, wxImage* image) const {
    const Frame* found = FindFrame(frame);
    if (!found || !found->picture || !image) return false;
    *image = found->picture->Copy();
    return image->IsOk();
}

std::unique_ptr<wxImage> GifReader::TakeFrame(int frame) const {
    auto image = std::make_unique<wxImage>();
    if (!ConvertToImage(frame, image.get())) return nullptr;
    return image;
}
