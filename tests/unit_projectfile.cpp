// Project files without a window: the written format, checked with libxml2's
// xmllint; the image list's end-of-run entries; the reader's stops; writing
// that never destroys the previous file.
#include "project/projectdocument.h"
#include "project/projectfile.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <wx/dir.h>
#include <wx/xml/xml.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>

namespace {

wxArrayString List(std::initializer_list<const char*> items) {
    wxArrayString list;
    for (const char* item : items) list.Add(wxString::FromUTF8(item));
    return list;
}

std::vector<wxString> Vec(const wxArrayString& list) { return {list.begin(), list.end()}; }

// Evaluates an XPath expression on a file with libxml2's xmllint; the value
// without the line end that xmllint adds.
std::string XPath(const std::string& file, const std::string& expression) {
    const lwtest::ProcessResult run = lwtest::RunProcess({"/usr/bin/xmllint", "--xpath", expression, file});
    EXPECT_EQ(run.exitCode, 0) << expression << ": " << run.err;
    std::string out = run.out;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    wxDir dir(folder);
    wxString name;
    for (bool more = dir.GetFirst(&name); more; more = dir.GetNext(&name))
        names.push_back(name.ToStdString());
    std::sort(names.begin(), names.end());
    return names;
}

ProjectReading ReadText(const std::string& xml) {
    const std::string path = lwtest::MakeTempDir("read") + "/p.xml";
    lwtest::WriteFile(path, xml);
    wxLogNull quiet;  // the toolkit explains a parse error
    return ReadProjectFile(path);
}

const char* const kGif = "<gif><width>320</width><height>240</height><delay_time>7</delay_time></gif>";

std::string Project(const std::string& inside) { return "<project>" + inside + "</project>"; }

TEST(ProjectImageList, EndOfRunEntriesFollowEachGifRun) {
    EXPECT_EQ(Vec(ProjectImageEntries(
                  List({"/p/a.png", "/p/anim.gif_0", "/p/anim.gif_1", "/p/anim.gif_2", "/p/c.jpg"}))),
              Vec(List({"/p/a.png", "/p/anim.gif_0", "/p/anim.gif_1", "/p/anim.gif_2", "/p/anim.gif",
                        "/p/c.jpg"})));
    // Two runs side by side, and a run of one frame inside the list.
    EXPECT_EQ(Vec(ProjectImageEntries(
                  List({"/p/x.gif_0", "/p/x.gif_1", "/p/y.gif_4", "/p/b.png", "/p/z.gif_2", "/p/c.png"}))),
              Vec(List({"/p/x.gif_0", "/p/x.gif_1", "/p/x.gif", "/p/y.gif_4", "/p/y.gif", "/p/b.png",
                        "/p/z.gif_2", "/p/z.gif", "/p/c.png"})));
}

TEST(ProjectImageList, ARunAtTheEndHasItsEntryBeforeTheLastFrame) {
    EXPECT_EQ(Vec(ProjectImageEntries(List({"/p/a.png", "/p/anim.gif_0", "/p/anim.gif_1"}))),
              Vec(List({"/p/a.png", "/p/anim.gif_0", "/p/anim.gif", "/p/anim.gif_1"})));
    EXPECT_EQ(Vec(ProjectImageEntries(List({"/p/a.gif_0", "/p/a.gif_1", "/p/a.gif_2"}))),
              Vec(List({"/p/a.gif_0", "/p/a.gif_1", "/p/a.gif", "/p/a.gif_2"})));
    // A single frame of a GIF at the very end gets none.
    EXPECT_EQ(Vec(ProjectImageEntries(List({"/p/a.png", "/p/anim.gif_3"}))),
              Vec(List({"/p/a.png", "/p/anim.gif_3"})));
    EXPECT_EQ(Vec(ProjectImageEntries(List({"/p/anim.gif_3"}))), Vec(List({"/p/anim.gif_3"})));
    EXPECT_TRUE(ProjectImageEntries(wxArrayString()).empty());
}

TEST(ProjectImageList, OnlyFrameReferencesStartRuns) {
    // A folder named like a frame reference holds ordinary pictures: no
    // entry that a reader would load as a second copy of the picture.
    EXPECT_EQ(Vec(ProjectImageEntries(List({"/clips.gif_old/a.png", "/p/b.png", "/p/LOUD.GIF"}))),
              Vec(List({"/clips.gif_old/a.png", "/p/b.png", "/p/LOUD.GIF"})));
}

class ProjectFormat : public ::testing::Test {
protected:
    void SetUp() override {
        folder = lwtest::MakeTempDir("format");
        file = folder + "/demo.xml";
    }
    std::string folder;
    std::string file;
};

TEST_F(ProjectFormat, OnePictureGivesTheFixedTree) {
    ProjectContent content;
    content.width = 320;
    content.height = 240;
    content.delay = 10;
    content.framePaths.Add("/pics/a.png");
    EXPECT_EQ(ProjectFileBytes(content),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<project>\n"
              "  <name></name>\n"
              "  <gif>\n"
              "    <width>320</width>\n"
              "    <height>240</height>\n"
              "    <delay_time>10</delay_time>\n"
              "  </gif>\n"
              "  <images>\n"
              "    <path>/pics/a.png</path>\n"
              "  </images>\n"
              "</project>\n");
}

TEST_F(ProjectFormat, AnotherXmlReaderSeesTheElementsInOrder) {
    ProjectContent content;
    content.gifName = wxString::FromUTF8("Grüße & <co>.gif");
    content.width = 65535;
    content.height = 1;
    content.delay = 0;
    content.framePaths = List({"/p/a & b.png", "/p/anim.gif_0", "/p/anim.gif_1", "/p/anim.gif_2",
                               "/p/ünï <x>.jpg"});
    ASSERT_EQ(WriteProjectFile(file, content), ProjectWriteStatus::Written);

    EXPECT_EQ(XPath(file, "name(/*)"), "project");
    EXPECT_EQ(XPath(file, "count(/project/*)"), "3");
    EXPECT_EQ(XPath(file, "name(/project/*[1])"), "name");
    EXPECT_EQ(XPath(file, "name(/project/*[2])"), "gif");
    EXPECT_EQ(XPath(file, "name(/project/*[3])"), "images");
    EXPECT_EQ(XPath(file, "count(/project/gif/*)"), "3");
    EXPECT_EQ(XPath(file, "name(/project/gif/*[1])"), "width");
    EXPECT_EQ(XPath(file, "name(/project/gif/*[2])"), "height");
    EXPECT_EQ(XPath(file, "name(/project/gif/*[3])"), "delay_time");
    EXPECT_EQ(XPath(file, "count(//@*)"), "0") << "no attributes";
    EXPECT_EQ(XPath(file, "string(/project/name)"), "Grüße & <co>.gif");
    EXPECT_EQ(XPath(file, "string(/project/gif/width)"), "65535");
    EXPECT_EQ(XPath(file, "string(/project/gif/height)"), "1");
    EXPECT_EQ(XPath(file, "string(/project/gif/delay_time)"), "0");
    const std::vector<std::string> expected{"/p/a & b.png",  "/p/anim.gif_0", "/p/anim.gif_1",
                                            "/p/anim.gif_2", "/p/anim.gif",   "/p/ünï <x>.jpg"};
    ASSERT_EQ(XPath(file, "count(/project/images/*)"), std::to_string(expected.size()));
    EXPECT_EQ(XPath(file, "count(/project/images/path)"), std::to_string(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(XPath(file, "string(/project/images/path[" + std::to_string(i + 1) + "])"),
                  expected[i]);
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"demo.xml"});
}

TEST_F(ProjectFormat, ReadingBackGivesWhatWasWrittenWithoutDuplicates) {
    lwtest::WriteFile(folder + "/a.png", "x");
    lwtest::WriteFile(folder + "/anim.gif", "x");
    const wxString dir(folder);
    ProjectContent content;
    content.gifName = "out.gif";
    content.width = 200;
    content.height = 150;
    content.delay = 25;
    content.framePaths.Add(dir + "/a.png");
    for (int i = 0; i < 3; ++i) content.framePaths.Add(wxString::Format("%s/anim.gif_%d", dir, i));
    ASSERT_EQ(WriteProjectFile(file, content), ProjectWriteStatus::Written);

    const ProjectReading reading = ReadProjectFile(file);
    EXPECT_TRUE(reading.parsed);
    EXPECT_EQ(reading.width, 200);
    EXPECT_EQ(reading.height, 150);
    EXPECT_EQ(reading.delay, 25);
    EXPECT_EQ(reading.gifName, "out.gif");
    ASSERT_EQ(reading.images, ProjectImages::Listed);
    EXPECT_EQ(reading.entries.size(), 5u) << "with the end-of-run entry";
    EXPECT_EQ(Vec(ProjectPathsToLoad(reading.entries)), Vec(content.framePaths));
}

TEST(ProjectNumbers, LeadingDigitsCountAndTheRestIsIgnored) {
    EXPECT_EQ(ParseProjectNumber("320"), 320);
    EXPECT_EQ(ParseProjectNumber("abc"), 0);
    EXPECT_EQ(ParseProjectNumber(""), 0);
    EXPECT_EQ(ParseProjectNumber("12abc"), 12);
    EXPECT_EQ(ParseProjectNumber("1.5"), 1);
    EXPECT_EQ(ParseProjectNumber("1,5"), 1);
    EXPECT_EQ(ParseProjectNumber("1e3"), 1);
    EXPECT_EQ(ParseProjectNumber("0x10"), 0);
    EXPECT_EQ(ParseProjectNumber(" \t\n42 "), 42);
    EXPECT_EQ(ParseProjectNumber("+7"), 7);
    EXPECT_EQ(ParseProjectNumber("-5"), -5);
    EXPECT_EQ(ParseProjectNumber("- 5"), 0);
    EXPECT_EQ(ParseProjectNumber("00012"), 12);
    EXPECT_EQ(ParseProjectNumber(wxString::FromUTF8("١٢")), 0) << "only ASCII digits";
}

TEST(ProjectNumbers, HugeNumbersStopAtTheIntRange) {
    EXPECT_EQ(ParseProjectNumber("2147483647"), INT_MAX);
    EXPECT_EQ(ParseProjectNumber("2147483648"), INT_MAX);
    EXPECT_EQ(ParseProjectNumber("99999999999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseProjectNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseProjectNumber("-99999999999999999999999999999999"), INT_MIN);
}

TEST(ProjectReader, StopsAtTheFirstElementOutOfPlace) {
    ProjectReading r = ReadText(Project("<name>a.gif</name>" + std::string(kGif) + "<images/>"));
    EXPECT_TRUE(r.parsed);
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.delay, 7);
    EXPECT_EQ(r.images, ProjectImages::Empty);

    r = ReadText("<projekt><name/>" + std::string(kGif) + "</projekt>");
    EXPECT_TRUE(r.parsed);
    EXPECT_FALSE(r.width);

    r = ReadText(Project(kGif));  // no name
    EXPECT_FALSE(r.width);

    r = ReadText(Project("<name/><gif><height>2</height><width>1</width></gif>"));
    EXPECT_FALSE(r.width);

    // Width, then no height: the width alone.
    r = ReadText(Project("<name>a.gif</name><gif><width>9</width><delay_time>3</delay_time></gif>"));
    EXPECT_EQ(r.width, 9);
    EXPECT_FALSE(r.height);
    EXPECT_EQ(r.gifName, "");

    r = ReadText(Project("<name>a.gif</name><gif><width>9</width><height>8</height></gif><images/>"));
    EXPECT_EQ(r.height, 8);
    EXPECT_EQ(r.gifName, "a.gif");
    EXPECT_FALSE(r.delay);
    EXPECT_EQ(r.images, ProjectImages::Missing);

    r = ReadText(Project("<name/>" + std::string(kGif) + "<pictures><path>/a.png</path></pictures>"));
    EXPECT_EQ(r.delay, 7);
    EXPECT_EQ(r.images, ProjectImages::Missing);

    // A comment is no element either.
    r = ReadText(Project("<!-- x --><name/>" + std::string(kGif)));
    EXPECT_FALSE(r.width);
}

TEST(ProjectReader, AnyEntryButPathLoadsNothing) {
    ProjectReading r = ReadText(Project(
        "<name/>" + std::string(kGif) + "<images><path>/a.png</path><file>/b.png</file></images>"));
    EXPECT_EQ(r.images, ProjectImages::Misnamed);
    EXPECT_TRUE(r.entries.empty());

    r = ReadText(Project("<name/>" + std::string(kGif) + "<images>\n  <path>/a.png</path>\n</images>"));
    EXPECT_EQ(r.images, ProjectImages::Listed);
    EXPECT_EQ(Vec(r.entries), Vec(List({"/a.png"}))) << "blank text between elements is dropped";
}

TEST(ProjectReader, JunkAndHugeNumbers) {
    const ProjectReading r = ReadText(Project(
        "<name/><gif><width>abc</width><height>99999999999999</height><delay_time>12px</delay_time>"
        "</gif>"));
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, kProjectMaxSide) << "what a GIF can store";
    EXPECT_EQ(r.delay, 12);
}

TEST(ProjectReader, FilesThatAreNoXmlGiveNothing) {
    for (const std::string& text :
         {std::string(), std::string("not xml at all"), std::string("<project><name>"),
          std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), std::string("<project></project><x/>")}) {
        const ProjectReading r = ReadText(text);
        EXPECT_FALSE(r.parsed) << text;
        EXPECT_FALSE(r.width);
        EXPECT_EQ(r.images, ProjectImages::Missing);
    }
    wxLogNull quiet;
    EXPECT_FALSE(ReadProjectFile(lwtest::MakeTempDir("none") + "/gone.xml").parsed);
}

