#include "import/framepath.h"

#include <wx/filefn.h>

#include <climits>

namespace {

// Position of the "_" that starts a frame suffix, or wxString::npos.
size_t FrameSuffixStart(const wxString& path) {
    const size_t underscore = path.rfind('_');
    if (underscore == wxString::npos || underscore + 1 == path.length()) return wxString::npos;
    for (size_t i = underscore + 1; i < path.length(); ++i)
        if (path[i] < '0' || path[i] > '9') return wxString::npos;
    // The GIF's own name must be more than its extension.
    if (underscore < 5 || !HasGifExtension(path.Left(underscore))) return wxString::npos;
    return underscore;
}

// Reads the decimal digits at `at` (at most maxDigits of them) into value;
// how many there were.
size_t ReadDigits(const wxString& text, size_t at, size_t maxDigits, long long& value) {
    size_t count = 0;
    value = 0;
    for (; at + count < text.length() && text[at + count] >= '0' && text[at + count] <= '9'; ++count) {
        if (count == maxDigits) return 0;
        value = value * 10 + (text[at + count] - '0');
    }
    return count;
}

// Takes `literal` at `at`, moving past it.
bool Expect(const wxString& text, size_t& at, const char* literal) {
    const wxString expected(literal);
    if (text.compare(at, expected.length(), expected) != 0) return false;
    at += expected.length();
    return true;
}

// A side of a picture: 1 to 65535, moving past it.
bool ReadSide(const wxString& text, size_t& at, int& side) {
    long long value = 0;
    const size_t digits = ReadDigits(text, at, 5, value);
    if (digits == 0 || value < 1 || value > 65535) return false;
    at += digits;
    side = static_cast<int>(value);
    return true;
}

constexpr const char* kVideoTime = "#t=";

}  // namespace

bool HasGifExtension(const wxString& path) {
    return path.length() > 4 && path.Right(4).Lower() == ".gif";
}

wxString MakeFramePath(const wxString& gifPath, int index) {
    return wxString::Format("%s_%d", gifPath, index);
}

int FrameIndexFromPath(const wxString& path) {
    const size_t start = FrameSuffixStart(path);
    if (start == wxString::npos) return -1;
    long long value = 0;
    for (size_t i = start + 1; i < path.length() && value <= INT_MAX; ++i)
        value = value * 10 + (path[i] - '0');
    // An index beyond any GIF's frame count names no frame, like any other
    // index past the end.
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

wxString StripFrameSuffix(const wxString& path) {
    if (const std::optional<VideoFrameRef> video = VideoFrameFromPath(path)) return video->path;
    const size_t start = FrameSuffixStart(path);
    return start == wxString::npos ? path : path.Left(start);
}

wxString MakeVideoFramePath(const wxString& videoPath, long long timeMs, const wxSize& size) {
    return wxString::Format("%s%s%lld.%03lld&size=%dx%d", videoPath, kVideoTime, timeMs / 1000, timeMs % 1000,
                            size.x, size.y);
}

std::optional<VideoFrameRef> VideoFrameFromPath(const wxString& path) {
    const size_t start = path.rfind(kVideoTime);
    if (start == wxString::npos || start == 0) return std::nullopt;
    size_t at = start + wxStrlen(kVideoTime);
    long long seconds = 0, millis = 0;
    // Twelve digits of seconds are some 30000 years: more is no time at all.
    const size_t digits = ReadDigits(path, at, 12, seconds);
    if (digits == 0) return std::nullopt;
    at += digits;
    if (!Expect(path, at, ".") || ReadDigits(path, at, 3, millis) != 3) return std::nullopt;
    at += 3;
    VideoFrameRef ref{path.Left(start), seconds * 1000 + millis, wxSize()};
    if (!Expect(path, at, "&size=") || !ReadSide(path, at, ref.size.x) || !Expect(path, at, "x") ||
        !ReadSide(path, at, ref.size.y) || at != path.length())
        return std::nullopt;
    return ref;
}

wxString ShownFrameName(const wxString& path) {
    const std::optional<VideoFrameRef> video = VideoFrameFromPath(path);
    if (!video) return wxFileNameFromPath(path);
    return wxString::Format("%s %lld.%03lld s", wxFileNameFromPath(video->path), video->timeMs / 1000,
                            video->timeMs % 1000);
}
