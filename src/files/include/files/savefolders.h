// The folders where saves wrote their temporary under a name (on file
// systems without unnamed files), kept in a short list so that what a killed
// save left there is removed at the next start.
#pragma once

#include <wx/string.h>

#include <string>

// Where the list is kept; until this is called, nothing is noted.
void KeepSaveFolderList(const wxString& listPath);
// Adds folder (file-system bytes) to the list; called before a named
// temporary is made there. The list keeps the most recent folders only.
void NoteSaveFolder(const std::string& folder);
// Removes what killed saves left in the listed folders; a folder stays listed
// only while a save that is still running has a temporary there.
void SweepSaveFolders();

constexpr size_t kMostSaveFolders = 32;
