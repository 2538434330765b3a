// The document that loopwright-cli exports, made from the pictures or the
// project on its command line, without any window.
#pragma once

#include "cli/cliline.h"
#include "document/document.h"

#include <wx/arrstr.h>
#include <wx/string.h>

// The delay of a picture's frame when --delay is not given: the Delay
// field's value in a new window.
constexpr int kCliDefaultDelay = 10;

struct CliDocument {
    Document document;
    // Why the input cannot be exported, naming the file; empty when it can.
    wxString problem;
    bool usage = false;  // the problem is an option that does not fit the pictures
    // What was left out without stopping the export (a project's missing
    // pictures), one line each.
    wxArrayString warnings;
};

// The frames of options.inputs in order (a GIF gives all its frames), the
// canvas, delays and loop count as the options say, the GIF options.output.
// The first picture that cannot be read is the problem.
void BuildPictureDocument(const CliOptions& options, CliDocument& result);

// The project options.inputs[0] as the window opens it; its GIF is
// options.output when given.
void BuildProjectDocument(const CliOptions& options, CliDocument& result);
