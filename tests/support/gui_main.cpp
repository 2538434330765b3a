// Entry of the GUI test binaries: the tests run inside the real event loop of
// a test application, so that dialogs, timers and queued events behave as in
// the program.
#include "support/test_support.h"

#include <wx/image.h>
#include <wx/xrc/xmlres.h>

#include <cstring>
#include <memory>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override {
        // The base OnInit would parse the test runner's arguments.
        lwtest::InstallFailingAssertHandler();
        wxLog::SetActiveTarget(new wxLogStderr);
        wxInitAllImageHandlers();
        m_guard = std::make_unique<lwtest::UnexpectedDialogGuard>();
        m_guard->Register();
        CallAfter([this] {
            m_rc = RUN_ALL_TESTS();
            // Windows left by tests must not keep the loop alive.
            for (wxWindow* w : wxTopLevelWindows) w->Destroy();
            ExitMainLoop();
        });
        return true;
    }
    int OnRun() override {
        wxApp::OnRun();
        return m_rc;
    }
    int OnExit() override {
        if (m_guard) m_guard->Unregister();
        return wxApp::OnExit();
    }

private:
    int m_rc = 1;
    std::unique_ptr<lwtest::UnexpectedDialogGuard> m_guard;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv) {
    lwtest::PrepareTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return RUN_ALL_TESTS();
    int wxArgc = 1;
    return wxEntry(wxArgc, argv);
}
