// Entry point of the program.
#include "app/gifapp.h"

#include <wx/log.h>

wxIMPLEMENT_APP_NO_MAIN(GifApp);

int main(int argc, char** argv) {
    // Release behaviour: assertions never show a dialog, debug messages are dropped.
    wxDisableAsserts();
    wxLog::SetLogLevel(wxLOG_Info);
    return wxEntry(argc, argv);
}
