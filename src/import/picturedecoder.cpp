#include "import/picturedecoder.h"

#include "import/framepath.h"
#include "import/pictureformat.h"

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <climits>
#include <new>
#include <optional>

namespace {

wxBitmapType BitmapTypeOf(PictureFormat format) {
    switch (format) {
        case PictureFormat::Png: return wxBITMAP_TYPE_PNG;
        case PictureFormat::Jpeg: return wxBITMAP_TYPE_JPEG;
        case PictureFormat::Bmp: return wxBITMAP_TYPE_BMP;
        default: return wxBITMAP_TYPE_INVALID;
    }
}

std::string FileBytes(const wxString& path) {
    wxFFile file(path, "rb");
    std::string bytes;
    const wxFileOffset length = file.IsOpened() ? file.Length() : 0;
    if (length <= 0) return bytes;
    bytes.resize(static_cast<size_t>(length));
    bytes.resize(file.Read(&bytes[0], bytes.size()));
    return bytes;
}

}  // namespace

void PictureDecoder::Decode(const wxString& listed, const Receiver& receive) {
    wxLogNull quiet;
    if (m_exhausted) return Skip(listed, SkipReason::OverBudget);
    const int frameIndex = FrameIndexFromPath(listed);
    const wxString path = StripFrameSuffix(listed);
    if (!wxFileName::Exists(path)) return Skip(listed, SkipReason::NotFound);
    // A folder, a pipe or a device holds no picture (and a pipe could block).
    if (!wxFileName::FileExists(path)) return Skip(listed, SkipReason::NotAPicture);
    try {
        const PictureFormat format = PictureFormatOfFile(path);
        if (format == PictureFormat::Gif)
            DecodeGif(listed, path, frameIndex, receive);
        else if (format == PictureFormat::None)
            Skip(listed, SkipReason::NotAPicture);
        else if (frameIndex > 0)
            Skip(listed, SkipReason::NotFound);  // a single picture has no frame 1
        else
            DecodePicture(listed, path, format, receive);
    } catch (const std::bad_alloc&) {
        m_exhausted = true;
        Skip(listed, SkipReason::OverBudget);
    }
}

void PictureDecoder::DecodeGif(const wxString& listed, const wxString& path, int frameIndex,
                               const Receiver& receive) {
    if (frameIndex >= 0)
        DecodeGifFrame(listed, path, frameIndex, INT_MAX, receive);
    else if (HasGifExtension(path))
        DecodeWholeGif(listed, path, receive);
    else
        DecodeGifFrame(listed, path, 0, 1, receive);  // named as one picture, taken as one
}

void PictureDecoder::DecodeWholeGif(const wxString& listed, const wxString& path,
                                    const Receiver& receive) {
    // Each frame goes on as soon as the next one is drawn: the last one waits
    // until the file's reason to be named is known, and no more than two
    // frames are held here at once.
    m_gifCached = false;
    std::optional<DecodedPicture> held;
    bool going = true;
    auto deliver = [&](DecodedPicture&& decoded) {
        if (!Charge(PixelCount(*decoded.picture))) {
            if (m_skipped.empty() || m_skipped.back().path != listed)
                Skip(listed, SkipReason::OverBudget);
            return going = false;
        }
        return going = receive(std::move(decoded));
    };
    m_gif.Stream(path, m_remaining, [&](std::unique_ptr<wxImage> picture, int delay) {
        if (held && !deliver(std::move(*held))) return false;
        const int index = m_gif.GetFrameCount() - 1;
        held = DecodedPicture{std::move(picture), path, index, delay, false};
        return true;
    });
    if (!going) return;
    switch (m_gif.GetOutcome()) {
        case GifReader::Outcome::NotGif: return Skip(listed, SkipReason::NotAPicture);
        case GifReader::Outcome::OverBudget:
            m_exhausted = true;
            Skip(listed, SkipReason::OverBudget);
            break;
        case GifReader::Outcome::TooLarge:
            // Named also when frames before it were read: none is left out unsaid.
            Skip(listed, SkipReason::TooLarge, m_gif.GetRefusedSize());
            break;
        case GifReader::Outcome::Damaged:
            // A damaged file gives the frames before the damage, and is named.
            if (!held) return Skip(listed, SkipReason::Damaged);
            // Named before its last frame goes, which may be the import's last word.
            held->lastOfPath = true;
            Skip(listed, SkipReason::PartlyRead);
            if (!deliver(std::move(*held))) Unskip(listed, SkipReason::PartlyRead);
            return;
        default:
            break;
    }
    if (!held) return;
    held->lastOfPath = true;
    deliver(std::move(*held));
}

