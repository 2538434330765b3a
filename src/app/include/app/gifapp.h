// The application object: start-up, shutdown and the crash report.
#pragma once

#include <wx/app.h>
#include <wx/arrstr.h>

class MainWindow;
class wxLocale;

class GifApp : public wxApp {
public:
    GifApp();
    bool OnInit() override;
    int OnExit() override;
    // Files from the command line, opened once the window is shown.
    static void SetFilesToOpen(const wxArrayString& files);

protected:
    // Run first in OnInit. In the crash reporter (started by the crash
    // handler with the hidden option) it builds the report and returns false:
    // the reporter then ends. Otherwise it installs the crash handler.
    bool StartCrashHandling();

private:
    MainWindow* m_frame = nullptr;   // not owned: the toolkit destroys it
    wxLocale* m_locale = nullptr;  // lives until the process ends
};

