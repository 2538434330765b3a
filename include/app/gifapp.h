// The application object: start-up, shutdown and the crash report.
#pragma once

#include <wx/app.h>
#include <wx/arrstr.h>

class GifFrame;
class wxLocale;

class GifApp : public wxApp {
public:
    GifApp();
    bool OnInit() override;
    int OnExit() override;
    void OnFatalException() override;
    // Files from the command line, opened once the window is shown.
    static void SetFilesToOpen(const wxArrayString& files);

private:
    GifFrame* m_frame = nullptr;   // not owned: the toolkit destroys it
    wxLocale* m_locale = nullptr;  // lives until the process ends
};

