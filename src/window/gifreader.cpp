#include "window/gifreader.h"

#include <wx/ffile.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/palette.h>

#include <gif_lib.h>

#include <memory>
#include <new>

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

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

bool HasGifSignature(const wxString& path) {
    wxFFile file(path, "rb");
    char head[4] = {};
    return file.IsOpened() && file.Read(head, 4) == 4 && std::string(head, 4) == "GIF8";
}

}  // namespace

bool GifReader::Load(const wxString& path) {
    m_frames.clear();
    m_path = path;
    try {
        LoadFrames(path);
    } catch (const std::bad_alloc&) {
        // Out of memory: keep the frames that fitted.
    }
    return !m_frames.empty();
}

void GifReader::LoadFrames(const wxString& path) {
    long long totalPixels = 0;
    int error = 0;
    GifHandle gif(DGifOpenFileName(path.fn_str(), &error));
    if (!gif) return;
    int transparent = -1;  // from the graphic control extension before an image
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) break;
            GraphicsControlBlock gcb{};
            if (code == GRAPHICS_EXT_FUNC_CODE && block &&
                DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK &&
                gcb.TransparentColor >= 0 && gcb.TransparentColor < 256)
                transparent = gcb.TransparentColor;
            if (!SkipExtensionData(gif.get(), block)) break;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) break;
            const GifImageDesc& desc = gif->Image;
            const long long pixels = static_cast<long long>(desc.Width) * desc.Height;
            if (desc.Width <= 0 || desc.Height <= 0 || pixels > kMaxFramePixels ||
                totalPixels + pixels > m_maxTotalPixels)
                break;
            totalPixels += pixels;
            Frame frame;
            frame.width = desc.Width;
            frame.height = desc.Height;
            if (!ReadRows(gif.get(), desc.Width, desc.Height, desc.Interlace, frame.indices)) break;
            const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
            if (map) {
                frame.colours = std::min(map->ColorCount, 256);
                for (int i = 0; i < frame.colours; ++i) {
                    frame.palette[3 * i] = map->Colors[i].Red;
                    frame.palette[3 * i + 1] = map->Colors[i].Green;
                    frame.palette[3 * i + 2] = map->Colors[i].Blue;
                }
            }
            frame.transparent = transparent;
            transparent = -1;
            m_frames.push_back(std::move(frame));
        } else {
            break;  // the trailer, or something that is no GIF record
        }
    }
}

bool GifReader::ConvertToImage(int index, wxImage* image) const {
    if (index < 0 || index >= GetFrameCount() || !image) return false;
    const Frame& frame = m_frames[static_cast<size_t>(index)];
    std::array<uint8_t, 256 * 3> palette = frame.palette;
    if (!image->Create(frame.width, frame.height, false)) return false;
    if (frame.transparent >= 0) {
        // Magenta marks the transparent pixels; a real magenta moves aside.
        for (int i = 0; i < 256; ++i)
            if (palette[3 * i] == 255 && palette[3 * i + 1] == 0 && palette[3 * i + 2] == 255)
                palette[3 * i + 2] = 254;
        palette[3 * frame.transparent] = 255;
        palette[3 * frame.transparent + 1] = 0;
        palette[3 * frame.transparent + 2] = 255;
        image->SetMaskColour(255, 0, 255);
    } else {
        image->SetMask(false);
    }
    if (frame.colours > 0) {
        unsigned char r[256], g[256], b[256];
        for (int i = 0; i < 256; ++i) {
            r[i] = palette[3 * i];
            g[i] = palette[3 * i + 1];
            b[i] = palette[3 * i + 2];
        }
        image->SetPalette(wxPalette(frame.colours, r, g, b));
    }
    unsigned char* out = image->GetData();
    for (uint8_t index8 : frame.indices) {
        const uint8_t* rgb = &palette[3 * index8];
        *out++ = rgb[0];
        *out++ = rgb[1];
        *out++ = rgb[2];
    }
    image->SetType(wxBITMAP_TYPE_GIF);
    return true;
}

std::unique_ptr<wxImage> GifReader::TakeFrame(int frame) const {
    auto image = std::make_unique<wxImage>();
    if (!ConvertToImage(frame, image.get()) || !image->IsOk()) return nullptr;
    return image;
}

std::unique_ptr<wxImage> LoadPicture(const wxString& path) {
    auto image = std::make_unique<wxImage>();
    if (!LoadPictureFile(path, image.get())) return nullptr;
    return image;
}

bool LoadPictureFile(const wxString& path, wxImage* image) {
    wxLogNull quiet;
    if (HasGifSignature(path)) {
        GifReader reader;
        return reader.Load(path) && reader.ConvertToImage(0, image) && image->IsOk();
    }
    return image->LoadFile(path, wxBITMAP_TYPE_ANY, -1) && image->IsOk();
}
