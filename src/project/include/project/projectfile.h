// Project files: an XML document with the canvas size, the delay, the name of
// the GIF last saved and the frames' paths. Plain functions, no window needed.
//
//   <project>
//     <name>anim.gif</name>
//     <gif><width>..</width><height>..</height><delay_time>..</delay_time></gif>
//     <images><path delay=".." turn=".." mirror="1" captions="1 2">..</path>...</images>
//     <loop_count>..</loop_count>      (optional; absent means forever)
//     <transparent>1</transparent>     (optional; absent means off)
//     <webp_quality>..</webp_quality>  (optional; absent means 80)
//     <crop x=".." y=".." width=".." height=".."/>   (optional; absent means none)
//     <caption anchor=".." ...>text</caption>  <overlay file=".." .../>
//                                      (optional; numbered 1, 2... in order)
//     <colours>..</colours>            (optional; absent means 256)
//     <dither>none|ordered|diffuse</dither>  (optional; absent means diffuse)
//     <dither_strength>..</dither_strength>  (optional; absent means the
//                                      quality's: 25 for fast, else 50)
//     <lossy>..</lossy>                (optional; absent means 0)
//     <size_limit bytes=".." levers="lossy,colours,scale,fps"/>
//                                      (optional; absent means no limit)
//   </project>
//
// The order of the elements is fixed and readers rely on it. Everything added
// to the first format (the attributes of path, the elements after images) is
// ignored by readers that do not know it, which read such a file as before.
#pragma once

#include "document/document.h"
#include "gif/export.h"
#include "gif/render.h"

#include <wx/arrstr.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

#include <optional>
#include <string>
#include <vector>

class XmlTree;

// The quantiser's quality as a project stores it.
constexpr int kProjectQualityFast = 0;
constexpr int kProjectQualityStandard = 1;
constexpr int kProjectQualityBest = 2;

// What a project records.
struct ProjectContent {
    wxString gifName;  // the GIF last saved as StoreProjectPath gives it; empty when none
    int width = 0;
    int height = 0;
    int delay = 0;             // hundredths of a second
    wxArrayString framePaths;  // the frames' paths in strip order
    // Each frame's delay in hundredths of a second, parallel to framePaths;
    // when empty (or of another length) the frames get no delay of their own.
    std::vector<int> frameDelays;
    // Each frame's turn, parallel to framePaths like the delays.
    std::vector<FrameTurn> frameTurns;
    wxRect crop;               // empty: none
    int loopCount = 0;         // passes the GIF plays; 0 is forever
    bool transparent = false;  // transparent pixels stay transparent in the GIF
    bool optimise = true;      // frames after the first store only what changed
    int quality = 1;           // kProjectQuality*
    int webpQuality = kDefaultWebpQuality;  // the lossy frames' quality when written as WebP
    // The captions and overlays the frames show; each frame's, parallel to
    // framePaths, as indices into captions.
    std::vector<CaptionLook> captions;
    std::vector<std::vector<int>> frameCaptions;
    int colours = kMaxGifColours;  // at most this many in a colour table
    GifDither dither = GifDither::Diffuse;
    int ditherStrength = kDefaultDitherStrength;  // percent; stored when not the quality's own
    int lossy = 0;
    long long maxBytes = 0;  // the GIF's size limit; 0: none
    std::vector<SizeLever> levers = DefaultSizeLevers();  // what the limit may give up, in order
};

// The entries of the image list for frames in strip order: each frame's path,
// and after a run of frames of one GIF that GIF's own path. When the run ends
// the list, the GIF's path stands before the run's last frame instead; a run
// of one frame at the very end gets none. Readers skip these extra entries.
wxArrayString ProjectImageEntries(const wxArrayString& framePaths);

// The bytes of the project's file: UTF-8, indented by 2, written in one pass.
std::string ProjectFileBytes(const ProjectContent& content);

// The path with ".xml" appended unless it already ends with ".xml"
// (case-sensitive: "a.XML" becomes "a.XML.xml").
wxString EnsureXmlExtension(const wxString& path);

enum class ProjectWriteStatus {
    Written,        // the file holds the whole project
    NotAFile,       // the target is a device, a pipe or a socket: nothing was written
    CannotCreate,   // no file could be created beside the target
    CannotWrite,    // writing failed (a full disk, an I/O error)
    CannotReplace,  // the finished file could not take the target's place
};

// Writes the project to path through a temporary file beside it, which takes
// the target's place only once it is complete: unless the result is Written,
// any file at path is left as it was and no temporary file remains. A
// symbolic link at path stays; the file it points to is replaced.
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

