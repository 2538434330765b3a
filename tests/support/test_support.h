// Helpers shared by the test binaries.
#pragma once

#include <wx/wx.h>
#include <wx/testing.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Readable test failures for the toolkit's strings.
inline void PrintTo(const wxString& text, std::ostream* out) { *out << '"' << text.utf8_str() << '"'; }

namespace lwtest {

// Points HOME and the XDG folders at a fresh temporary folder, so that no test
// touches the real home folder. Called by both test mains before anything else.
void PrepareTestEnvironment();
// The temporary HOME of this run.
std::string TestHome();

// A fresh empty folder under the run's temporary folder.
std::string MakeTempDir(const std::string& prefix);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// The names in a folder (files, folders, hidden ones), sorted.
std::vector<std::string> FolderContents(const std::string& folder);

// Runs the event loop until pred() holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));
// Handles what is pending without waiting.
void PumpPending();

// Installs the assertion handler that makes every toolkit assertion a test
// failure, unless an AssertionRecorder is alive.
void InstallFailingAssertHandler();

// While alive, toolkit assertions are recorded instead of failing the test.
class AssertionRecorder {
public:
    AssertionRecorder();
    ~AssertionRecorder();
    const std::vector<std::string>& Messages() const;
    bool Saw(const std::string& text) const;
};

// A dialog hook for wxTEST_DIALOG that fails the test and cancels a dialog
// nobody expected, instead of showing it and hanging the test.
class TestDialogHook : public wxTestingModalHook {
public:
    TestDialogHook(const char* file = nullptr, int line = 0, const char* func = nullptr)
        : wxTestingModalHook(file, line, func) {}

protected:
    int Enter(wxDialog* dlg) override;
    void ReportFailure(const wxString& msg) override;
};

// Registered for the whole GUI run: any modal dialog that no wxTEST_DIALOG
// expects fails the test and is cancelled.
class UnexpectedDialogGuard : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dlg) override;
    void Exit(wxDialog*) override {}
};

// While alive, files this process writes cannot grow beyond `bytes`: writing
// then fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long m_savedLimit = 0;
    void (*m_savedHandler)(int) = nullptr;
};

struct ProcessResult {
    int exitCode = -1;     // exit status, or 128 + signal
    int signal = 0;        // the signal that ended it, if one did
    bool timedOut = false;
    std::string out;
    std::string err;
};
// Runs a program with extra environment variables (an empty value removes the
// variable), collecting its output; kills it after the timeout.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

// An animation of any format as Pillow reads it: "frames (w, h) [durations in ms]",
// each distinct duration once.
std::string PillowTiming(const std::string& path);

}  // namespace lwtest

#undef wxTEST_DIALOG_HOOK_CLASS
#define wxTEST_DIALOG_HOOK_CLASS lwtest::TestDialogHook
