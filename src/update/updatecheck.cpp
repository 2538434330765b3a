#include "update/updatecheck.h"

#include "base/folders.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/uri.h>
#include <wx/xml/xml.h>

#include <array>
#include <cstdio>
#include <cstring>
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

bool IsUsableUpdateAddress(const wxString& address) {
    const wxURI uri(address);
    const wxString scheme = uri.GetScheme().Lower();
    return (scheme == "http" || scheme == "https") && !uri.GetServer().empty();
}

wxString DownloadUpdateVersion(const UpdateFetchRequest& request) {
    if (!IsUsableUpdateAddress(wxString::FromUTF8(request.url))) return wxString();
    std::string bytes;
    if (!FetchUpdateDocument(request, bytes)) return wxString();
    wxMemoryInputStream document(bytes.data(), bytes.size());
    return FindVersionInUpdateDocument(document);
}
