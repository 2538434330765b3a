// Paths made whole as they enter the program, so that what a project stores
// does not depend on the folder the program was started in.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

// The path from the root: a relative one is taken against the current
// folder, "." and ".." are resolved as written (links are kept). Empty stays empty.
wxString WholePath(const wxString& path);
wxArrayString WholePaths(const wxArrayString& paths);
