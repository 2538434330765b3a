#include "base/folders.h"

#include "base/platform.h"

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include <cctype>
#include <climits>

wxString GetMakerName() { return wxString("Marvolent", wxConvLocal); }

wxString GetProductString() { return wxString("Marvolent+Loopwright", wxConvLocal); }

wxString GetProductName() {
    wxString name = GetProductString();
    name.Replace("+", " ");
    return name;
}

wxString GetProductVersion() { return wxString("1.0.80", wxConvLocal); }

wxString RootDirFromProgramPath(const wxString& programPath) {
    wxString path = programPath;
    path.Replace("\\", "/");
    const int exeSlash = path.Find('/', true);
    if (exeSlash == wxNOT_FOUND) return wxString();
    const wxString exeDir = path.Left(static_cast<size_t>(exeSlash));
    const int rootSlash = exeDir.Find('/', true);
    if (rootSlash == wxNOT_FOUND) return wxString();
    return exeDir.Left(static_cast<size_t>(rootSlash));
}

wxString GetRootDir() {
    return RootDirFromProgramPath(wxStandardPaths::Get().GetExecutablePath());
}

wxString GetOptionFilePath() { return GetRootDir() + "/option.cfg"; }

wxString UserDataDirUnder(const wxString& documentsDir) {
    wxString path = documentsDir;
    path.Replace("\\", "/");
    path += "/" + GetMakerName() + " files";
    MakeFolder(path);
    path += "/" + GetProductName();
    MakeFolder(path);
    return path;
}

wxString GetUserDataDir() { return UserDataDirUnder(GetDocumentsFolder()); }

wxString GetLanguageFilePath() { return GetUserDataDir() + "/language.txt"; }

wxString GetSaveFolderListPath() {
    wxString path = GetDocumentsFolder();
    path.Replace("\\", "/");
    return path + "/" + GetMakerName() + " files/" + GetProductName() + "/save-folders.txt";
}

int ParseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate in a wider type and clamp, so that a long run of digits gives
    // a large number instead of undefined overflow.
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return static_cast<int>(value);
}

int ReadLanguageCode() {
    const wxString path = GetLanguageFilePath();
    if (!wxFileName::FileExists(path)) {
        WriteLanguageCode(58);
        return 58;
    }
    wxLogNull quiet;
    wxFFile file(path, "rb");
    if (!file.IsOpened()) return 0;
    char bytes[8];
    const size_t got = file.Read(bytes, sizeof bytes);
    file.Close();
    return ParseLeadingInt(std::string(bytes, got));
}

void WriteLanguageCode(int code) {
    const wxString path = GetLanguageFilePath();
    wxLogNull quiet;
    wxFFile file(path, "wb");
    if (!file.IsOpened()) return;
    file.Write(wxString::Format("%d", code), wxConvAuto());
    file.Close();
}
