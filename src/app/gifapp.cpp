#include "app/gifapp.h"

#include "app/crashreport.h"
#include "app/domainoption.h"
#include "app/folders.h"
#include "app/language.h"
#include "window/gifframe.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/xrc/xmlres.h>

#include <iostream>

namespace {
wxArrayString& FilesToOpen() {
    static wxArrayString files;
    return files;
}
}  // namespace

void GifApp::SetFilesToOpen(const wxArrayString& files) { FilesToOpen() = files; }

GifApp::GifApp() {
    // From here on a crash leaves a report instead of just ending the program.
    wxHandleFatalExceptions(true);
}

bool GifApp::OnInit() {
    if (!wxApp::OnInit()) return false;

    // Muted from the start: where the English locale is not installed the
    // toolkit would otherwise greet every start with an error box.
    wxLogNull quiet;
    m_locale = nullptr;
    m_locale = CreateStartupLocale();

    wxInitAllImageHandlers();
    wxXmlResource::Get()->InitAllHandlers();
    wxXmlResource::Get()->LoadAllFiles(GetRootDir() + "/Themes");

    const wxString optionPath = GetOptionFilePath();
    std::cout << optionPath << std::endl;
    auto* option = new DomainOption(optionPath);
    SetDomainOption(option);
    option->ReadValues();

    GifFrame* frame = CreateMainWindow();
    if (!frame) {
        std::cerr << "loopwright: cannot load the main window from "
                  << (GetRootDir() + "/Themes").ToStdString()
                  << " (resource \"MyFrame1\" is missing); is the installation complete?"
                  << std::endl;
        return false;
    }
    m_frame = frame;
    frame->Show(true);
    // Once the window is on screen, so that questions and progress show over it.
    if (!FilesToOpen().empty()) frame->CallAfter(&GifFrame::OpenFiles, FilesToOpen());
    return true;
}

int GifApp::OnExit() {
    delete GetDomainOption();
    SetDomainOption(nullptr);
    return 0;
}

void GifApp::OnFatalException() { CreateCrashReport(); }
