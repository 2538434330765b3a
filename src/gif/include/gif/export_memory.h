// Whether a GIF export fits in the memory the machine has free, asked before
// rendering starts: a canvas typed or read as 65535 x 65535 would need tens of
// gigabytes for every frame. Plain functions, no window needed.
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <optional>

// Bytes an export holds at once when parallelism frames are prepared together.
std::uint64_t ExportMemoryNeed(int canvasWidth, int canvasHeight, int parallelism);

// How many more frames than it prepares at once an export lets wait to be
// written behind a slow one, within a fixed share of ExportMemoryNeed.
int ExportFramesWaiting(int canvasWidth, int canvasHeight, int parallelism);

// Memory the system can give without swapping (MemAvailable of /proc/meminfo,
// else the free pages); nullopt when it cannot tell.
std::optional<std::uint64_t> AvailableMemory();

// How many frames (wanted at most, at least 1) the export may prepare at once
// within available; 0 when not even one fits, or when the canvas has more
// pixels than the renderer can address. Unknown memory limits nothing else.
int ExportParallelismThatFits(int canvasWidth, int canvasHeight, int wanted,
                              std::optional<std::uint64_t> available);

// What the user is told when the GIF at path cannot be saved for its canvas size.
wxString ExportMemoryRefusalText(const wxString& path, int canvasWidth, int canvasHeight);
