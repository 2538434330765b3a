// Product constants, the installation and per-user folders, and the language file.
#pragma once

#include <wx/string.h>

#include <string>

wxString GetMakerName();
wxString GetProductString();
// The product string with every "+" replaced by a space.
wxString GetProductName();
wxString GetProductVersion();

// The installation root for a program path: the parent of the folder that
// holds the program; empty when the path has fewer than two "/" levels.
// Backslashes count as separators.
wxString RootDirFromProgramPath(const wxString& programPath);
// The installation root of the running program, from its absolute path as the
// system reports it (a bare name from PATH would give no root).
wxString GetRootDir();
wxString GetOptionFilePath();

// "<documents>/<maker> files/<product name>", creating both levels.
wxString UserDataDirUnder(const wxString& documentsDir);
wxString GetUserDataDir();
wxString GetLanguageFilePath();
// The list of folders where saves wrote named temporaries, in the user data
// folder (which is not created for it: only a save that lists a folder does).
wxString GetSaveFolderListPath();

// Reads an int like the C runtime's _wtoi: leading white space, an optional
// sign, then decimal digits up to the first other character; 0 without digits.
int ParseLeadingInt(const std::string& text);

// Reads the language code from the language file, creating it with the
// default (58, English) when it is missing. Only the first 8 bytes count.
int ReadLanguageCode();
void WriteLanguageCode(int code);
