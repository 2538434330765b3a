#include "window/projectfile.h"

#include "window/framepath.h"
#include "window/replacingfile.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>
#include <wx/xml/xml.h>


#include <climits>
#include <cstdio>

namespace {

// Appends an element, with a text when one is given; wxXmlNode's parent
// constructor would put it first instead.
wxXmlNode* AddElement(wxXmlNode* parent, const wxString& name) {
    auto* element = new wxXmlNode(wxXML_ELEMENT_NODE, name);
    parent->AddChild(element);
    return element;
}

wxXmlNode* AddElement(wxXmlNode* parent, const wxString& name, const wxString& text) {
    wxXmlNode* element = AddElement(parent, name);
    element->AddChild(new wxXmlNode(wxXML_TEXT_NODE, wxEmptyString, text));
    return element;
}

wxString Number(int value) { return wxString::Format("%d", value); }

// The node when it is the element name, else null; null stays null.
const wxXmlNode* Expect(const wxXmlNode* node, const char* name) {
    if (!node || node->GetType() != wxXML_ELEMENT_NODE || node->GetName() != name) return nullptr;
    return node;
}

}  // namespace

wxArrayString ProjectImageEntries(const wxArrayString& framePaths) {
    wxArrayString entries;
    const size_t n = framePaths.size();
    for (size_t i = 0; i < n; ++i) {
        const wxString& path = framePaths[i];
        entries.Add(path);
        if (i + 1 == n || FrameIndexFromPath(path) < 0) continue;
        const wxString gif = StripFrameSuffix(path);
        const bool runGoesOn = framePaths[i + 1].StartsWith(gif);
        if (!runGoesOn || i + 2 == n) entries.Add(gif);
    }
    return entries;
}

std::unique_ptr<wxXmlDocument> BuildProjectDocument(const ProjectContent& content) {
    auto document = std::make_unique<wxXmlDocument>();
    auto* project = new wxXmlNode(wxXML_ELEMENT_NODE, "project");
    document->SetRoot(project);
    AddElement(project, "name", content.gifName);
    wxXmlNode* gif = AddElement(project, "gif");
    AddElement(gif, "width", Number(content.width));
    AddElement(gif, "height", Number(content.height));
    AddElement(gif, "delay_time", Number(content.delay));
    wxXmlNode* images = AddElement(project, "images");
    for (const wxString& entry : ProjectImageEntries(content.framePaths))
        AddElement(images, "path", entry);
    return document;
}

std::string ProjectFileBytes(const ProjectContent& content) {
    wxMemoryOutputStream stream;
    if (!BuildProjectDocument(content)->Save(stream, 2)) return std::string();
    std::string bytes(stream.GetLength(), '\0');
    stream.CopyTo(&bytes[0], bytes.size());
    return bytes;
}

wxString EnsureXmlExtension(const wxString& path) {
    return path.EndsWith(".xml") ? path : path + ".xml";
}

ProjectWriteStatus WriteProjectFile(const wxString& path, const ProjectContent& content) {
    const std::string bytes = ProjectFileBytes(content);
    if (bytes.empty()) return ProjectWriteStatus::CannotWrite;
    // The caller tells the user; the toolkit's own messages would repeat it.
    wxLogNull quiet;
    ReplacingFile file(path, "tmp");
    if (!file.IsOpened()) return ProjectWriteStatus::CannotCreate;
    if (file.File().Write(bytes.data(), bytes.size()) != bytes.size())
        return ProjectWriteStatus::CannotWrite;
    switch (file.Commit()) {
        case ReplacingFile::Result::Replaced: return ProjectWriteStatus::Written;
        case ReplacingFile::Result::CannotReplace: return ProjectWriteStatus::CannotReplace;
        default: return ProjectWriteStatus::CannotWrite;
    }
}

wxString ProjectWriteFailureText(ProjectWriteStatus status, const wxString& path) {
    // New texts, not in the catalogs yet: English in every language.
    const char* text = nullptr;
    switch (status) {
        case ProjectWriteStatus::CannotCreate:
            text = "The project file \"%s\" cannot be created: the folder does not exist or "
                   "cannot be written to.";
            break;
        case ProjectWriteStatus::CannotReplace:
            text = "The project file \"%s\" was not saved: the file of that name could not be "
                   "replaced.";
            break;
        default:
            text = "The project file \"%s\" could not be written completely; the disk may be "
                   "full.";
            break;
    }
    return wxString::Format(text, path) + "\nAny file of that name was left as it was.";
}

int ParseProjectNumber(const wxString& text) {
    size_t i = 0;
    const size_t n = text.length();
    auto isBlank = [](wxUniChar c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (i < n && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) break;  // the rest cannot bring it back
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

ProjectReading ReadProjectDocument(const wxXmlDocument& document) {
    ProjectReading reading;
    const wxXmlNode* project = document.IsOk() ? document.GetRoot() : nullptr;
    if (!project) return reading;
    reading.parsed = true;
    project = Expect(project, "project");
    const wxXmlNode* name = Expect(project ? project->GetChildren() : nullptr, "name");
    const wxXmlNode* gif = Expect(name ? name->GetNext() : nullptr, "gif");
    const wxXmlNode* width = Expect(gif ? gif->GetChildren() : nullptr, "width");
    if (!width) return reading;
    reading.width = ParseProjectNumber(width->GetNodeContent());
    const wxXmlNode* height = Expect(width->GetNext(), "height");
    if (!height) return reading;
    reading.height = ParseProjectNumber(height->GetNodeContent());
    reading.gifName = name->GetNodeContent();
    const wxXmlNode* delay = Expect(height->GetNext(), "delay_time");
    if (!delay) return reading;
    reading.delay = ParseProjectNumber(delay->GetNodeContent());
    const wxXmlNode* images = Expect(gif->GetNext(), "images");
    if (!images) return reading;
    reading.images = images->GetChildren() ? ProjectImages::Listed : ProjectImages::Empty;
    for (const wxXmlNode* entry = images->GetChildren(); entry; entry = entry->GetNext()) {
        if (!Expect(entry, "path")) {
            reading.images = ProjectImages::Misnamed;
            reading.entries.clear();
            break;
        }
        reading.entries.Add(entry->GetNodeContent());
    }
    return reading;
}

ProjectReading ReadProjectFile(const wxString& path) {
    wxXmlDocument document;
    if (!document.Load(path, "UTF-8")) return ProjectReading();
    return ReadProjectDocument(document);
}

wxArrayString ProjectPathsToLoad(const wxArrayString& entries) {
    wxArrayString paths;
    for (size_t i = 0; i < entries.size(); ++i) {
        const wxString& entry = entries[i];
        // A GIF's end-of-run entry follows its frames; an older project's
        // ANIM.GIF entry on its own is a picture.
        const bool endOfRun = entry.EndsWith(".gif") ||
                              (i > 0 && FrameIndexFromPath(entries[i - 1]) >= 0 &&
                               StripFrameSuffix(entries[i - 1]) == entry);
        // Missing files stay: the import names them.
        if (!endOfRun && !entry.empty()) paths.Add(entry);
    }
    return paths;
}
