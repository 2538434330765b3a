// Tells the user, in one message, which pictures an import left out and why.
#pragma once

#include "import/skippedpictures.h"

#include <vector>

class wxWindow;

// Shows the message when anything was skipped; nothing otherwise.
void ReportSkippedPictures(wxWindow* parent, const std::vector<SkippedPicture>& skipped);
