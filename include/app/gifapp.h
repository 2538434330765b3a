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
    void OnFatalException() override;

private:
    GifFrame* m_frame = nullptr;   // not owned: the toolkit destroys it
    wxLocale* m_locale = nullptr;  // lives until the process ends
};

