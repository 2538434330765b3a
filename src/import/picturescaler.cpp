#include "videoframes.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>

namespace {

// What libswscale's output rows want: aligned for its SIMD code, and room
// for a block of pixels past their end.
constexpr int kRowAlign = 64;
constexpr int kRowSpare = 64;

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
    auto picture = std::make_unique<wxImage>(size.x, size.y, false);
    if (!picture->IsOk()) throw std::bad_alloc();
    // libswscale's SIMD code writes whole blocks of pixels, past the end of a
    // row whose width is no multiple of them (and so past the last row): it
    // writes into aligned rows with room to spare, copied into the picture.
    const int bytes = source.alpha ? 4 : 3;
    const int stride = FFALIGN(bytes * size.x + kRowSpare, kRowAlign);
    const std::unique_ptr<uint8_t, FreePlanes> rows(
        static_cast<uint8_t*>(av_malloc(static_cast<size_t>(stride) * (size.y + 1))));
    if (!rows) throw std::bad_alloc();
    uint8_t* const planes[4] = {rows.get(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(m_convert.get(), source.planes, source.strides, 0, source.height, planes, strides);
    if (source.alpha) {
        SplitRgba(rows.get(), stride, *picture);
        return picture;
    }
    unsigned char* rgb = picture->GetData();
    for (int y = 0; y < size.y; ++y, rgb += 3 * size.x)
        std::memcpy(rgb, rows.get() + static_cast<size_t>(stride) * y, 3 * size.x);
    return picture;
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
