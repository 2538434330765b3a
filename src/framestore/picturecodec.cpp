#include "framestore/picturecodec.h"

#include <zstd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kMagic = 0x4c57'4653;  // "LWFS"
constexpr uint32_t kHasAlpha = 1, kHasMask = 2, kPlain = 4;

struct Header {
    uint32_t magic;
    uint32_t width, height;
    uint32_t flags;
    unsigned char mask[4];  // r, g, b, unused
};

size_t RawSize(const Header& header) {
    const size_t pixels = size_t(header.width) * header.height;
    return pixels * 3 + ((header.flags & kHasAlpha) ? pixels : 0);
}

Header HeaderOf(const wxImage& picture) {
    Header header{kMagic, uint32_t(picture.GetWidth()), uint32_t(picture.GetHeight()), 0, {}};
    if (picture.HasAlpha()) header.flags |= kHasAlpha;
    if (picture.HasMask()) {
        header.flags |= kHasMask;
        header.mask[0] = picture.GetMaskRed();
        header.mask[1] = picture.GetMaskGreen();
        header.mask[2] = picture.GetMaskBlue();
    }
    return header;
}

}  // namespace

PictureBytes CompressPicture(const wxImage& picture, int level) {
    if (!picture.IsOk()) return {};
    const Header header = HeaderOf(picture);
    const size_t pixels = size_t(header.width) * header.height;
    try {
        // With alpha the planes go one after the other, so that one stream
        // sees them all; without, the rows go straight from the picture.
        std::vector<unsigned char> joined;
        const unsigned char* raw = picture.GetData();
        if (header.flags & kHasAlpha) {
            joined.resize(RawSize(header));
            std::memcpy(joined.data(), picture.GetData(), pixels * 3);
            std::memcpy(joined.data() + pixels * 3, picture.GetAlpha(), pixels);
            raw = joined.data();
        }
        // One context and one worst-case buffer per thread, used again for
        // every frame: a fresh one each time costs more than compressing.
        static thread_local std::unique_ptr<ZSTD_CCtx, size_t (*)(ZSTD_CCtx*)> context(ZSTD_createCCtx(),
                                                                                    ZSTD_freeCCtx);
        static thread_local std::vector<unsigned char> scratch;
        if (!context) return {};
        scratch.resize(ZSTD_compressBound(RawSize(header)));
        // A checksum of the content, checked on every read: a spilled frame
        // changed by another program, or cut short, is found instead of shown.
        ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, level);
        ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
        const size_t packed = ZSTD_compress2(context.get(), scratch.data(), scratch.size(), raw, RawSize(header));
        if (ZSTD_isError(packed)) return {};
        PictureBytes bytes(sizeof header + packed);
        std::memcpy(bytes.data(), &header, sizeof header);
        std::memcpy(bytes.data() + sizeof header, scratch.data(), packed);
        return bytes;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

PictureBytes PlainPicture(const wxImage& picture) {
    if (!picture.IsOk()) return {};
    Header header = HeaderOf(picture);
    header.flags |= kPlain;
    const size_t pixels = size_t(header.width) * header.height;
    try {
        PictureBytes bytes(sizeof header + RawSize(header));
        std::memcpy(bytes.data(), &header, sizeof header);
        std::memcpy(bytes.data() + sizeof header, picture.GetData(), pixels * 3);
        if (header.flags & kHasAlpha) std::memcpy(bytes.data() + sizeof header + pixels * 3, picture.GetAlpha(), pixels);
        return bytes;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

size_t PlainPictureSize(const wxImage& picture) {
    return picture.IsOk() ? sizeof(Header) + RawSize(HeaderOf(picture)) : 0;
}

bool IsPlainPicture(const PictureBytes& bytes) {
    Header header;
    if (bytes.size() < sizeof header) return false;
    std::memcpy(&header, bytes.data(), sizeof header);
    return header.magic == kMagic && (header.flags & kPlain);
}

bool DecompressPicture(const unsigned char* bytes, size_t size, wxImage* out) {
    Header header;
    if (!bytes || size < sizeof header) return false;
    std::memcpy(&header, bytes, sizeof header);
    if (header.magic != kMagic || header.width == 0 || header.height == 0 ||
        header.width > (1u << 16) || header.height > (1u << 16))
        return false;
    const size_t pixels = size_t(header.width) * header.height;
    const size_t raw = RawSize(header);
    const bool stored = header.flags & kPlain;
    if (stored ? size - sizeof header != raw
               : ZSTD_getFrameContentSize(bytes + sizeof header, size - sizeof header) != raw)
        return false;
    try {
        wxImage picture(int(header.width), int(header.height), false);
        if (!picture.IsOk()) return false;
        const bool alpha = header.flags & kHasAlpha;
        std::vector<unsigned char> joined(alpha && !stored ? raw : 0);
        const unsigned char* plain = bytes + sizeof header;
        if (!stored) {
            unsigned char* into = alpha ? joined.data() : picture.GetData();
            const size_t got = ZSTD_decompress(into, raw, bytes + sizeof header, size - sizeof header);
            if (ZSTD_isError(got) || got != raw) return false;
            plain = into;
        } else if (!alpha) {
            std::memcpy(picture.GetData(), plain, pixels * 3);
        }
        if (alpha) {
            std::memcpy(picture.GetData(), plain, pixels * 3);
            picture.SetAlpha();
            std::memcpy(picture.GetAlpha(), plain + pixels * 3, pixels);
        }
        if (header.flags & kHasMask) picture.SetMaskColour(header.mask[0], header.mask[1], header.mask[2]);
        *out = picture;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