TEST(ProjectReader, EveryPictureIsLoadedAndGifEntriesAreSkipped) {
    const std::string dir = lwtest::MakeTempDir("exist");
    for (const char* name : {"a.png", "anim.gif", "LOUD.GIF"}) lwtest::WriteFile(dir + "/" + name, "x");
    ::mkdir((dir + "/folder.png").c_str(), 0755);
    const wxString d(dir);
    wxArrayString all = List({"", "/nowhere/x.png"});
    for (const char* name : {"a.png", "gone.png", "anim.gif_2", "anim.gif", "gone.gif_0",
                             "LOUD.GIF", "folder.png", "anim.gif_x", "LOUD.GIF_1", "LOUD.GIF"})
        all.Add(d + "/" + name);
    // Files that are gone stay for the import to name; an upper-case GIF's
    // end-of-run entry follows its frame, an older project's GIF entry stands alone.
    EXPECT_EQ(Vec(ProjectPathsToLoad(all)),
              (std::vector<wxString>{"/nowhere/x.png", d + "/a.png", d + "/gone.png", d + "/anim.gif_2",
                                     d + "/gone.gif_0", d + "/LOUD.GIF", d + "/folder.png",
                                     d + "/anim.gif_x", d + "/LOUD.GIF_1"}));
}

