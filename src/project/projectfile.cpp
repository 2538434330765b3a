#include "project/projectfile.h"

#include "base/filenames.h"
#include "files/replacingfile.h"
#include "files/wholepath.h"
#include "import/framepath.h"
#include "import/overlaypicture.h"
#include "project/projectcaptions.h"
#include "project/xmltext.h"
#include "xmlread/xmltree.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <algorithm>
#include <climits>

namespace {

void AppendElement(std::string& out, const char* indent, const char* name, const wxString& text) {
    out.append(indent).append("<").append(name).append(">");
    AppendXmlText(out, text);
    out.append("</").append(name).append(">\n");
}

void AppendNumberElement(std::string& out, const char* indent, const char* name, int value) {
    out.append(indent).append("<").append(name).append(">");
    out.append(std::to_string(value)).append("</").append(name).append(">\n");
}

// One entry of the image list: a frame's path, or after a run of frames of
// one GIF that GIF's path (frame -1).
struct ImageEntry {
    wxString path;
    int frame;
};

std::vector<ImageEntry> ImageEntries(const wxArrayString& framePaths) {
    std::vector<ImageEntry> entries;
    const size_t n = framePaths.size();
    for (size_t i = 0; i < n; ++i) {
        const wxString& path = framePaths[i];
        entries.push_back({path, static_cast<int>(i)});
        if (i + 1 == n || FrameIndexFromPath(path) < 0) continue;
        const wxString gif = StripFrameSuffix(path);
        const bool runGoesOn = framePaths[i + 1].StartsWith(gif);
        if (!runGoesOn || i + 2 == n) entries.push_back({gif, -1});
    }
    return entries;
}

// The image list; a frame's own delay goes with its entry.
void AppendImages(std::string& out, const ProjectContent& content) {
    const std::vector<ImageEntry> entries = ImageEntries(content.framePaths);
    if (entries.empty()) {
        out += "  <images/>\n";
        return;
    }
    const bool delays = content.frameDelays.size() == content.framePaths.size();
    const bool turns = content.frameTurns.size() == content.framePaths.size();
    const bool captions = content.frameCaptions.size() == content.framePaths.size();
    out += "  <images>\n";
    for (const ImageEntry& entry : entries) {
        out += "    <path";
        if (delays && entry.frame >= 0)
            out.append(" delay=\"").append(std::to_string(content.frameDelays[entry.frame])).append("\"");
        // Only turned frames say so: a file without turns reads as before everywhere.
        const FrameTurn turn = turns && entry.frame >= 0 ? content.frameTurns[entry.frame] : FrameTurn();
        if (turn.quarterTurns != 0) out.append(" turn=\"").append(std::to_string(turn.quarterTurns)).append("\"");
        if (turn.mirrored) out += " mirror=\"1\"";
        if (captions && entry.frame >= 0 && !content.frameCaptions[entry.frame].empty())
            out.append(" captions=\"").append(CaptionNumbers(content.frameCaptions[entry.frame])).append("\"");
        out += ">";
        AppendXmlText(out, entry.path);
        out += "</path>\n";
    }
    out += "  </images>\n";
}

// Delays and the loop count are 16-bit numbers in a GIF.
constexpr int kGifMaxNumber = 65535;

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

int NumberIn(const std::string& text, int low, int high) {
    return Clamp(ParseProjectNumber(wxString::FromUTF8(text)), low, high);
}

// The node when it is the element name, else None; None stays None.
XmlTree::Id Expect(const XmlTree& tree, XmlTree::Id node, const char* name) {
    return tree.IsElement(node, name) ? node : XmlTree::None;
}

// What a project needs: three levels (project, images, path); a little more
// is allowed, nothing near what could exhaust anything.
XmlLimits ProjectLimits() {
    XmlLimits limits;
    limits.maxDepth = 6;
    return limits;
}

ProjectProblem ToProjectProblem(XmlProblem problem) {
    switch (problem) {
        case XmlProblem::None: return ProjectProblem::None;
        case XmlProblem::CannotOpen: return ProjectProblem::CannotRead;
        case XmlProblem::FileTooLarge: return ProjectProblem::TooLarge;
        case XmlProblem::TooManyNodes: return ProjectProblem::TooManyParts;
        case XmlProblem::TextTooLong: return ProjectProblem::TextTooLong;
        case XmlProblem::Malformed: return ProjectProblem::Damaged;
        default: return ProjectProblem::NotAProject;
    }
}

// A number attribute within [low, high]; fallback when absent.
int NumberAttribute(const XmlTree& tree, XmlTree::Id node, const char* name, int low, int high, int fallback) {
    const std::string* text = tree.Attribute(node, name);
    return text ? NumberIn(*text, low, high) : fallback;
}

// A crop of at least one pixel inside what a GIF can hold; else none.
wxRect ReadCrop(const XmlTree& tree, XmlTree::Id node) {
    const wxRect crop(NumberAttribute(tree, node, "x", 0, kProjectMaxSide, 0),
                      NumberAttribute(tree, node, "y", 0, kProjectMaxSide, 0),
                      NumberAttribute(tree, node, "width", 0, kProjectMaxSide, 0),
                      NumberAttribute(tree, node, "height", 0, kProjectMaxSide, 0));
    return crop.IsEmpty() ? wxRect() : crop;
}

FrameTurn ReadTurn(const XmlTree& tree, XmlTree::Id entry) {
    FrameTurn turn;
    turn.quarterTurns = NumberAttribute(tree, entry, "turn", 0, 3, 0);
    turn.mirrored = NumberAttribute(tree, entry, "mirror", 0, 1, 0) != 0;
    return turn;
}

// The text without the blanks around it, as numbers are read past them.
std::string Trimmed(const std::string& text) {
    const char* const blanks = " \t\n\r\v\f";
    const size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos) return std::string();
    return text.substr(start, text.find_last_not_of(blanks) - start + 1);
}

