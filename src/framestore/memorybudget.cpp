#include "framestore/memorybudget.h"

#include "framestore/storenotices.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

size_t DefaultFrameMemory() {
    // Photo-like frames barely compress, so the compressed frames are most of
    // the program's memory: 384 MB leaves room for the frames the export and
    // the preview hold decoded, keeping 300 full-HD photos under 600 MB in all
    // while they are exported (measured with bench/framestore_bench); more
    // only delays the spill.
    constexpr size_t kMost = size_t(384) << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kMost / 4;
    return std::min(kMost, size_t(pages) / 4 * size_t(pageSize));
}

std::optional<size_t> ParseMemorySize(const std::string& text) {
    size_t i = 0;
    unsigned long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value > (std::numeric_limits<unsigned long long>::max() - 9) / 10) return std::nullopt;
        value = value * 10 + unsigned(text[i++] - '0');
    }
    if (i == 0) return std::nullopt;
    std::string unit = text.substr(i);
    for (char& c : unit) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (unit == "B" || unit.empty()) return size_t(value);
    int shift = 0;
    switch (unit[0]) {
        case 'K': shift = 10; break;
        case 'M': shift = 20; break;
        case 'G': shift = 30; break;
        default: return std::nullopt;
    }
    const std::string rest = unit.substr(1);
    if (!rest.empty() && rest != "B" && rest != "IB") return std::nullopt;
    if (value > (std::numeric_limits<size_t>::max() >> shift)) return std::nullopt;
    return size_t(value) << shift;
}

size_t FrameMemoryBudget() {
    const char* set = std::getenv("LOOPWRIGHT_FRAME_MEMORY");
    if (set) {
        if (const auto parsed = ParseMemorySize(set)) return *parsed;
        NoticeStoreProblem(StoreProblem::MemorySettingIgnored, set);
    }
    return DefaultFrameMemory();
}