TEST(ProjectNames, XmlIsAppendedUnlessTheNameEndsInLowerCaseXml) {
    EXPECT_EQ(EnsureXmlExtension("/p/demo"), "/p/demo.xml");
    EXPECT_EQ(EnsureXmlExtension("/p/demo.xml"), "/p/demo.xml");
    EXPECT_EQ(EnsureXmlExtension("/p/PROJ.XML"), "/p/PROJ.XML.xml");
}

class ProjectWriting : public ProjectFormat {
protected:
    ProjectContent Content() {
        ProjectContent content;
        content.width = 10;
        content.height = 10;
        content.delay = 10;
        for (int i = 0; i < 50; ++i) content.framePaths.Add(wxString::Format("/pics/frame%d.png", i));
        return content;
    }
};

TEST_F(ProjectWriting, ReplacesTheOldFileKeepingItsPermissions) {
    lwtest::WriteFile(file, "old project");
    ::chmod(file.c_str(), 0640);
    ASSERT_EQ(WriteProjectFile(file, Content()), ProjectWriteStatus::Written);
    EXPECT_EQ(lwtest::ReadFile(file), ProjectFileBytes(Content()));
    struct stat info;
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"demo.xml"});
}

TEST_F(ProjectWriting, AFullDiskLeavesTheOldFile) {
    lwtest::WriteFile(file, "old project");
    ProjectWriteStatus status;
    {
        lwtest::FileSizeLimit limit(200);
        status = WriteProjectFile(file, Content());
    }
    EXPECT_EQ(status, ProjectWriteStatus::CannotWrite);
    EXPECT_EQ(lwtest::ReadFile(file), "old project");
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"demo.xml"});
    EXPECT_TRUE(ProjectWriteFailureText(status, file).Contains(file));
}

