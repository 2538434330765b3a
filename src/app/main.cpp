// Entry point of the program.
#include "app/crashhandler.h"
#include "app/gifapp.h"
#include "base/commandline.h"

#include <cstring>

#include <wx/log.h>

wxIMPLEMENT_APP_NO_MAIN(GifApp);

int main(int argc, char** argv) {
    // Release behaviour: assertions never show a dialog, debug messages are dropped.
    wxDisableAsserts();
    wxLog::SetLogLevel(wxLOG_Info);
    // The crash handler restarts the program with its hidden option to write
    // the report: that goes to the application as it is.
    if (argc == 2 && std::strncmp(argv[1], kCrashReportOption, std::strlen(kCrashReportOption)) == 0)
        return wxEntry(argc, argv);
    const CommandLine line = ReadCommandLine(argc, argv);
    if (line.exitCode >= 0) return line.exitCode;
    GifApp::SetFilesToOpen(line.files);
    // The line is read: the toolkit gets only the program's name.
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, argv);
}
