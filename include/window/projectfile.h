// Project files: an XML document with the canvas size, the delay, the name of
// the GIF last saved and the frames' paths. Plain functions, no window needed.
//
//   <project>
//     <name>anim.gif</name>
//     <gif><width>..</width><height>..</height><delay_time>..</delay_time></gif>
//     <images><path>..</path>...</images>
//   </project>
//
// The order of the elements is fixed and readers rely on it.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <memory>
#include <optional>
#include <string>

class wxXmlDocument;

// What a project records.
struct ProjectContent {
    wxString gifName;  // file name of the GIF last saved; empty when none
    int width = 0;
    int height = 0;
    int delay = 0;             // hundredths of a second
    wxArrayString framePaths;  // the frames' paths in strip order
};

// The entries of the image list for frames in strip order: each frame's path,
// and after a run of frames of one GIF that GIF's own path. When the run ends
// the list, the GIF's path stands before the run's last frame instead; a run
// of one frame at the very end gets none. Readers skip these extra entries.
wxArrayString ProjectImageEntries(const wxArrayString& framePaths);

// The project as a document, and as the bytes of its file (UTF-8, indented by 2).
std::unique_ptr<wxXmlDocument> BuildProjectDocument(const ProjectContent& content);
std::string ProjectFileBytes(const ProjectContent& content);

// The path with ".xml" appended unless it already ends with ".xml"
// (case-sensitive: "a.XML" becomes "a.XML.xml").
wxString EnsureXmlExtension(const wxString& path);

enum class ProjectWriteStatus {
    Written,        // the file holds the whole project
    CannotCreate,   // no file could be created beside the target
    CannotWrite,    // writing failed (a full disk, an I/O error)
    CannotReplace,  // the finished file could not take the target's place
};

// Writes the project to path through a temporary file beside it, which takes
// the target's place only once it is complete: unless the result is Written,
// any file at path is left as it was and no temporary file remains.
ProjectWriteStatus WriteProjectFile(const wxString& path, const ProjectContent& content);

// What the user is told when writing path ended with status (not Written).
wxString ProjectWriteFailureText(ProjectWriteStatus status, const wxString& path);

// A number as project files store it: leading blanks, a sign and decimal
// digits, anything after them ignored; 0 without digits; clamped to the int
// range.
int ParseProjectNumber(const wxString& text);

// How the image list of a project file ends the reading.
enum class ProjectImages {
    Missing,   // no images element where it belongs
    Empty,     // an images element without entries
    Misnamed,  // an entry other than path: nothing is to be loaded
    Listed,    // entries holds every path entry
};

// What a reader found, in the fixed order of the file. Reading stops at the
// first element that is not where it belongs; what was found before it stays.
struct ProjectReading {
    bool parsed = false;          // the file is XML with a root element
    std::optional<int> width;     // project, name, gif and width in place
    std::optional<int> height;    // and height: gifName was read with it
    wxString gifName;
    std::optional<int> delay;     // and delay_time
    ProjectImages images = ProjectImages::Missing;
    wxArrayString entries;        // texts of the path entries, in order
};

ProjectReading ReadProjectDocument(const wxXmlDocument& document);
// Loads the file as UTF-8; a file that cannot be parsed gives parsed false
// (the toolkit logs why).
ProjectReading ReadProjectFile(const wxString& path);

// The paths to load from the entries of an image list: all but empty ones and
// the GIFs' own end-of-run entries. Files that are gone are kept, so that the
// import names them.
wxArrayString ProjectPathsToLoad(const wxArrayString& entries);
