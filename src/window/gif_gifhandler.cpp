#include "window/gif_gifhandler.h"

#include "gif/colour_index.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/palette.h>
#include <wx/stream.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

struct OutputSlot {
    wxOutputStream* stream = nullptr;
    // Set once frame 0 wrote the header, so that no later frame ends up in a
    // file without one.
    bool headerWritten = false;
};

OutputSlot g_output;

constexpr int kMaxGifDimension = 0xFFFF;
constexpr int kLzwCodeSize = 8;

void WriteComment(GifByteWriter& out, const wxString& comment) {
    const wxCharBuffer text = comment.mb_str(wxConvLibc);
    const char* data = text.data();
    size_t left = text.length();
    out.Byte(0x21).Byte(0xFE);
    while (left > 0) {
        const size_t chunk = std::min<size_t>(left, 255);
        out.Byte(static_cast<unsigned>(chunk)).Bytes(data, chunk);
        data += chunk;
        left -= chunk;
    }
    out.Byte(0);
}

// Counts distinct colours like wxImage::CountColours(stopAfter): once more than
// stopAfter were seen, counting stops.
int CountColours(const wxImage& image, int stopAfter) {
    const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
    return static_cast<int>(DistinctColours(image.GetData(), pixels, stopAfter).size());
}

}  // namespace

void SetGifOutputStream(wxOutputStream* stream) {
    g_output.stream = stream;
    g_output.headerWritten = false;
}

wxOutputStream* GetGifOutputStream() { return g_output.stream; }

bool ExtractGifPalette(const wxImage& image, GifFramePalette& palette) {
    palette = GifFramePalette();
    if (!image.HasPalette()) return false;
    const wxPalette& source = image.GetPalette();
    int count = std::clamp(source.GetColoursCount(), 0, 256);
    for (int i = 0; i < count; ++i) {
        GifRgb& entry = palette.colours[i];
        if (!source.GetRGB(i, &entry.red, &entry.green, &entry.blue)) break;
    }
    if (image.HasMask()) {
        const GifRgb mask{image.GetMaskRed(), image.GetMaskGreen(), image.GetMaskBlue()};
        for (int i = 0; i < count && palette.maskIndex == -1; ++i) {
            const GifRgb& entry = palette.colours[i];
            if (entry.red == mask.red && entry.green == mask.green && entry.blue == mask.blue)
                palette.maskIndex = i;
        }
        if (palette.maskIndex == -1 && count < 256) {
            palette.colours[count] = mask;
            palette.maskIndex = count++;
        }
    }
    palette.count = count;
    return true;
}

MyGifHandler::~MyGifHandler() { ReleaseHashTable(); }

bool MyGifHandler::SaveAnimationFrame(const wxImage& image, MyGifHandler& handler,
                                      int delayMs, int frameCount, int frameIndex) {
    if (frameIndex < 0 || frameIndex >= frameCount) return false;
    const bool first = frameIndex == 0;
    if (!first && !g_output.headerWritten) return false;
    GifFramePalette palette;
    if (!ExtractGifPalette(image, palette)) return false;
    if (!handler.DoSaveFile(image, first, delayMs, palette)) return false;
    if (frameIndex + 1 == frameCount) {
        GifByteWriter out(*g_output.stream);
        return out.Byte(0x3B).Ok();
    }
    return true;
}

bool MyGifHandler::DoSaveFile(const wxImage& image, bool first, int delayMs,
                              const GifFramePalette& palette) {
    wxOutputStream* stream = g_output.stream;
    if (!stream || !image.IsOk()) return false;
    // 256 rather than 255: an image of 257 colours must fail here, not be
    // written with colours its table lacks.
    const int colours = CountColours(image, 256);
    if (colours == 0 || colours > 256) return false;

    const int width = image.GetWidth();
    const int height = image.GetHeight();
    const int evenWidth = width + width % 2;
    if (width > kMaxGifDimension || height > kMaxGifDimension ||
        static_cast<long long>(evenWidth) * height > INT_MAX)
        return false;

    GifByteWriter out(*stream);
    if (first) {
        WriteGifHeader(out, width, height, palette);
        WriteGifLoopExtension(out, 0);
        if (!out.Ok()) return false;
        g_output.headerWritten = true;
    }
    const wxString comment = image.GetOption(wxIMAGE_OPTION_GIF_COMMENT);
    if (!comment.empty()) WriteComment(out, comment);
    WriteGifGraphicControl(out, palette.maskIndex, delayMs / 10, GifDisposal::Unspecified);
    // Frame 0 uses the global table.
    WriteGifImageDescriptor(out, GifRect{0, 0, width, height}, first ? nullptr : &palette);
    if (!out.Ok()) return false;
    return WriteImageData(*stream, image, palette);
}

bool MyGifHandler::WriteImageData(wxOutputStream& stream, const wxImage& image,
                                  const GifFramePalette& palette) {
    if (!InitHashTable()) {
        wxLogError(_("Couldn't initialize GIF hash table."));
        return false;
    }
    // Frees the table on every way out of the compression.
    struct Release {
        MyGifHandler& handler;
        ~Release() { handler.ReleaseHashTable(); }
    } release{*this};

    const int width = image.GetWidth();
    const int height = image.GetHeight();
    const int evenWidth = width + width % 2;
    std::vector<wxUint8> row(width);
    if (!SetupCompress(&stream, kLzwCodeSize)) return false;

    ColourIndexMap lookup;
    for (int i = 0; i < palette.count; ++i) {
        const GifRgb& c = palette.colours[i];
        lookup.Insert(PackRgb(c.red, c.green, c.blue), i);
    }

    const unsigned char* src = image.GetData();
    std::uint32_t lastColour = 0;
    int lastIndex = lookup.Find(0);
    bool reported = false;
    // CompressLine ends the code stream when the counter is 0 after a row;
    // it steps by the even width while rows hold width indices.
    m_pixelCount = height * evenWidth;
    for (int y = 0; y < height; ++y) {
        m_pixelCount -= evenWidth;
        for (int x = 0; x < width; ++x, src += 3) {
            const std::uint32_t colour = PackRgb(src[0], src[1], src[2]);
            if (colour != lastColour) {
                lastColour = colour;
                lastIndex = lookup.Find(colour);
            }
            int index = lastIndex;
            if (index == wxNOT_FOUND) {
                // Only a frame whose palette lacks some of its colours gets
                // here; say so once and go on with the last entry.
                if (!reported) wxASSERT(index != wxNOT_FOUND);
                reported = true;
                index = 255;
            }
            row[x] = static_cast<wxUint8>(index);
        }
        if (!CompressLine(&stream, row.data(), width)) return false;
    }
    return true;
}

void MyGifHandler::ReleaseHashTable() {
    if (!m_hashTable) return;
    // The table's type is private to the toolkit, so only the toolkit can
    // delete it. Its single-image save reuses the table we hold and deletes
    // it when done: save a one-pixel image into a stream that only counts.
    unsigned char black = 0;
    wxImage pixel(1, 1, true);
    pixel.SetPalette(wxPalette(1, &black, &black, &black));
    wxCountingOutputStream sink;
    wxGIFHandler::SaveFile(&pixel, sink, false);
    wxASSERT_MSG(!m_hashTable, "the toolkit kept the GIF hash table");
}