const char* DitherName(GifDither dither) {
    switch (dither) {
        case GifDither::None: return "none";
        case GifDither::Ordered: return "ordered";
        default: return "diffuse";
    }
}

// An unknown word is the usual diffusion, which every GIF looks right with.
GifDither ReadDither(const std::string& text) {
    const std::string word = Trimmed(text);
    if (word == "none") return GifDither::None;
    if (word == "ordered") return GifDither::Ordered;
    return GifDither::Diffuse;
}

const char* LeverName(SizeLever lever) {
    switch (lever) {
        case SizeLever::Lossy: return "lossy";
        case SizeLever::Colours: return "colours";
        case SizeLever::Scale: return "scale";
        default: return "fps";
    }
}

std::string LeverNames(const std::vector<SizeLever>& levers) {
    std::string names;
    for (SizeLever lever : levers) names.append(names.empty() ? "" : ",").append(LeverName(lever));
    return names;
}

// The levers a size_limit names, in order; none when it names none, an
// unknown one or one twice, which the caller takes as the usual order.
std::optional<std::vector<SizeLever>> ReadLevers(const std::string& text) {
    std::vector<SizeLever> levers;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string name = Trimmed(text.substr(start, end - start));
        std::optional<SizeLever> lever;
        for (SizeLever known : DefaultSizeLevers())
            if (name == LeverName(known)) lever = known;
        if (!lever || std::find(levers.begin(), levers.end(), *lever) != levers.end()) return std::nullopt;
        levers.push_back(*lever);
        start = end + 1;
    }
    return levers;
}

// The largest size limit a project keeps: far beyond any GIF.
constexpr long long kMostLimitBytes = 1000000000000000LL;

// A size limit in bytes: decimal digits alone (blanks around them allowed),
// 1..10^15; anything else is no limit (0), since a wrong limit would shrink
// the GIF for nothing.
long long ReadLimitBytes(const std::string& text) {
    const std::string digits = Trimmed(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > kMostLimitBytes) return 0;
    }
    return value;
}

