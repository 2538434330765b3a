#include "update/updatecheck.h"

#include "app/domainoption.h"
#include "app/folders.h"
#include "update/updateevents.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/protocol/protocol.h>
#include <wx/url.h>
#include <wx/utils.h>
#include <wx/window.h>
#include <wx/xml/xml.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kVersionParts = 3;
constexpr int kLargestPart = 999;
constexpr size_t kKeyLength = 9;  // three digits for each part

// Zero-filled one byte beyond the key, so that the key is always terminated.
using VersionKey = std::array<char, kKeyLength + 1>;

bool ParseVersion(const std::string& text, int (&parts)[kVersionParts]) {
    for (int& part : parts) part = 0;
    size_t i = 0;
    for (int count = 0; count < kVersionParts; ++count) {
        const size_t start = i;
        int value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > kLargestPart) return false;
        }
        if (i == start) return false;
        parts[count] = value;
        if (i == text.size()) return true;
        if (text[i++] != '.') return false;
    }
    return false;  // a fourth part
}

// Each part as three decimal digits: the byte order of two keys is then the
// numeric order of their versions. Not a version: the empty key, lowest of all.
VersionKey MakeVersionKey(const wxString& text) {
    VersionKey key{};
    int parts[kVersionParts];
    const wxScopedCharBuffer utf8 = text.utf8_str();
    if (ParseVersion(std::string(utf8.data(), utf8.length()), parts))
        std::snprintf(key.data(), key.size(), "%03d%03d%03d", parts[0], parts[1], parts[2]);
    return key;
}

// Reads the whole stream into bytes; false when it breaks off, grows beyond
// the limit or takes longer than the time allowed.
bool ReadWhole(wxInputStream& in, int timeoutSeconds, std::string& bytes) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    char chunk[4096];
    for (;;) {
        in.Read(chunk, sizeof chunk);
        bytes.append(chunk, in.LastRead());
        if (bytes.size() > kUpdateDocumentLimit) return false;
        if (in.GetLastError() == wxSTREAM_EOF) return true;
        if (in.GetLastError() != wxSTREAM_NO_ERROR) return false;
        if (Clock::now() > deadline) return false;
    }
}

// A parsed address with a host: without one the toolkit has no protocol to
// ask, or asserts while resolving the empty name.
bool IsUsableUpdateUrl(const wxURL& url) {
    return url.GetError() == wxURL_NOERR && !url.GetServer().empty();
}

}  // namespace

bool IsVersionText(const wxString& text) { return MakeVersionKey(text)[0] != '\0'; }

int CompareVersions(const wxString& running, const wxString& fetched) {
    const VersionKey runningKey = MakeVersionKey(running);
    const VersionKey fetchedKey = MakeVersionKey(fetched);
    return std::strncmp(runningKey.data(), fetchedKey.data(), kKeyLength);
}

wxString FindVersionInUpdateDocument(wxInputStream& stream) {
    if (!stream.IsOk()) return wxString();
    wxXmlDocument document;
    {
        wxLogNull quiet;  // a broken document is reported as a failed check
        if (!document.Load(stream, "UTF-8", wxXMLDOC_NONE) || !document.GetRoot())
            return wxString();
    }
    const wxString key = GetProductName();
    wxString result;
    for (const wxXmlNode* node = document.GetRoot()->GetChildren(); node; node = node->GetNext()) {
        for (const wxXmlAttribute* attribute = node->GetAttributes();
             attribute && attribute->GetNext(); attribute = attribute->GetNext()) {
            if (attribute->GetValue() == key) {
                result = attribute->GetNext()->GetValue();
                break;
            }
        }
    }
    return result;
}

wxString DownloadUpdateVersion(wxURL& url, int timeoutSeconds) {
    if (!IsUsableUpdateUrl(url)) return wxString();
    url.GetProtocol().SetTimeout(timeoutSeconds);
    wxLogNull quiet;  // a failed download is reported as such
    std::string bytes;
    {
        const std::unique_ptr<wxInputStream> in(url.GetInputStream());
        if (!in || !ReadWhole(*in, timeoutSeconds, bytes)) return wxString();
    }
    wxMemoryInputStream document(bytes.data(), bytes.size());
    return FindVersionInUpdateDocument(document);
}

void FetchUpdateVersion(wxURL& url, int timeoutSeconds) {
    auto event = std::make_unique<wxCommandEvent>(wxEVT_COMMAND_UPDATE_RESULT, 0);
    {
        // While the socket waits the toolkit may run the event loop; no command
        // (another check, closing the window) may start under the download.
        wxWindowDisabler noInput;
        event->SetString(DownloadUpdateVersion(url, timeoutSeconds));
    }
    wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    if (top) wxQueueEvent(top, event.release());
}

void CheckForUpdate() {
    const DomainOption* option = GetDomainOption();
    if (!option) return;
    wxURL url(option->GetUpdateUrl());
    if (IsUsableUpdateUrl(url)) FetchUpdateVersion(url);
}
