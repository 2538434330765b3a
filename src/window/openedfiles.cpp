#include "window/openedfiles.h"

#include "import/pictureformat.h"
#include "import/videoreader.h"

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <string>

namespace {

// Enough for a declaration, comments and a document type before the root.
constexpr size_t kSniffBytes = 8192;

std::string FileStart(const wxString& path) {
    wxLogNull quiet;
    wxFFile file(path, "rb");
    if (!file.IsOpened()) return {};
    std::string bytes(kSniffBytes, '\0');
    bytes.resize(file.Read(&bytes[0], bytes.size()));
    return bytes;
}

// Skips what may stand before the root element: white space, the XML
// declaration and processing instructions, comments and a document type
// (with an internal subset). npos when the text ends first.
size_t RootElementStart(const std::string& text) {
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (true) {
        at = text.find_first_not_of(" \t\r\n", at);
        if (at == std::string::npos || text[at] != '<') return std::string::npos;
        size_t end;
        if (text.compare(at, 2, "<?") == 0) {
            end = text.find("?>", at);
        } else if (text.compare(at, 4, "<!--") == 0) {
            end = text.find("-->", at);
        } else if (text.compare(at, 2, "<!") == 0) {
            const size_t close = text.find('>', at);
            const size_t subset = text.find('[', at);
            end = subset < close ? text.find("]", subset) : close;
            if (end != std::string::npos) end = text.find('>', end);
        } else {
            return at + 1;
        }
        if (end == std::string::npos) return std::string::npos;
        at = text.find('>', end) + 1;
    }
}

bool HasXmlExtension(const wxString& path) {
    return wxFileName(path).GetExt().Lower() == "xml";
}

}  // namespace

bool HasProjectRoot(const wxString& path) {
    if (!wxFileName::FileExists(path)) return false;
    const std::string text = FileStart(path);
    const size_t name = RootElementStart(text);
    if (name == std::string::npos) return false;
    const size_t nameEnd = text.find_first_of(" \t\r\n/>", name);
    return nameEnd != std::string::npos && text.compare(name, nameEnd - name, "project") == 0;
}

bool IsPicture(const wxString& path) {
    if (!wxFileName::FileExists(path)) return false;
    wxLogNull quiet;
    for (const wxBitmapType type :
         {wxBITMAP_TYPE_PNG, wxBITMAP_TYPE_JPEG, wxBITMAP_TYPE_BMP, wxBITMAP_TYPE_GIF}) {
        wxImageHandler* handler = wxImage::FindHandler(type);
        if (handler && handler->CanRead(path)) return true;
    }
    return PictureFormatOfFile(path) != PictureFormat::None || LooksLikeVideo(path);
}

OpenedFiles SortOpenedFiles(const wxArrayString& paths) {
    OpenedFiles files;
    size_t project = paths.size();
    for (size_t i = 0; i < paths.size() && project == paths.size(); ++i)
        if (HasXmlExtension(paths[i]) && HasProjectRoot(paths[i])) project = i;
    if (project < paths.size()) files.project = paths[project];
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i == project) continue;
        if (!wxFileName::Exists(paths[i]))
            files.missing.Add(paths[i]);
        else if (files.project.empty() && IsPicture(paths[i]))
            files.pictures.Add(paths[i]);
        else
            files.skipped.Add(paths[i]);
    }
    return files;
}

wxString SkippedFilesText(const wxArrayString& skipped) {
    wxString names;
    for (const wxString& path : skipped) names += (names.empty() ? "" : "\n") + path;
    return wxString::Format(wxGetTranslation("Only pictures (PNG, JPEG, BMP, GIF, WebP), videos or one "
                                             "project file can be opened. These were skipped:\n\n%s"),
                            names);
}

wxString UnopenedFilesText(const OpenedFiles& files) {
    wxString text;
    if (!files.missing.empty()) {
        wxString names;
        for (const wxString& path : files.missing) names += (names.empty() ? "" : "\n") + path;
        text = wxString::Format(wxGetTranslation("These files were not found:\n\n%s"), names);
    }
    if (!files.skipped.empty()) text += (text.empty() ? "" : "\n\n") + SkippedFilesText(files.skipped);
    return text;
}
