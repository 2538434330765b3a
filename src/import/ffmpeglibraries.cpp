#include "ffmpeglibraries.h"

#include <wx/dynlib.h>
#include <wx/log.h>

#include <memory>
#include <type_traits>

namespace {

#define LW_TEXT(x) #x
#define LW_NUMBER(x) LW_TEXT(x)

// The names the libraries were built against carry their major version: a
// library of another major version has other structures.
#if defined(__WINDOWS__)
constexpr const char* kFormatLibrary = "avformat-" LW_NUMBER(LIBAVFORMAT_VERSION_MAJOR) ".dll";
constexpr const char* kCodecLibrary = "avcodec-" LW_NUMBER(LIBAVCODEC_VERSION_MAJOR) ".dll";
#elif defined(__APPLE__)
constexpr const char* kFormatLibrary = "libavformat." LW_NUMBER(LIBAVFORMAT_VERSION_MAJOR) ".dylib";
constexpr const char* kCodecLibrary = "libavcodec." LW_NUMBER(LIBAVCODEC_VERSION_MAJOR) ".dylib";
#else
constexpr const char* kFormatLibrary = "libavformat.so." LW_NUMBER(LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* kCodecLibrary = "libavcodec.so." LW_NUMBER(LIBAVCODEC_VERSION_MAJOR);
#endif

std::unique_ptr<FfmpegLibraries> Load() {
    wxLogNull quiet;  // a missing library is said by the import, as a video it cannot read
    wxDynamicLibrary format, codec;
    if (!codec.Load(kCodecLibrary, wxDL_NOW | wxDL_VERBATIM) || !format.Load(kFormatLibrary, wxDL_NOW | wxDL_VERBATIM))
        return nullptr;
    auto loaded = std::make_unique<FfmpegLibraries>();
    bool found = true;
    auto resolve = [&](auto& function, const char* name) {
        void* symbol = format.GetSymbol(name);
        if (!symbol) symbol = codec.GetSymbol(name);
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
        found = found && function;
    };
#define LW_FFMPEG_RESOLVE(name) resolve(loaded->name, #name);
    LW_FFMPEG_FUNCTIONS(LW_FFMPEG_RESOLVE)
#undef LW_FFMPEG_RESOLVE
    if (!found) return nullptr;
    // Never unloaded: decoders may still be freed as the process ends.
    format.Detach();
    codec.Detach();
    return loaded;
}

}  // namespace

const FfmpegLibraries* Ffmpeg() {
    static const std::unique_ptr<FfmpegLibraries> libraries = Load();
    return libraries.get();
}
