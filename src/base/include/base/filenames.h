// File names are bytes on this system, not always UTF-8. The program holds a
// name as text in which each byte that is not part of valid UTF-8 stands as a
// private-use character; the name turns back into the same bytes whenever a
// file is opened by it (the toolkit's file name conversion) and survives
// being stored in a project.
#pragma once

#include <wx/string.h>

// Makes the toolkit's file name conversion keep bytes as described above;
// called once at start, after the toolkit has chosen its own.
void UseByteExactFileNames();

// A name as the system gives it (an argument, a path from the system).
wxString FileNameFromBytes(const char* bytes);

// The name for people to read: each byte that was not UTF-8 shown as the
// replacement character, as file managers show it.
wxString ShownFileName(const wxString& name);

// Text as bytes for a terminal, each file name in it as the bytes the system
// knows it by: the terminal shows it as it shows the file in a listing.
wxCharBuffer SystemBytes(const wxString& text);
