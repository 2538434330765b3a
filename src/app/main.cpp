// Entry point of the program.
#include "app/commandline.h"
#include "app/gifapp.h"

#include <wx/log.h>

wxIMPLEMENT_APP_NO_MAIN(GifApp);

int main(int argc, char** argv) {
    // Release behaviour: assertions never show a dialog, debug messages are dropped.
    wxDisableAsserts();
    wxLog::SetLogLevel(wxLOG_Info);
    const CommandLine line = ReadCommandLine(argc, argv);
    if (line.exitCode >= 0) return line.exitCode;
    GifApp::SetFilesToOpen(line.files);
    // The line is read: the toolkit gets only the program's name.
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, argv);
}
