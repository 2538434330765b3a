#include "formats/animationexport.h"

#include "formats/apngexport.h"
#include "formats/webpexport.h"

#include <initializer_list>

namespace {

// Every extension a format is known by, the one offered first.
std::initializer_list<const char*> Extensions(AnimationFormat format) {
    static const std::initializer_list<const char*> gif = {"gif"}, webp = {"webp"}, apng = {"png", "apng"};
    switch (format) {
        case AnimationFormat::WebP: return webp;
        case AnimationFormat::Apng: return apng;
        default: return gif;
    }
}

bool HasExtensionOf(const wxString& path, AnimationFormat format, bool anyCase) {
    const wxString name = anyCase ? path.Lower() : path;
    for (const char* extension : Extensions(format))
        if (name.EndsWith(wxString(".") + extension)) return true;
    return false;
}

constexpr AnimationFormat kFormats[] = {AnimationFormat::Gif, AnimationFormat::WebP, AnimationFormat::Apng};

}  // namespace

GifExportStatus WriteAnimation(const GifExportJob& job, const ExportFrameSource& source,
                               const ExportFrameWritten& written) {
    switch (job.format) {
        case AnimationFormat::WebP: return WriteWebpAnimation(job, source, written);
        case AnimationFormat::Apng: return WriteApngAnimation(job, source, written);
        default: return WriteGifAnimation(job, source, written);
    }
}

AnimationFormat AnimationFormatOfPath(const wxString& path) {
    for (AnimationFormat format : kFormats)
        if (HasExtensionOf(path, format, true)) return format;
    return AnimationFormat::Gif;
}

wxString AnimationExtension(AnimationFormat format) {
    return *Extensions(format).begin();
}

wxString EnsureAnimationExtension(const wxString& path, AnimationFormat format) {
    return HasExtensionOf(path, format, false) ? path : path + "." + AnimationExtension(format);
}

AnimationFormat FormatForTypedName(const wxString& typed, AnimationFormat chosen) {
    for (AnimationFormat format : kFormats)
        if (HasExtensionOf(typed, format, false)) return format;
    return chosen;
}
