#include "base/platform.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

wxString GetDocumentsFolder() {
    const wxString dir = wxStandardPaths::Get().GetDocumentsDir();
    return wxFileName::DirExists(dir) ? dir : wxString();
}

void MakeFolder(const wxString& path) {
    if (wxFileName::DirExists(path)) return;
    wxLogNull quiet;
    wxFileName::Mkdir(path, wxS_DIR_DEFAULT, 0);
}

void ExploreFolder(const wxString& path) {
    wxLaunchDefaultApplication(path);
}
