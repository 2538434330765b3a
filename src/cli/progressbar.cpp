#include "cli/progressbar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDefaultColumns = 80;

int TerminalColumns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

std::string Duration(double seconds) {
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

std::string ProgressBarLine(int done, int total, double elapsedSeconds, int width) {
    total = std::max(total, 1);
    done = std::clamp(done, 0, total);
    std::string tail = " " + std::to_string(done) + "/" + std::to_string(total) + " frames";
    if (done > 0) tail += ", " + Duration(elapsedSeconds / done * (total - done)) + " left";
    // What does not fit the terminal is dropped: a wrapped line cannot be redrawn in place.
    const int barWidth = std::min(40, width - 1 - 2 - static_cast<int>(tail.size()));
    if (barWidth < 5) return tail.substr(1, static_cast<size_t>(std::max(0, width - 1)));
    const int filled = static_cast<int>(static_cast<long long>(barWidth) * done / total);
    return "[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(barWidth - filled), ' ') + "]" + tail;
}

ProgressBar::ProgressBar(int total, bool shown)
    : m_total(total), m_shown(shown), m_start(std::chrono::steady_clock::now()) {
    if (m_shown) Update(0);
}

ProgressBar::~ProgressBar() {
    if (m_anyDrawn) std::fputs("\r\033[K", stderr);
}

void ProgressBar::Update(int done) {
    if (!m_shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (m_anyDrawn && done < m_total && now - m_drawn < std::chrono::milliseconds(100)) return;
    m_drawn = now;
    m_anyDrawn = true;
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    const std::string line = ProgressBarLine(done, m_total, elapsed, TerminalColumns());
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
