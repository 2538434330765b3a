// The program's command line: files to open, --help and --version.
#pragma once

#include <wx/arrstr.h>

struct CommandLine {
    int exitCode = -1;    // the program ends here with it; -1: it goes on
    wxArrayString files;  // to open once the window is shown, in order
};

// Reads the line before the toolkit starts: --help, --version and a
// malformed line are answered here, without a display (the toolkit needs
// one). File names are read as UTF-8, as the desktop writes them, whatever
// the locale; bytes that are not UTF-8 are read in the locale's encoding.
CommandLine ReadCommandLine(int argc, char** argv);

// An argument as text: UTF-8, as the desktop writes file names, whatever the
// locale; bytes that are not UTF-8 in the locale's encoding.
wxString CommandLineArgument(const char* argument);
