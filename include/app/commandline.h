// The program's command line: files to open, --help and --version.
#pragma once

#include <wx/arrstr.h>

class wxCmdLineParser;

// The options and the file parameters; used before the toolkit starts and
// again by the application object, so that both read the same line.
void DescribeCommandLine(wxCmdLineParser& parser);

// Answers --help, --version and a malformed line without a display (the
// toolkit needs one to start). Returns the exit code when the program ends
// here, or -1 when it goes on to open its window.
int HandleCommandLineBeforeStart(int argc, char** argv);

// The file parameters of a parsed line, in the order given.
wxArrayString CommandLineFiles(const wxCmdLineParser& parser);