// The entries that follow images: each optional, in any order.
void ReadAfterImages(const XmlTree& tree, XmlTree::Id images, ProjectReading& reading) {
    // Its default follows the quality, which may come after it.
    std::optional<int> ditherStrength;
    for (XmlTree::Id node = tree.Next(images); node != XmlTree::None; node = tree.Next(node)) {
        if (tree.IsElement(node, "loop_count"))
            reading.loopCount = NumberIn(tree.Content(node), 0, kGifMaxNumber);
        else if (tree.IsElement(node, "transparent"))
            reading.transparent = ParseProjectNumber(wxString::FromUTF8(tree.Content(node))) != 0;
        else if (tree.IsElement(node, "optimise"))
            reading.optimise = ParseProjectNumber(wxString::FromUTF8(tree.Content(node))) != 0;
        else if (tree.IsElement(node, "quality"))
            reading.quality = NumberIn(tree.Content(node), kProjectQualityFast, kProjectQualityBest);
        else if (tree.IsElement(node, "webp_quality"))
            reading.webpQuality = NumberIn(tree.Content(node), 0, 100);
        else if (tree.IsElement(node, "crop"))
            reading.crop = ReadCrop(tree, node);
        else if (tree.IsElement(node, "colours"))
            reading.colours = NumberIn(tree.Content(node), kMinGifColours, kMaxGifColours);
        else if (tree.IsElement(node, "dither"))
            reading.dither = ReadDither(tree.Content(node));
        else if (tree.IsElement(node, "dither_strength"))
            ditherStrength = NumberIn(tree.Content(node), 0, 100);
        else if (tree.IsElement(node, "lossy"))
            reading.lossy = NumberIn(tree.Content(node), 0, kMaxLossy);
        else if (tree.IsElement(node, "size_limit")) {
            const std::string* bytes = tree.Attribute(node, "bytes");
            reading.maxBytes = bytes ? ReadLimitBytes(*bytes) : 0;
            const std::string* levers = tree.Attribute(node, "levers");
            std::optional<std::vector<SizeLever>> named;
            if (levers) named = ReadLevers(*levers);
            reading.levers = named ? *named : DefaultSizeLevers();
        } else if (reading.captions.size() < kProjectMostCaptions) {
            CaptionLook caption;
            if (ReadCaptionElement(tree, node, caption)) reading.captions.push_back(caption);
        }
    }
    reading.ditherStrength =
        ditherStrength.value_or(DefaultDitherStrength(static_cast<GifQuality>(reading.quality)));
}

// The project file's folder in full, ending with "/".
wxString ProjectFolder(const wxString& projectFile) {
    const wxString folder = wxPathOnly(wxFileName(projectFile).GetAbsolutePath());
    return folder.EndsWith("/") ? folder : folder + "/";
}

wxString ResolveIn(const wxString& stored, const wxString& folder) {
    return stored.empty() || stored.StartsWith("/") ? stored : WholePath(folder + stored);
}

wxString FromUtf8(const std::string& text) { return wxString::FromUTF8(text.data(), text.size()); }

}  // namespace

wxArrayString ProjectImageEntries(const wxArrayString& framePaths) {
    wxArrayString entries;
    for (const ImageEntry& entry : ImageEntries(framePaths)) entries.Add(entry.path);
    return entries;
}

