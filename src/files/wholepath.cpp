#include "files/wholepath.h"

#include <wx/filename.h>

wxString WholePath(const wxString& path) {
    if (path.empty()) return path;
    wxFileName name(path);
    // No "~" expansion: a file may be named so.
    name.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return name.GetFullPath();
}

wxArrayString WholePaths(const wxArrayString& paths) {
    wxArrayString whole;
    for (const wxString& path : paths) whole.Add(WholePath(path));
    return whole;
}