TEST_F(ProjectWriting, AMissingFolderOrAFolderInTheWayIsReported) {
    const std::string missing = folder + "/no/such/demo.xml";
    EXPECT_EQ(WriteProjectFile(missing, Content()), ProjectWriteStatus::CannotCreate);
    EXPECT_FALSE(lwtest::FileExists(folder + "/no"));

    ::mkdir(file.c_str(), 0755);
    lwtest::WriteFile(file + "/inside", "keep");
    EXPECT_EQ(WriteProjectFile(file, Content()), ProjectWriteStatus::CannotReplace);
    EXPECT_EQ(lwtest::ReadFile(file + "/inside"), "keep");
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"demo.xml"});
    for (auto status : {ProjectWriteStatus::CannotCreate, ProjectWriteStatus::CannotReplace,
                        ProjectWriteStatus::CannotWrite})
        EXPECT_TRUE(ProjectWriteFailureText(status, "/x/p.xml").Contains("\"/x/p.xml\""));
}

TEST(ProjectReader, HostileFilesAreRefusedWithAReason) {
    const std::string dir = lwtest::MakeTempDir("hostile");
    lwtest::WriteFile(dir + "/secret.txt", "SECRET");
    const std::string head = "<project><name/>" + std::string(kGif) + "<images><path>";
    std::string laughs = "<!DOCTYPE project [<!ENTITY l0 \"ha\">";
    for (int i = 1; i < 10; ++i) {
        std::string ten;
        for (int k = 0; k < 10; ++k) ten += "&l" + std::to_string(i - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + ten + "\">";
    }
    const struct {
        std::string xml;
        ProjectProblem problem;
        const char* said = "";  // the limit passed, named
    } cases[] = {
        {[] { std::string x; for (int i = 0; i < 150000; ++i) x += "<a>"; return x; }(),
         ProjectProblem::NotAProject},
        {head + std::string(4 << 20, 'x') + "</path></images></project>", ProjectProblem::TextTooLong,
         "line 1: a text is at most 64 KB"},
        {head + std::string(17 << 20, ' ') + "</path></images></project>", ProjectProblem::TooLarge,
         "at most 16 MB"},
        {[&] { std::string x = head + "</path>"; for (int i = 0; i < 2000000; ++i) x += "<path/>"; return x; }(),
         ProjectProblem::TooManyParts, "at most 2000000 elements"},
        {laughs + "]>" + head + "&l9;</path></images></project>", ProjectProblem::NotAProject},
        {"<!DOCTYPE project [<!ENTITY s SYSTEM \"file://" + dir + "/secret.txt\">]>" + head +
             "&s;</path></images></project>",
         ProjectProblem::NotAProject},
        {"<project>\n<name/>\n<gif><width>1</wid></gif></project>", ProjectProblem::Damaged},
        {"<options><a>1</a></options>", ProjectProblem::NotAProject},
    };
    for (const auto& c : cases) {
        const ProjectReading r = ReadText(c.xml);
        EXPECT_EQ(r.problem, c.problem) << c.xml.substr(0, 60);
        EXPECT_TRUE(r.entries.empty());
        const wxString text = ProjectReadProblemText(r, "/p/x.xml");
        EXPECT_TRUE(text.Contains("\"/p/x.xml\"")) << text;
        EXPECT_TRUE(text.Contains(c.said)) << text;
        EXPECT_FALSE(text.Contains("SECRET"));
    }
    EXPECT_EQ(ReadText("<project>\n<name/>\n<gif><width>1</wid></gif></project>").problemLine, 3);
    EXPECT_TRUE(ProjectReadProblemText(ReadText("<project>\n\n<x"), "p").Contains("3"));

    // A pipe in the project's place is refused, not waited on.
    const std::string fifo = dir + "/pipe.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(ReadProjectFile(fifo).problem, ProjectProblem::CannotRead);
    EXPECT_EQ(ReadProjectFile(dir + "/gone.xml").problem, ProjectProblem::CannotRead);
}

TEST_F(ProjectFormat, FrameDelaysLoopCountAndTransparencyRoundTrip) {
    const wxString dir(folder);
    for (const char* name : {"a.png", "anim.gif", "c.png"}) lwtest::WriteFile(folder + "/" + name, "x");
    ProjectContent content;
    content.width = content.height = 8;
    content.delay = 10;
    content.framePaths = List({"a.png", "anim.gif_0", "anim.gif_1", "anim.gif_2", "c.png#t=1.240&size=64x36"});
    for (wxString& path : content.framePaths) path = dir + "/" + path;
    content.frameDelays = {10, 50, 7, 0, 65535};
    content.loopCount = 3;
    content.transparent = true;
    content.webpQuality = 55;
    ASSERT_EQ(WriteProjectFile(file, content), ProjectWriteStatus::Written);

    // Another reader: every frame's entry has its delay, the GIF's own entry none.
    EXPECT_EQ(XPath(file, "count(/project/images/path)"), "6");
    EXPECT_EQ(XPath(file, "count(/project/images/path[@delay])"), "5");
    EXPECT_EQ(XPath(file, "string(/project/images/path[not(@delay)])"), folder + "/anim.gif");
    EXPECT_EQ(XPath(file, "string(/project/images/path[2]/@delay)"), "50");
    EXPECT_EQ(XPath(file, "string(/project/images/path[6]/@delay)"), "65535");
    EXPECT_EQ(XPath(file, "name(/project/*[4])"), "loop_count");
    EXPECT_EQ(XPath(file, "string(/project/loop_count)"), "3");
    EXPECT_EQ(XPath(file, "string(/project/transparent)"), "1");
    EXPECT_EQ(XPath(file, "string(/project/webp_quality)"), "55");

    ProjectReading r = ReadProjectFile(file);
    EXPECT_EQ(r.problem, ProjectProblem::None);
    const ProjectFrames frames = ProjectFramesToLoad(r);
    EXPECT_EQ(Vec(frames.paths), Vec(content.framePaths));
    EXPECT_EQ(frames.delays, content.frameDelays);
    EXPECT_EQ(r.loopCount, 3);
    EXPECT_TRUE(r.transparent);
    EXPECT_EQ(r.webpQuality, 55);

    // As another writer lays it out: quotes, CDATA, line breaks, a junk delay.
    lwtest::WriteFile(file, Project("\n <name/>" + std::string(kGif) + "<images>\n <path delay='25'>" +
                                    folder + "/a.png</path>\n <path delay=\"-4\"><![CDATA[" + folder +
                                    "/c.png]]></path></images>\n <loop_count>\n 2 </loop_count>"
                                    "<transparent>0</transparent>\n"));
    r = ReadProjectFile(file);
    EXPECT_EQ(ProjectFramesToLoad(r).delays, (std::vector<int>{25, 0}));
    EXPECT_EQ(r.loopCount, 2);
    EXPECT_FALSE(r.transparent);
    // As an older program wrote it: delay_time for every frame, forever, opaque.
    lwtest::WriteFile(file, Project("<name/>" + std::string(kGif) + "<images><path>" + folder +
                                    "/a.png</path><path>" + folder + "/c.png</path></images>"));
    r = ReadProjectFile(file);
    EXPECT_EQ(ProjectFramesToLoad(r).delays, (std::vector<int>{7, 7}));
    EXPECT_EQ(r.loopCount, 0);
    EXPECT_FALSE(r.transparent);
    EXPECT_EQ(r.webpQuality, kDefaultWebpQuality);
}

TEST(ProjectPaths, NamesWithoutAFolderBelongToTheProjectsFolder) {
    const std::string dir = lwtest::MakeTempDir("relative");
    ::mkdir((dir + "/sub").c_str(), 0755);
    lwtest::WriteFile(dir + "/sub/a.png", "x");
    lwtest::WriteFile(dir + "/p.xml", Project("<name>out.gif</name>" + std::string(kGif) +
                                              "<images><path>sub/a.png</path></images>"));
    const ProjectReading r = ReadProjectFile(dir + "/p.xml");  // the working folder is elsewhere
    EXPECT_EQ(r.gifName, "out.gif");
    EXPECT_EQ(r.gifPath, wxString(dir + "/out.gif"));
    EXPECT_EQ(Vec(ProjectPathsToLoad(r.entries)), Vec(List({(dir + "/sub/a.png").c_str()})));

    EXPECT_EQ(StoreProjectPath("/p/proj/out.gif", "/p/proj/x.xml"), "out.gif");
    EXPECT_EQ(StoreProjectPath("/p/proj/gifs/out.gif", "/p/proj/x.xml"), "gifs/out.gif");
    EXPECT_EQ(StoreProjectPath("/p/proj2/out.gif", "/p/proj/x.xml"), "/p/proj2/out.gif");
    EXPECT_EQ(StoreProjectPath("/elsewhere/out.gif", "/p/proj/x.xml"), "/elsewhere/out.gif");
    EXPECT_EQ(ResolveProjectPath("/abs/out.gif", "/p/proj/x.xml"), "/abs/out.gif");
    EXPECT_EQ(ResolveProjectPath("", "/p/proj/x.xml"), "");
}

}  // namespace

