#include "gif/export_memory.h"

#include "base/filenames.h"

#include <wx/intl.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <string>

namespace {

// Per frame being prepared, bytes per canvas pixel: the rendered canvas (3),
// the quantiser's RGBA copy (4), its sample (1), the index map (1) and the
// reduced image (3); and the two pictures decoded ahead of it (4 each,
// counted at canvas size, which the canvas follows unless it was shrunk).
constexpr std::uint64_t kBytesPerPixelInFlight = 3 + 4 + 1 + 1 + 3 + 2 * 4;
// The writer's own buffers, the quantiser's histogram and the stream.
constexpr std::uint64_t kWriterBytes = 32u << 20;
// Frames quantised while a slow one ahead of them (frame 0) is encoded: each
// holds its canvas (3), its RGBA copy (4) and its indices (1) while it waits
// for frame 0's table; encoded, only its codes.
constexpr std::uint64_t kWaitingBytes = 64u << 20;
constexpr std::uint64_t kBytesPerPixelWaiting = 3 + 4 + 1;
// The toolkit's images and the quantiser count bytes in int.
constexpr std::uint64_t kMaxPixels = INT_MAX / 4;

std::uint64_t Pixels(int width, int height) {
    return std::uint64_t(width > 0 ? width : 0) * std::uint64_t(height > 0 ? height : 0);
}

std::optional<std::uint64_t> MemInfoAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib) {
        std::getline(meminfo, unit);
        if (key == "MemAvailable:") return kib * 1024;
    }
    return std::nullopt;
}

}  // namespace

std::uint64_t ExportMemoryNeed(int canvasWidth, int canvasHeight, int parallelism) {
    const std::uint64_t frames = std::uint64_t(parallelism > 0 ? parallelism : 1);
    const std::uint64_t waiting = frames > 1 ? kWaitingBytes : 0;
    return Pixels(canvasWidth, canvasHeight) * kBytesPerPixelInFlight * frames + kWriterBytes + waiting;
}

int ExportFramesWaiting(int canvasWidth, int canvasHeight, int parallelism) {
    if (parallelism <= 1) return 0;
    const std::uint64_t perFrame = std::max<std::uint64_t>(1, Pixels(canvasWidth, canvasHeight) * kBytesPerPixelWaiting);
    return int(std::min<std::uint64_t>(kWaitingBytes / perFrame, 7 * std::uint64_t(parallelism)));
}

std::optional<std::uint64_t> AvailableMemory() {
    if (const std::optional<std::uint64_t> available = MemInfoAvailable()) return available;
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return std::nullopt;
    return std::uint64_t(pages) * std::uint64_t(size);
}

int ExportParallelismThatFits(int canvasWidth, int canvasHeight, int wanted,
                              std::optional<std::uint64_t> available) {
    if (Pixels(canvasWidth, canvasHeight) > kMaxPixels) return 0;
    const int most = wanted > 0 ? wanted : 1;
    if (!available) return most;
    for (int frames = most; frames >= 1; --frames)
        if (ExportMemoryNeed(canvasWidth, canvasHeight, frames) <= *available) return frames;
    return 0;
}

wxString ExportMemoryRefusalText(const wxString& path, int canvasWidth, int canvasHeight) {
    return wxString::Format(wxGetTranslation("The file \"%s\" was not saved: a canvas of %d x %d "
                                             "pixels needs more memory than this computer has "
                                             "free. Make the canvas smaller."),
                            ShownFileName(path), canvasWidth, canvasHeight);
}
