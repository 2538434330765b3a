// The crash report: a compressed debug report with a timestamp, left in the
// temporary folder and shown to the user so that it can be sent to us. It is
// built by the crash reporter, a separate run of the program, from the facts
// the crashed process's signal handler wrote.
#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

struct CrashFacts;

// Writes the report of the crash the facts describe, tells the user where it
// lies (a message box, and standard error) and opens that folder.
void CreateCrashReport(const CrashFacts& facts);

// The text that tells the user where the report lies: the translated message
// with every "%s" replaced by the folder as plain text, so that a folder name
// holding "%" or "%s" is shown unchanged.
wxString CrashReportMessage(const wxString& folder);

// The content of "timestamp.my": "YYYY-MM-DD HH:MM:SS".
wxString CrashTimestamp(const wxDateTime& when);
