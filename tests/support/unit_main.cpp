// Entry of the test binaries that need no display.
#include "support/test_support.h"

#include <wx/image.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    lwtest::PrepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    // Strings, files, XML and pictures need no GUI.
    wxInitializer init;
    if (!init.IsOk()) return 2;
    lwtest::InstallFailingAssertHandler();
    wxInitAllImageHandlers();
    wxLog::SetActiveTarget(new wxLogStderr);
    return RUN_ALL_TESTS();
}
