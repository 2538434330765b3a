// A program that crashes on purpose, so that tests can check the crash report
// of the real application object. "crashprobe main" faults on the main thread,
// "crashprobe worker" on a worker thread, "crashprobe overflow" overflows the
// main thread's stack. The crash reporter is this program again: its message
// box is answered at once and its caption and text are written to standard
// output between markers.
#include "app/gifapp.h"

#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include <iostream>

// The pointer itself is volatile: the compiler cannot see that it is null and
// drop the faulting store as undefined behaviour.
int* volatile g_nowhere = nullptr;

// Exported and never inlined, so that the report's stack can name it.
__attribute__((noinline)) void CrashProbeFault() { *g_nowhere = 1; }

volatile bool g_deeper = true;

// Recurses until the stack runs out; the array keeps each frame large and the
// volatile flag keeps the compiler from seeing an endless loop.
__attribute__((noinline)) int CrashProbeOverflow(int depth) {
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return g_deeper ? CrashProbeOverflow(depth + 1) + frame[0] : 0;
}

namespace {

class AnswerMessageBoxes : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override {
        std::cout << "caption: " << dialog->GetTitle().utf8_str() << "\n";
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
            std::cout << "<<<message\n" << box->GetMessage().utf8_str() << "\nmessage>>>\n";
        std::cout.flush();
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

class FaultingThread : public wxThread {
public:
    FaultingThread() : wxThread(wxTHREAD_DETACHED) {}

protected:
    ExitCode Entry() override {
        CrashProbeFault();
        return nullptr;
    }
};

// The real application object, started without its window.
class CrashProbeApp : public GifApp {
public:
    bool OnInit() override {
        m_hook.Register();
        if (!StartCrashHandling()) return false;
        const wxString mode = argc > 1 ? argv[1] : wxString();
        CallAfter([mode] {
            if (mode == "overflow") {
                CrashProbeOverflow(0);
                return;
            }
            if (mode != "worker") {
                CrashProbeFault();
                return;
            }
            auto* thread = new FaultingThread;
            if (thread->Run() != wxTHREAD_NO_ERROR) delete thread;
        });
        return true;
    }

private:
    AnswerMessageBoxes m_hook;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(CrashProbeApp);

int main(int argc, char** argv) {
    // As in the program's release entry.
    wxDisableAsserts();
    wxLog::SetLogLevel(wxLOG_Info);
    return wxEntry(argc, argv);
}