void PictureDecoder::DecodeGifFrame(const wxString& listed, const wxString& path, int frameIndex,
                                    int maxFrames, const Receiver& receive) {
    LoadGif(path, maxFrames);
    if (frameIndex >= m_gif.GetFrameCount()) {
        switch (m_gif.GetOutcome()) {
            case GifReader::Outcome::NotGif: return Skip(listed, SkipReason::NotAPicture);
            case GifReader::Outcome::Damaged: return Skip(listed, SkipReason::Damaged);
            case GifReader::Outcome::OverBudget: m_exhausted = true; return Skip(listed, SkipReason::OverBudget);
            case GifReader::Outcome::TooLarge: return Skip(listed, SkipReason::TooLarge, m_gif.GetRefusedSize());
            case GifReader::Outcome::Complete: return Skip(listed, SkipReason::NotFound);  // no such frame
        }
    }
    DecodedPicture decoded{m_gif.TakeFrame(frameIndex), path, frameIndex, m_gif.GetDelay(frameIndex), true};
    if (!decoded.picture || !Charge(PixelCount(*decoded.picture))) {
        m_exhausted = true;
        return Skip(listed, SkipReason::OverBudget);
    }
    receive(std::move(decoded));
}

void PictureDecoder::DecodePicture(const wxString& listed, const wxString& path,
                                   PictureFormat format, const Receiver& receive) {
    // The header's size is charged before decoding, so that a small file that
    // claims a huge picture never gets the memory for it.
    const std::optional<wxSize> size = PictureSizeOfFile(path, format);
    if (!size) return Skip(listed, SkipReason::Damaged);
    const long long pixels = static_cast<long long>(size->x) * size->y;
    if (pixels > GifReader::kMaxFramePixels) return Skip(listed, SkipReason::TooLarge, *size);
    if (!Charge(pixels)) return Skip(listed, SkipReason::OverBudget);
    auto picture = std::make_unique<wxImage>();
    // A JPEG is read whole first: whether it ends early shows in its bytes only.
    const std::string bytes = format == PictureFormat::Jpeg ? FileBytes(path) : std::string();
    bool loaded;
    if (format == PictureFormat::Jpeg) {
        wxMemoryInputStream stream(bytes.data(), bytes.size());
        loaded = picture->LoadFile(stream, BitmapTypeOf(format)) && picture->IsOk();
    } else {
        loaded = picture->LoadFile(path, BitmapTypeOf(format)) && picture->IsOk();
    }
    m_remaining += pixels;  // charged again below at its real size
    if (!loaded) return Skip(listed, SkipReason::Damaged);
    if (!Charge(PixelCount(*picture))) return Skip(listed, SkipReason::OverBudget);
    const bool partly = format == PictureFormat::Jpeg && JpegEndsEarly(bytes);
    if (partly) Skip(listed, SkipReason::PartlyRead);
    if (!receive(DecodedPicture{std::move(picture), path, 0, -1, true}) && partly)
        Unskip(listed, SkipReason::PartlyRead);
}

void PictureDecoder::LoadGif(const wxString& path, int maxFrames) {
    if (m_gifCached && m_gif.GetPath() == path && m_gifFrameLimit >= maxFrames) return;
    m_gif.Load(path, m_remaining, maxFrames);
    m_gifCached = true;
    m_gifFrameLimit = maxFrames;
}

void PictureDecoder::Unskip(const wxString& listed, SkipReason reason) {
    if (!m_skipped.empty() && m_skipped.back().path == listed && m_skipped.back().reason == reason)
        m_skipped.pop_back();
}

void PictureDecoder::Release(const wxImage& picture) { Release(PixelCount(picture)); }

void PictureDecoder::Release(long long pixels) {
    if (!m_exhausted) m_remaining += pixels;
}

bool PictureDecoder::Charge(long long pixels) {
    if (pixels > m_remaining) {
        m_remaining = 0;
        m_exhausted = true;
        return false;
    }
    m_remaining -= pixels;
    return true;
}

void PictureDecoder::Skip(const wxString& listed, SkipReason reason, wxSize size) {
    m_skipped.push_back({listed, reason, size});
}