namespace {

// Captions and overlays come back as written, shared by the frames that show
// them; another reader sees the text whole; a caption number past the list is
// dropped, not followed.
TEST_F(ProjectFormat, CaptionsAndOverlaysRoundTrip) {
    const wxString dir(folder);
    lwtest::WritePicture(folder + "/logo.png", 6, 4, *wxBLUE);
    ProjectContent content;
    content.width = content.height = 8;
    content.framePaths = List({"a.png", "b.png"});
    for (wxString& path : content.framePaths) path = dir + "/" + path;
    CaptionLook text = PlainCaption(wxString::FromUTF8("Say \"hi\"\n <to> & 日本"), CaptionAnchor::TopRight, 120);
    text.bold = true;
    text.box = true;
    text.boxColour = CaptionColour{10, 20, 30, 128};
    text.offset = wxPoint(-5, 7);
    CaptionLook overlay;
    overlay.picturePath = "logo.png";  // as stored: beside the project
    overlay.opacity = 40;
    content.captions = {text, overlay};
    content.frameCaptions = {{0, 1}, {1}};
    ASSERT_EQ(WriteProjectFile(file, content), ProjectWriteStatus::Written);
    EXPECT_EQ(XPath(file, "string(/project/caption/@text)"), text.text.utf8_string());
    EXPECT_EQ(XPath(file, "string(/project/images/path[1]/@captions)"), "1 2");

    ProjectReading r = ReadProjectFile(file);
    ASSERT_EQ(r.captions.size(), 2u);
    EXPECT_TRUE(r.captions[0] == text);
    EXPECT_EQ(r.captions[1].picturePath, dir + "/logo.png");
    ASSERT_TRUE(r.captions[1].picture);
    EXPECT_EQ(r.captions[1].picture->width, 6);
    overlay.picturePath = r.captions[1].picturePath;
    overlay.picture = r.captions[1].picture;
    EXPECT_TRUE(r.captions[1] == overlay);
    r.entryCaptions[1].push_back(7);  // names no caption
    const ProjectFrames frames = ProjectFramesToLoad(r);
    ASSERT_EQ(frames.captions.size(), 2u);
    ASSERT_EQ(frames.captions[0].size(), 2u);
    ASSERT_EQ(frames.captions[1].size(), 1u);
    EXPECT_EQ(frames.captions[0][1], frames.captions[1][0]);
}

}  // namespace

