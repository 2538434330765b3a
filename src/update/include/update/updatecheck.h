// Asking the maker's server whether a newer version of the program exists.
#pragma once

#include "update/updatefetch.h"

#include <wx/string.h>

class wxInputStream;

// Whether text is a version this program can compare: one to three numbers of
// at most 999, separated by single dots ("1.0.80", "2.1", "3").
bool IsVersionText(const wxString& text);

// Negative when fetched is newer than running, zero when both are the same
// version ("1.1" and "1.1.0" are), positive otherwise. A text that is not a
// version counts as older than every version.
int CompareVersions(const wxString& running, const wxString& fetched);

// The version announced for this product by the update document in stream:
// the value of the attribute that follows the last attribute, in a child of
// the root, whose value is the product name. Empty when the stream is unusable,
// is not XML or announces nothing.
wxString FindVersionInUpdateDocument(wxInputStream& stream);

// Whether address names an http or https server at all; an unusable address
// is not asked and the check then does nothing.
bool IsUsableUpdateAddress(const wxString& address);

// Fetches the update document and returns the version it announces; empty
// when the fetch fails, breaks a bound or the document announces nothing.
// Safe on a worker thread.
wxString DownloadUpdateVersion(const UpdateFetchRequest& request);
