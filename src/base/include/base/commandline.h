// The program's command line: files to open, --help and --version.
#pragma once

#include <wx/arrstr.h>

class wxCmdLineParser;

struct CommandLine {
    int exitCode = -1;    // the program ends here with it; -1: it goes on
    wxArrayString files;  // to open once the window is shown, in order
};

// Reads the line before the toolkit starts: --help, --version and a
// malformed line are answered here, without a display (the toolkit needs
// one). File names keep their bytes (base/filenames.h).
CommandLine ReadCommandLine(int argc, char** argv);

// An argument as text, a file name's bytes kept (base/filenames.h).
wxString CommandLineArgument(const char* argument);

// Parses argv (each argument read as CommandLineArgument does) with the
// options already described to parser; the parser's complaints go to
// standard error. What wxCmdLineParser::Parse gives: 0, -1 for help, or > 0.
int ParseArguments(wxCmdLineParser& parser, int argc, char** argv);
