// A program that crashes on purpose, so that tests can check the crash report
// of the real application object. "crashprobe main" faults on the main thread,
// "crashprobe worker" on a worker thread, "crashprobe overflow" overflows the
// main thread's stack and "crashprobe worker-overflow" a worker's, started as
// the program starts its threads. The crash reporter is this program again: its message
// box is answered at once and its caption and text are written to standard
// output between markers.
#include "app/gifapp.h"
#include "base/signalstack.h"

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
    explicit FaultingThread(bool overflow) : wxThread(wxTHREAD_DETACHED), m_overflow(overflow) {}

protected:
    ExitCode Entry() override {
        ThreadSignalStack stack;
        if (m_overflow)
            CrashProbeOverflow(0);
        else
            CrashProbeFault();
        return nullptr;
    }

private:
    const bool m_overflow;
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
            if (mode != "worker" && mode != "worker-overflow") {
                CrashProbeFault();
                return;
            }
            auto* thread = new FaultingThread(mode == "worker-overflow");
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