namespace {

// The GIF's coding settings: what a document sets comes back through a file,
// which another reader sees as named elements; a file without them, as older
// versions wrote it, reads as it always did; junk falls back to what is safe.
class ProjectCoding : public ProjectFormat {
protected:
    // The project file around the elements after its (empty) image list.
    ProjectReading ReadAfter(const std::string& elements) {
        lwtest::WriteFile(file, Project("<name/>" + std::string(kGif) + "<images/>" + elements));
        return ReadProjectFile(file);
    }
};

TEST_F(ProjectCoding, EverySettingRoundTripsAndAnotherReaderSeesIt) {
    GifSettings settings;
    settings.quality = GifQuality::Best;
    settings.colours = 48;
    settings.dither = GifDither::Ordered;
    settings.ditherStrength = 70;
    settings.lossy = 35;
    settings.maxBytes = 5000000000LL;  // past the int range
    settings.levers = {SizeLever::FrameRate, SizeLever::Scale, SizeLever::Lossy};
    Document document;
    document.SetSettings(settings);
    ASSERT_EQ(WriteProjectFile(file, ProjectContentOf(document, file)), ProjectWriteStatus::Written);

    EXPECT_EQ(XPath(file, "string(/project/colours)"), "48");
    EXPECT_EQ(XPath(file, "string(/project/dither)"), "ordered");
    EXPECT_EQ(XPath(file, "string(/project/dither_strength)"), "70");
    EXPECT_EQ(XPath(file, "string(/project/lossy)"), "35");
    EXPECT_EQ(XPath(file, "count(/project/size_limit)"), "1");
    EXPECT_EQ(XPath(file, "string(/project/size_limit/@bytes)"), "5000000000");
    EXPECT_EQ(XPath(file, "string(/project/size_limit/@levers)"), "fps,scale,lossy");
    EXPECT_EQ(XPath(file, "name(/project/*[last()])"), "size_limit") << "after the older elements";

    const ProjectReading r = ReadProjectFile(file);
    EXPECT_EQ(r.problem, ProjectProblem::None);
    Document opened;
    FillDocumentFromProject(opened, {}, r, ProjectFramesToLoad(r), file);
    EXPECT_TRUE(opened.Settings() == settings);

    // The other dither words, a zero strength and the fast quality's own strength.
    for (const GifDither dither : {GifDither::None, GifDither::Diffuse}) {
        ProjectContent content;
        content.dither = dither;
        content.ditherStrength = 0;
        ASSERT_EQ(WriteProjectFile(file, content), ProjectWriteStatus::Written);
        EXPECT_EQ(XPath(file, "string(/project/dither)"), dither == GifDither::None ? "none" : "");
        EXPECT_EQ(XPath(file, "string(/project/dither_strength)"), "0");
        const ProjectReading back = ReadProjectFile(file);
        EXPECT_EQ(back.dither, dither);
        EXPECT_EQ(back.ditherStrength, 0);
    }
    ProjectContent fast;
    fast.quality = kProjectQualityFast;
    fast.ditherStrength = kDefaultDitherStrength;  // not the fast quality's own
    ASSERT_EQ(WriteProjectFile(file, fast), ProjectWriteStatus::Written);
    EXPECT_EQ(XPath(file, "string(/project/dither_strength)"), "50");
    EXPECT_EQ(ReadProjectFile(file).ditherStrength, kDefaultDitherStrength);
}

TEST_F(ProjectCoding, AbsentElementsMeanWhatOlderProjectsMeant) {
    // Default settings add nothing: the file is what older versions wrote.
    Document document;
    const std::string bytes = ProjectFileBytes(ProjectContentOf(document, file));
    for (const char* name : {"<colours", "<dither", "<lossy", "<size_limit"})
        EXPECT_EQ(bytes.find(name), std::string::npos) << name;
    ProjectContent fast;
    fast.quality = kProjectQualityFast;
    fast.ditherStrength = DefaultDitherStrength(GifQuality::Fast);
    EXPECT_EQ(ProjectFileBytes(fast).find("<dither_strength"), std::string::npos);

    const ProjectReading r = ReadAfter("");
    EXPECT_EQ(r.problem, ProjectProblem::None);
    EXPECT_EQ(r.colours, kMaxGifColours);
    EXPECT_EQ(r.dither, GifDither::Diffuse);
    EXPECT_EQ(r.ditherStrength, 50);
    EXPECT_EQ(r.lossy, 0);
    EXPECT_EQ(r.maxBytes, 0);
    EXPECT_EQ(r.levers, DefaultSizeLevers());

    // An older project saved with the fast quality keeps its lighter dithering.
    EXPECT_EQ(ReadAfter("<quality>0</quality>").ditherStrength, 25);
    EXPECT_EQ(ReadAfter("<quality>1</quality>").ditherStrength, 50);
    EXPECT_EQ(ReadAfter("<quality>2</quality>").ditherStrength, 50);
    // A strength given is kept, wherever the quality stands.
    EXPECT_EQ(ReadAfter("<dither_strength>50</dither_strength><quality>0</quality>").ditherStrength, 50);
    EXPECT_EQ(ReadAfter("<quality>0</quality><dither_strength>80</dither_strength>").ditherStrength, 80);
    // A limit without levers pulls them in the usual order.
    const ProjectReading limit = ReadAfter("<size_limit bytes='1000'/>");
    EXPECT_EQ(limit.maxBytes, 1000);
    EXPECT_EQ(limit.levers, DefaultSizeLevers());
}

TEST_F(ProjectCoding, JunkFallsBackToTheDefaultsOrTheNearestValue) {
    const ProjectReading r = ReadAfter(
        "<colours>1</colours><dither>wavy</dither><dither_strength>250</dither_strength>"
        "<lossy>-3</lossy><size_limit bytes='-5' levers='lossy,lossy'/>");
    EXPECT_EQ(r.colours, kMinGifColours);
    EXPECT_EQ(r.dither, GifDither::Diffuse);
    EXPECT_EQ(r.ditherStrength, 100);
    EXPECT_EQ(r.lossy, 0);
    EXPECT_EQ(r.maxBytes, 0);
    EXPECT_EQ(r.levers, DefaultSizeLevers());

    EXPECT_EQ(ReadAfter("<colours>999</colours>").colours, kMaxGifColours);
    EXPECT_EQ(ReadAfter("<lossy>250</lossy>").lossy, kMaxLossy);
    EXPECT_EQ(ReadAfter("<dither>DIFFUSE</dither><dither>ordered</dither>").dither, GifDither::Ordered);
    const struct {
        const char* attributes;
        long long bytes;
        std::vector<SizeLever> levers;
    } limits[] = {
        {"bytes='2000' levers='foo'", 2000, DefaultSizeLevers()},
        {"bytes='2000' levers=''", 2000, DefaultSizeLevers()},
        {"bytes='2000' levers='scale,'", 2000, DefaultSizeLevers()},
        {"bytes='2000' levers='colours'", 2000, {SizeLever::Colours}},
        {"bytes='0' levers='scale'", 0, {SizeLever::Scale}},
        {"bytes='12kB'", 0, DefaultSizeLevers()},
        {"bytes=''", 0, DefaultSizeLevers()},
        {"levers='fps'", 0, {SizeLever::FrameRate}},
        {"bytes='1000000000000000'", 1000000000000000LL, DefaultSizeLevers()},
        {"bytes='1000000000000001'", 0, DefaultSizeLevers()},
        {"bytes='99999999999999999999999'", 0, DefaultSizeLevers()},
    };
    for (const auto& c : limits) {
        const ProjectReading limit = ReadAfter("<size_limit " + std::string(c.attributes) + "/>");
        EXPECT_EQ(limit.maxBytes, c.bytes) << c.attributes;
        EXPECT_EQ(limit.levers, c.levers) << c.attributes;
    }
}

}  // namespace
