// Pictures an import could not add, and the one message that names them.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

// PartlyRead pictures were added as far as they could be read.
enum class SkipReason { NotFound, NotAPicture, Damaged, OverBudget, TooLarge, PartlyRead };

struct SkippedPicture {
    wxString path;  // as listed: a picture path or a frame reference path
    SkipReason reason = SkipReason::Damaged;
    wxSize size;  // TooLarge: the picture's (or a GIF's screen or frame's) size
};

// The reason in the interface language.
wxString SkipReasonText(const SkippedPicture& skipped);
// One line per skipped picture, its file name and reason, at most
// kNamedSkips of them and then how many more; empty when none was skipped.
wxString SkippedPicturesText(const std::vector<SkippedPicture>& skipped);

constexpr size_t kNamedSkips = 10;
