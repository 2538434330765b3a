// The application object: start-up, shutdown and the crash report.
#pragma once

#include <wx/app.h>

class GifFrame;
class wxLocale;

class GifApp : public wxApp {
public:
    GifApp();
    bool OnInit() override;
    int OnExit() override;

protected:
    // Run first in OnInit. In the crash reporter (started by the crash
    // handler with the hidden option) it builds the report and returns false:
    // the reporter then ends. Otherwise it installs the crash handler.
    bool StartCrashHandling();

private:
    GifFrame* m_frame = nullptr;   // not owned: the toolkit destroys it
    wxLocale* m_locale = nullptr;  // lives until the process ends
};

