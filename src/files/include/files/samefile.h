// Whether two names reach one file: the same file, also through links.
#pragma once

#include <wx/string.h>

// True when both exist and are one file (device and inode alike).
bool IsSameFile(const wxString& a, const wxString& b);
