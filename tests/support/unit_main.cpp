// Entry of the test binaries that need no display.
#include "support/test_support.h"

#include <wx/init.h>

int main(int argc, char** argv) {
    lwtest::PrepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    // The base library is enough for strings, files and XML; no GUI starts.
    wxInitializer init;
    if (!init.IsOk()) return 2;
    lwtest::InstallFailingAssertHandler();
    wxLog::SetActiveTarget(new wxLogStderr);
    return RUN_ALL_TESTS();
}
