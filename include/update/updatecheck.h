// Asking the maker's server whether a newer version of the program exists.
#pragma once

#include <wx/string.h>

class wxInputStream;
class wxURL;

// How long the download may wait for the server at each step, in seconds. The
// check runs on the main thread, so a silent server must not freeze the program.
constexpr int kUpdateTimeoutSeconds = 10;
// An update document is a few lines; anything far larger is not one.
constexpr size_t kUpdateDocumentLimit = 64 * 1024;

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

// Downloads the update document from url and returns the version it
// announces; empty when the download fails, takes too long or is too large.
wxString DownloadUpdateVersion(wxURL& url, int timeoutSeconds = kUpdateTimeoutSeconds);

// Downloads the version and queues it to the top window as an update result
// event (empty string on failure). The program's windows take no input meanwhile.
void FetchUpdateVersion(wxURL& url, int timeoutSeconds = kUpdateTimeoutSeconds);

// Checks the update document named by the option document; does nothing when
// there is no usable address.
void CheckForUpdate();
