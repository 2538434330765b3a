// Trace lines: a word or a path per line on standard output, for whoever runs
// the program from a console; nothing reads them. Off until the program turns
// them on, so the command-line exporter's output stays its own.
#pragma once

#include <wx/string.h>

void EnableTrace(bool on);
// Any thread; lines of different threads are never mixed.
void Trace(const wxString& line);
