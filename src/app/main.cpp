// Entry point of the program.
#include "app/commandline.h"
#include "app/gifapp.h"

#include <wx/log.h>

wxIMPLEMENT_APP_NO_MAIN(GifApp);

int main(int argc, char** argv) {
    // Release behaviour: assertions never show a dialog, debug messages are dropped.
    wxDisableAsserts();
    wxLog::SetLogLevel(wxLOG_Info);
    const int early = HandleCommandLineBeforeStart(argc, argv);
    if (early >= 0) return early;
    return wxEntry(argc, argv);
}
