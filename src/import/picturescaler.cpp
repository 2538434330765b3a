#include "videoframes.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <new>

namespace {

// Room past the last row for a block of pixels that libswscale writes beyond
// a row's end (at most a few dozen bytes; the width of its widest registers).
constexpr size_t kRowSpare = 256;

// Shrinking averages what each pixel covers; otherwise bicubic, as players draw.
int FilterFor(const ScalerSource& source, const wxSize& size) {
    return size.x < source.width || size.y < source.height ? SWS_AREA : SWS_BICUBIC;
}

// A planar YUV format libswscale also writes; not RGB, not a palette.
bool ResizesInItsOwnFormat(AVPixelFormat format) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    return descriptor && !(descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) &&
           (descriptor->flags & AV_PIX_FMT_FLAG_PLANAR) && sws_isSupportedOutput(format);
}

}  // namespace

void PictureScaler::FreeContext::operator()(SwsContext* context) const { sws_freeContext(context); }
void PictureScaler::FreePlanes::operator()(uint8_t* planes) const { av_free(planes); }

PictureScaler::PictureScaler() = default;
PictureScaler::~PictureScaler() = default;

std::unique_ptr<wxImage> PictureScaler::Scale(const ScalerSource& source, const wxSize& size) {
    ScalerSource resized = source;
    if (size != wxSize(source.width, source.height) && ResizesInItsOwnFormat(source.format) &&
        !Resize(source, size, resized))
        return nullptr;
    return Convert(resized, size);
}

bool PictureScaler::Resize(const ScalerSource& source, const wxSize& size, ScalerSource& resized) {
    m_resize.reset(sws_getCachedContext(m_resize.release(), source.width, source.height, source.format, size.x,
                                        size.y, source.format, FilterFor(source, size), nullptr, nullptr, nullptr));
    if (!m_resize) return false;
    if (!m_memory || m_planesSize != size || m_planesFormat != source.format) {
        m_memory.reset();
        if (av_image_alloc(m_planes, m_strides, size.x, size.y, source.format, 64) < 0) throw std::bad_alloc();
        m_memory.reset(m_planes[0]);
        m_planesSize = size;
        m_planesFormat = source.format;
    }
    sws_scale(m_resize.get(), source.planes, source.strides, 0, source.height, m_planes, m_strides);
    resized.planes = m_planes;
    resized.strides = m_strides;
    resized.width = size.x;
    resized.height = size.y;
    return true;
}

std::unique_ptr<wxImage> PictureScaler::Convert(const ScalerSource& source, const wxSize& size) {
    const AVPixelFormat target = source.alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
    m_convert.reset(sws_getCachedContext(m_convert.release(), source.width, source.height, source.format, size.x,
                                         size.y, target, FilterFor(source, size), nullptr, nullptr, nullptr));
    if (!m_convert) return nullptr;
    UseColours(source);
    // libswscale's SIMD code writes whole blocks of pixels, past the end of a
    // row whose width is no multiple of them: into the next row, which it
    // writes afterwards, and past the last one, where room is left.
    const int bytes = source.alpha ? 4 : 3;
    const size_t used = static_cast<size_t>(bytes) * size.x * size.y;
    const size_t room = used + static_cast<size_t>(bytes) * size.x + kRowSpare;
    uint8_t* const rows = source.alpha ? Rows(room) : static_cast<uint8_t*>(std::malloc(room));
    if (!rows) throw std::bad_alloc();
    // The toolkit frees the pixels it is given with free().
    auto picture = source.alpha ? std::make_unique<wxImage>(size.x, size.y, false)
                                : std::make_unique<wxImage>(size.x, size.y, rows, false);
    if (!picture->IsOk()) throw std::bad_alloc();
    uint8_t* const planes[4] = {rows, nullptr, nullptr, nullptr};
    const int strides[4] = {bytes * size.x, 0, 0, 0};
    sws_scale(m_convert.get(), source.planes, source.strides, 0, source.height, planes, strides);
    if (source.alpha) SplitRgba(rows, strides[0], *picture);
    return picture;
}

uint8_t* PictureScaler::Rows(size_t bytes) {
    if (m_rows.size() < bytes) m_rows.resize(bytes);
    return m_rows.data();
}

// The video's own YUV matrix and range: libswscale would take BT.601 and
// studio range for every video.
void PictureScaler::UseColours(const ScalerSource& source) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(source.format);
    if (!descriptor || (descriptor->flags & AV_PIX_FMT_FLAG_RGB)) return;
    int *inverse = nullptr, *table = nullptr;
    int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(m_convert.get(), &inverse, &sourceRange, &table, &targetRange, &brightness,
                                 &contrast, &saturation) < 0)
        return;
    // Unspecified: what libswscale made of the format (full for the yuvj ones).
    const int full = source.range == AVCOL_RANGE_UNSPECIFIED ? sourceRange : source.range == AVCOL_RANGE_JPEG;
    sws_setColorspaceDetails(m_convert.get(), sws_getCoefficients(source.colours), full, table, targetRange,
                             brightness, contrast, saturation);
}

void SplitRgba(const uint8_t* rgba, int stride, wxImage& picture) {
    const int width = picture.GetWidth(), height = picture.GetHeight();
    picture.SetAlpha();
    unsigned char* rgb = picture.GetData();
    unsigned char* alpha = picture.GetAlpha();
    uint8_t opaque = 255;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixel = rgba + static_cast<size_t>(stride) * y;
        for (int x = 0; x < width; ++x, pixel += 4) {
            *rgb++ = pixel[0], *rgb++ = pixel[1], *rgb++ = pixel[2];
            opaque &= *alpha++ = pixel[3];
        }
    }
    // Files that may have transparency often have none: no alpha to carry.
    if (opaque == 255) picture.ClearAlpha();
}
