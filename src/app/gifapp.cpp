#include "app/gifapp.h"

#include "app/crashfacts.h"
#include "app/crashhandler.h"
#include "app/crashreport.h"
#include "base/filenames.h"
#include "base/folders.h"
#include "base/language.h"
#include "base/trace.h"
#include "files/savefolders.h"
#include "update/domainoption.h"
#include "window/mainwindow.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/xrc/xmlres.h>

#include <iostream>

namespace {

// The descriptor named by the crash reporter's hidden option; -1 when absent.
int CrashFactsDescriptor(const wxString& argument) {
    wxString number;
    long fd = -1;
    if (!argument.StartsWith(kCrashReportOption, &number) || !number.ToLong(&fd) || fd < 0)
        return -1;
    return static_cast<int>(fd);
}

wxArrayString& FilesToOpen() {
    static wxArrayString files;
    return files;
}

}  // namespace

void GifApp::SetFilesToOpen(const wxArrayString& files) { FilesToOpen() = files; }

GifApp::GifApp() = default;

bool GifApp::StartCrashHandling() {
    const int factsFd = argc == 2 ? CrashFactsDescriptor(argv[1]) : -1;
    if (factsFd < 0) {
        // From here on a crash leaves a report instead of just ending the program.
        InstallCrashHandler();
        return true;
    }
    wxLogNull quiet;
    CrashFacts facts;
    if (!ParseCrashFacts(ReadCrashFactsFile(factsFd), facts)) return false;
    // The message in the language the user chose.
    m_locale = CreateInterfaceLocale(ReadLanguageCode(), GetRootDir() + "/Language");
    CreateCrashReport(facts);
    return false;
}

bool GifApp::OnInit() {
    if (!StartCrashHandling()) return false;
    // The window's trace lines go to the console it was started from.
    EnableTrace(true);
    if (!wxApp::OnInit()) return false;
    // The toolkit chose its file name conversion from the locale; names that
    // came from the command line were read keeping their bytes.
    UseByteExactFileNames();
    // What saves killed on file systems without unnamed files left behind.
    KeepSaveFolderList(GetSaveFolderListPath());
    SweepSaveFolders();

    // Muted from the start: where the English locale is not installed the
    // toolkit would otherwise greet every start with an error box.
    wxLogNull quiet;
    m_locale = nullptr;
    m_locale = CreateStartupLocale();

    wxInitAllImageHandlers();
    wxXmlResource::Get()->InitAllHandlers();
    wxXmlResource::Get()->LoadAllFiles(GetRootDir() + "/Themes");

    const wxString optionPath = GetOptionFilePath();
    Trace(optionPath);
    auto* option = new DomainOption(optionPath);
    SetDomainOption(option);
    option->ReadValues();

    MainWindow* frame = CreateMainWindow();
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
    if (!FilesToOpen().empty()) frame->CallAfter(&MainWindow::OpenFiles, FilesToOpen());
    return true;
}

int GifApp::OnExit() {
    delete GetDomainOption();
    SetDomainOption(nullptr);
    return 0;
}

