// The few operating-system services the program uses, mapped to this platform.
#pragma once

#include <wx/string.h>

// The user's documents folder, or an empty string when there is none.
wxString GetDocumentsFolder();
// Creates one folder level; every failure (it exists, no parent) is ignored.
void MakeFolder(const wxString& path);
// Opens a folder in the desktop's file browser; the result is ignored.
void ExploreFolder(const wxString& path);
