#include "import/framepath.h"

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
    const size_t start = FrameSuffixStart(path);
    return start == wxString::npos ? path : path.Left(start);
}
