// How much memory the compressed frames may take before they go to disk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// A quarter of the physical memory, at most 512 MB.
size_t DefaultFrameMemory();
// "500000000", "512M", "2G" (also k/K, m, g; optional "B" or "iB"); nothing
// for anything else.
std::optional<size_t> ParseMemorySize(const std::string& text);
// LOOPWRIGHT_FRAME_MEMORY when it is set and valid, else the default.
size_t FrameMemoryBudget();
