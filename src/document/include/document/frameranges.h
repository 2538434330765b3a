// Frames named by number as people write them: "2-3, 5" (counted from 1).
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <optional>
#include <vector>

// The frames (indices, ascending, without repeats) as ranges; "" for none.
wxString FrameRangesText(const std::vector<size_t>& indices);
// The indices of a text of numbers and ranges separated by commas or blanks;
// nothing when it is malformed, empty or names a frame past count.
std::optional<std::vector<size_t>> ParseFrameRanges(const wxString& text, size_t count);
