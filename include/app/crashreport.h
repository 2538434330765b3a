// The crash report: a compressed debug report with a timestamp, left in the
// temporary folder and shown to the user so that it can be sent to us.
#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

// Writes the report for the fault being handled, tells the user where it lies
// and opens that folder. Runs on the thread that faulted; only the main thread
// may show a message box, other threads print the message on standard error.
void CreateCrashReport();

// The text that tells the user where the report lies: the translated message
// with every "%s" replaced by the folder as plain text, so that a folder name
// holding "%" or "%s" is shown unchanged.
wxString CrashReportMessage(const wxString& folder);

// The content of "timestamp.my": "YYYY-MM-DD HH:MM:SS".
wxString CrashTimestamp(const wxDateTime& when);