std::string ProjectFileBytes(const ProjectContent& content) {
    std::string out;
    out.reserve(256 + 64 * content.framePaths.size());
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project>\n";
    AppendElement(out, "  ", "name", content.gifName);
    out += "  <gif>\n";
    AppendNumberElement(out, "    ", "width", content.width);
    AppendNumberElement(out, "    ", "height", content.height);
    AppendNumberElement(out, "    ", "delay_time", content.delay);
    out += "  </gif>\n";
    AppendImages(out, content);
    // Written only when they differ from what their absence means.
    if (content.loopCount != 0) AppendNumberElement(out, "  ", "loop_count", content.loopCount);
    if (content.transparent) AppendNumberElement(out, "  ", "transparent", 1);
    if (!content.optimise) AppendNumberElement(out, "  ", "optimise", 0);
    if (content.quality != kProjectQualityStandard)
        AppendNumberElement(out, "  ", "quality", content.quality);
    if (content.webpQuality != kDefaultWebpQuality)
        AppendNumberElement(out, "  ", "webp_quality", content.webpQuality);
    if (!content.crop.IsEmpty())
        out += "  <crop x=\"" + std::to_string(content.crop.x) + "\" y=\"" + std::to_string(content.crop.y) +
               "\" width=\"" + std::to_string(content.crop.width) + "\" height=\"" +
               std::to_string(content.crop.height) + "\"/>\n";
    AppendCaptionElements(out, content.captions);
    if (content.colours != kMaxGifColours) AppendNumberElement(out, "  ", "colours", content.colours);
    if (content.dither != GifDither::Diffuse) AppendElement(out, "  ", "dither", DitherName(content.dither));
    if (content.ditherStrength != DefaultDitherStrength(static_cast<GifQuality>(content.quality)))
        AppendNumberElement(out, "  ", "dither_strength", content.ditherStrength);
    if (content.lossy != 0) AppendNumberElement(out, "  ", "lossy", content.lossy);
    if (content.maxBytes > 0)
        out += "  <size_limit bytes=\"" + std::to_string(content.maxBytes) + "\" levers=\"" +
               LeverNames(content.levers) + "\"/>\n";
    out += "</project>\n";
    return out;
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
    if (file.TargetRefusal() == ReplacingFile::Refusal::Folder) return ProjectWriteStatus::CannotReplace;
    if (file.TargetRefused()) return ProjectWriteStatus::NotAFile;
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
    const char* text = nullptr;
    switch (status) {
        case ProjectWriteStatus::NotAFile:
            text = wxTRANSLATE("The project file \"%s\" was not saved: that name belongs to a "
                               "device, a pipe or a socket, not to an ordinary file.");
            break;
        case ProjectWriteStatus::CannotCreate:
            text = wxTRANSLATE("The project file \"%s\" cannot be created: the folder does not "
                               "exist or cannot be written to.");
            break;
        case ProjectWriteStatus::CannotReplace:
            text = wxTRANSLATE("The project file \"%s\" was not saved: the file of that name "
                               "could not be replaced.");
            break;
        default:
            text = wxTRANSLATE("The project file \"%s\" could not be written completely; the "
                               "disk may be full.");
            break;
    }
    return wxString::Format(wxGetTranslation(text), ShownFileName(path)) + "\n" +
           wxGetTranslation("Any file of that name was left as it was.");
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

ProjectReading ReadProjectTree(const XmlTree& tree) {
    ProjectReading reading;
    const XmlTree::Id root = tree.Root();
    if (root == XmlTree::None) {
        reading.problem = ProjectProblem::Damaged;
        return reading;
    }
    reading.parsed = true;
    // Until the images element is reached where it belongs.
    reading.problem = ProjectProblem::NotAProject;
    const XmlTree::Id project = Expect(tree, root, "project");
    const XmlTree::Id name = Expect(tree, tree.FirstChild(project), "name");
    const XmlTree::Id gif = Expect(tree, tree.Next(name), "gif");
    const XmlTree::Id width = Expect(tree, tree.FirstChild(gif), "width");
    if (width == XmlTree::None) return reading;
    reading.width = NumberIn(tree.Content(width), 0, kProjectMaxSide);
    const XmlTree::Id height = Expect(tree, tree.Next(width), "height");
    if (height == XmlTree::None) return reading;
    reading.height = NumberIn(tree.Content(height), 0, kProjectMaxSide);
    reading.gifName = FromUtf8(tree.Content(name));
    const XmlTree::Id delay = Expect(tree, tree.Next(height), "delay_time");
    if (delay == XmlTree::None) return reading;
    reading.delay = NumberIn(tree.Content(delay), 0, kGifMaxNumber);
    const XmlTree::Id images = Expect(tree, tree.Next(gif), "images");
    if (images == XmlTree::None) return reading;
    reading.images = tree.FirstChild(images) != XmlTree::None ? ProjectImages::Listed
                                                                : ProjectImages::Empty;
    for (XmlTree::Id entry = tree.FirstChild(images); entry != XmlTree::None;
         entry = tree.Next(entry)) {
        if (!tree.IsElement(entry, "path")) {
            reading.images = ProjectImages::Misnamed;
            reading.entries.clear();
            reading.entryDelays.clear();
            reading.entryTurns.clear();
            reading.entryCaptions.clear();
            return reading;
        }
        reading.entries.Add(FromUtf8(tree.Content(entry)));
        const std::string* own = tree.Attribute(entry, "delay");
        reading.entryDelays.push_back(own ? NumberIn(*own, 0, kGifMaxNumber) : *reading.delay);
        reading.entryTurns.push_back(ReadTurn(tree, entry));
        const std::string* captions = tree.Attribute(entry, "captions");
        reading.entryCaptions.push_back(captions ? ParseCaptionNumbers(*captions) : std::vector<int>());
    }
    reading.problem = ProjectProblem::None;
    ReadAfterImages(tree, images, reading);
    return reading;
}

ProjectReading ReadProjectFile(const wxString& path) {
    XmlTree tree;
    const XmlProblem problem = tree.Read(path.fn_str(), ProjectLimits());
    if (problem != XmlProblem::None) {
        ProjectReading reading;
        reading.problem = ToProjectProblem(problem);
        reading.problemLine = tree.ProblemLine();
        return reading;
    }
    ProjectReading reading = ReadProjectTree(tree);
    const wxString folder = ProjectFolder(path);
    for (wxString& entry : reading.entries) entry = ResolveIn(entry, folder);
    reading.gifPath = ResolveIn(reading.gifName, folder);
    // An overlay whose picture is gone draws nothing, and stays in the project.
    for (CaptionLook& caption : reading.captions) {
        if (!caption.IsPicture()) continue;
        caption.picturePath = ResolveIn(caption.picturePath, folder);
        caption.picture = LoadOverlayPicture(caption.picturePath);
    }
    return reading;
}

wxString ProjectReadProblemText(const ProjectReading& reading, const wxString& path) {
    const wxString shown = ShownFileName(path);
    switch (reading.problem) {
        case ProjectProblem::None: return wxString();
        case ProjectProblem::CannotRead:
            return wxString::Format(wxGetTranslation("The project file \"%s\" cannot be read: it "
                                                     "does not exist, is not an ordinary file or "
                                                     "may not be read."),
                                    shown);
        case ProjectProblem::TooLarge:
            return wxString::Format(wxGetTranslation("The file \"%s\" is too large to be a Loopwright "
                                                     "project: a project is at most %d MB."),
                                    shown, static_cast<int>(ProjectLimits().maxFileBytes >> 20));
        case ProjectProblem::TooManyParts:
            return wxString::Format(wxGetTranslation("The project file \"%s\" holds more than a project "
                                                     "may: at most %d elements, texts and attributes "
                                                     "in all."),
                                    shown, static_cast<int>(ProjectLimits().maxNodes));
        case ProjectProblem::TextTooLong:
            return wxString::Format(wxGetTranslation("The project file \"%s\" holds a text longer than a "
                                                     "project allows, at line %d: a text is at most %d KB."),
                                    shown, std::max(1, reading.problemLine),
                                    static_cast<int>(ProjectLimits().maxTextBytes >> 10));
        case ProjectProblem::Damaged:
            return wxString::Format(
                wxGetTranslation("The project file \"%s\" is damaged at line %d."), shown,
                std::max(1, reading.problemLine));
        default:
            return wxString::Format(wxGetTranslation("The file \"%s\" is not a Loopwright project."),
                                    shown);
    }
}

namespace {

// Whether entry i is not a frame: empty, or a GIF's end-of-run entry, which
// follows its frames (an older project's ANIM.GIF entry on its own is a picture).
bool IsNoFrame(const wxArrayString& entries, size_t i) {
    const wxString& entry = entries[i];
    return entry.empty() || entry.EndsWith(".gif") ||
           (i > 0 && FrameIndexFromPath(entries[i - 1]) >= 0 &&
            StripFrameSuffix(entries[i - 1]) == entry);
}

}  // namespace

wxArrayString ProjectPathsToLoad(const wxArrayString& entries) {
    wxArrayString paths;
    // Missing files stay: the import names them.
    for (size_t i = 0; i < entries.size(); ++i)
        if (!IsNoFrame(entries, i)) paths.Add(entries[i]);
    return paths;
}

ProjectFrames ProjectFramesToLoad(const ProjectReading& reading) {
    ProjectFrames frames;
    // One caption object per element: the frames that show it share it.
    CaptionList made;
    for (const CaptionLook& look : reading.captions) made.push_back(std::make_shared<const Caption>(look));
    for (size_t i = 0; i < reading.entries.size(); ++i) {
        if (IsNoFrame(reading.entries, i)) continue;
        frames.paths.Add(reading.entries[i]);
        frames.delays.push_back(i < reading.entryDelays.size() ? reading.entryDelays[i] : 0);
        frames.turns.push_back(i < reading.entryTurns.size() ? reading.entryTurns[i] : FrameTurn());
        CaptionList shown;
        if (i < reading.entryCaptions.size())
            for (int index : reading.entryCaptions[i])
                if (size_t(index) < made.size()) shown.push_back(made[size_t(index)]);
        frames.captions.push_back(std::move(shown));
    }
    return frames;
}

wxString ResolveProjectPath(const wxString& stored, const wxString& projectFile) {
    return ResolveIn(stored, ProjectFolder(projectFile));
}

wxString StoreProjectPath(const wxString& path, const wxString& projectFile) {
    if (path.empty()) return path;
    const wxString folder = ProjectFolder(projectFile);
    const wxString whole = wxFileName(path).GetAbsolutePath();
    wxString rest;
    return whole.StartsWith(folder, &rest) && !rest.empty() ? rest : whole;
}
