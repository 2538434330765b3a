// The export's progress on standard error: frames done of all and the time
// left, redrawn in place on one line. Shown only on a terminal, so that logs
// and pipes get nothing.
#pragma once

#include <chrono>
#include <string>

// The line for done of total frames after elapsed seconds, width columns wide
// at most: "[#####     ] 12/40 frames, 0:07 left" (no estimate before the
// first frame).
std::string ProgressBarLine(int done, int total, double elapsedSeconds, int width);

class ProgressBar {
public:
    // shown: standard error is a terminal and the user did not ask for quiet.
    ProgressBar(int total, bool shown);
    ~ProgressBar();  // clears the line
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(int done);

private:
    const int m_total;
    const bool m_shown;
    const std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_drawn;  // redrawn at most a few times a second
    bool m_anyDrawn = false;
};

// Whether standard error is a terminal.
bool StandardErrorIsTerminal();
