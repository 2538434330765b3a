#include "import/overlaypicture.h"

#include "import/picturedecoder.h"

#include <algorithm>

std::shared_ptr<const OverlayPixels> LoadOverlayPicture(const wxString& path) {
    PictureDecoder decoder(static_cast<long long>(kOverlayMostSide) * kOverlayMostSide);
    std::unique_ptr<wxImage> image;
    decoder.Decode(path, [&image](DecodedPicture&& decoded) {
        image = std::move(decoded.picture);
        return false;  // a GIF's first frame is enough
    });
    if (!image || !image->IsOk() || image->GetWidth() > kOverlayMostSide || image->GetHeight() > kOverlayMostSide)
        return nullptr;
    if (image->HasMask() && !image->HasAlpha()) image->InitAlpha();
    auto pixels = std::make_shared<OverlayPixels>();
    pixels->width = image->GetWidth();
    pixels->height = image->GetHeight();
    const size_t count = size_t(pixels->width) * size_t(pixels->height);
    pixels->rgba.resize(count * 4);
    const unsigned char* rgb = image->GetData();
    const unsigned char* alpha = image->HasAlpha() ? image->GetAlpha() : nullptr;
    for (size_t i = 0; i < count; ++i) {
        std::copy_n(rgb + i * 3, 3, &pixels->rgba[i * 4]);
        pixels->rgba[i * 4 + 3] = alpha ? alpha[i] : 255;
    }
    return pixels;
}