// Why a file cannot be opened as a project.
enum class ProjectProblem {
    None,
    CannotRead,   // missing, unreadable, or not an ordinary file
    TooLarge,     // a larger file than a project may be
    TooManyParts, // more elements, texts and attributes than a project may hold
    TextTooLong,  // a value in it too long for a project; problemLine says where
    Damaged,      // not well-formed XML; ProjectReading::problemLine says where
    NotAProject,  // XML, but not laid out as a project (or with declarations)
};

// Width and height as a project gives them: at most what a GIF can store; 0
// when the file holds no usable size (no digits, 0 or negative), so that the
// frames give it instead.
constexpr int kProjectMaxSide = 65535;

// What a reader found, in the fixed order of the file. Reading stops at the
// first element that is not where it belongs; what was found before it stays.
struct ProjectReading {
    bool parsed = false;          // the file is XML with a root element
    // NotAProject when the root is not project or the images element was not
    // reached where it belongs, or held an entry other than path.
    ProjectProblem problem = ProjectProblem::None;
    int problemLine = 0;          // for Damaged and TextTooLong
    std::optional<int> width;     // project, name, gif and width in place; 0..65535
    std::optional<int> height;    // and height: gifName was read with it; 0..65535
    wxString gifName;             // the name element's text
    wxString gifPath;             // that name resolved against the project's folder
    std::optional<int> delay;     // and delay_time; 0..65535
    ProjectImages images = ProjectImages::Missing;
    // Texts of the path entries, in order; those without a folder at their
    // start are resolved against the project's folder by ReadProjectFile.
    wxArrayString entries;
    // Each entry's delay: its delay attribute, else the file's delay_time
    // (0 without one); 0..65535. Parallel to entries.
    std::vector<int> entryDelays;
    // Each entry's turn (turn and mirror attributes); none without them.
    std::vector<FrameTurn> entryTurns;
    wxRect crop;                  // crop after images; empty when absent or unusable
    int loopCount = 0;            // loop_count after images; 0 (forever) when absent
    bool transparent = false;     // transparent after images; off when absent
    bool optimise = true;         // optimise after images; on when absent
    int quality = 1;              // quality after images; standard when absent
    int webpQuality = kDefaultWebpQuality;  // webp_quality after images
    // The caption and overlay elements after images in order, an overlay's
    // picture resolved and loaded; each entry's captions attribute as
    // indices into them (those beyond them left out).
    std::vector<CaptionLook> captions;
    std::vector<std::vector<int>> entryCaptions;
    int colours = kMaxGifColours;  // colours after images; 2..256
    GifDither dither = GifDither::Diffuse;  // dither; diffuse when absent or an unknown word
    // dither_strength; 0..100. Absent, the quality's own, so that an older
    // project saved with the fast quality keeps its lighter dithering.
    int ditherStrength = kDefaultDitherStrength;
    int lossy = 0;  // lossy; 0..100
    // size_limit's bytes, 1..10^15; 0 (none) when absent or not such a number.
    long long maxBytes = 0;
    // size_limit's levers; the usual order when absent, or when it names an
    // unknown lever or one twice.
    std::vector<SizeLever> levers = DefaultSizeLevers();
};

// What the tree holds as a project; entries are taken as written.
ProjectReading ReadProjectTree(const XmlTree& tree);
// Reads the file (at most 16 MB, nested at most a few levels) and resolves
// the paths in it against its folder. Never blocks on a pipe or a device.
ProjectReading ReadProjectFile(const wxString& path);

// What the user is told when reading path found reading.problem (not None).
wxString ProjectReadProblemText(const ProjectReading& reading, const wxString& path);

// The paths to load from the entries of an image list: all but empty ones and
// the GIFs' own end-of-run entries. Files that are gone are kept, so that the
// import names them.
wxArrayString ProjectPathsToLoad(const wxArrayString& entries);

// The frames to load, as ProjectPathsToLoad chooses them, with their delays.
struct ProjectFrames {
    wxArrayString paths;
    std::vector<int> delays;  // parallel to paths
    std::vector<FrameTurn> turns;  // parallel to paths
    std::vector<CaptionList> captions;  // parallel to paths; frames share a caption
};
ProjectFrames ProjectFramesToLoad(const ProjectReading& reading);

// A path as a project stores it, made whole: one that does not start at the
// root is relative to the project file's folder. Empty stays empty.
wxString ResolveProjectPath(const wxString& stored, const wxString& projectFile);
// How a project at projectFile stores path (a full path): relative to the
// project's folder when it lies in that folder or below it, else in full.
// Empty stays empty.
wxString StoreProjectPath(const wxString& path, const wxString& projectFile);
