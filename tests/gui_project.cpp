// "Save Project" and "Open Project" in the real main window: the frames,
// delay and canvas size come back, the close prompt knows what was saved, and
// failed or cancelled saves and loads leave a sound window.
#include "project/projectfile.h"
#include "support/dialog_answers.h"
#include "support/gif_decode.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/thumbnailctrl.h"

#include <wx/filefn.h>
#include <wx/spinctrl.h>
#include <wx/uiaction.h>
#include <wx/statusbr.h>
#include <wx/xrc/xmlres.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using lwtest::ClickMenu;
using lwtest::FramePaths;
using lwtest::PromptsOf;

const char* const kProduct = "Marvolent Loopwright";

class Project : public ::testing::Test {
protected:
    void SetUp() override {
        dir = lwtest::MakeTempDir("project");
        lwtest::WritePicture(dir + "/a.png", 64, 48, *wxRED);
        lwtest::WriteAnimatedGif(dir + "/anim.gif", 30, 20, {"red", "lime", "blue"});
        lwtest::WritePicture(dir + "/b.jpg", 16, 16, *wxGREEN);
        Open();
    }
    void TearDown() override {
        if (frame) lwtest::CloseMainWindow(frame);
    }
    void Open() {
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
    }
    // Waits until a load has ended and the window takes input again.
    void Settle() {
        ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting(); }));
        ASSERT_TRUE(lwtest::PumpUntil([&] { return frame->IsEnabled(); }));
    }
    void AddPictures(const std::vector<std::string>& names) {
        wxArrayString paths;
        for (const auto& n : names) paths.Add(dir + "/" + n);
        PromptsOf(frame).pictures.push_back(paths);
        ClickMenu(frame, "Frame", "Add Image...");
        Settle();
    }
    // The frames a.png, anim.gif's three and b.jpg.
    void AddFrames() { AddPictures({"a.png", "anim.gif", "b.jpg"}); }
    std::vector<wxString> Paths(std::initializer_list<const char*> names) {
        std::vector<wxString> paths;
        for (const char* n : names) paths.push_back(wxString(dir) + "/" + n);
        return paths;
    }
    void SaveProjectAs(const std::string& path) {
        PromptsOf(frame).files.push_back(path);
        ClickMenu(frame, "File", "Save Project");
    }
    // "Open Project" answering the file dialog with path (empty: cancelled).
    void OpenProject(const std::string& path) {
        if (!path.empty()) PromptsOf(frame).files.push_back(path);
        ClickMenu(frame, "File", "Open Project...");
    }
    void WriteProject(const std::string& path, const std::string& inside) {
        lwtest::WriteFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project>" + inside +
                                    "</project>\n");
    }
    // Asks the window to close; true when it was destroyed. An unexpected
    // question fails the test.
    bool CloseWindow() {
        // Shared: the handler outlives this call when the window stays open.
        auto destroyed = std::make_shared<bool>(false);
        MainWindow* window = frame;
        frame->Bind(wxEVT_DESTROY, [destroyed, window](wxWindowDestroyEvent& e) {
            if (e.GetEventObject() == window) *destroyed = true;
            e.Skip();
        });
        frame->Close();
        lwtest::PumpUntil([&] { return *destroyed; }, std::chrono::milliseconds(500));
        if (*destroyed) frame = nullptr;
        return *destroyed;
    }
    wxSpinCtrl* Spin(const char* name) {
        return wxStaticCast(frame->FindWindow(XRCID(name)), wxSpinCtrl);
    }
    wxString Status(int field) { return frame->GetStatusBar()->GetStatusText(field); }
    bool Enabled(const char* menu, const char* label) {
        return lwtest::FindMenuItem(frame, menu, label)->IsEnabled();
    }
    // The empty document: no frames, nothing to describe, nothing to edit.
    void ExpectEmptyDocument() {
        EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 0);
        EXPECT_EQ(Status(0), "");
        EXPECT_EQ(Status(1), "");
        EXPECT_TRUE(frame->GetPreview().GetRect().IsEmpty());
        EXPECT_FALSE(Enabled("File", "Save"));
        EXPECT_FALSE(Enabled("File", "Save Project"));
        EXPECT_FALSE(Enabled("Animation", "Run animation"));
        EXPECT_FALSE(Spin("m_spinctrl_width")->IsEnabled());
    }

    MainWindow* frame = nullptr;
    std::string dir;
};

TEST_F(Project, TheDialogsOpenWhereTheLastPicturesAndProjectWere) {
    const std::string elsewhere = lwtest::MakeTempDir("project-elsewhere");
    AddPictures({"a.png"});
    ClickMenu(frame, "Frame", "Add Image...");  // cancelled
    EXPECT_EQ(PromptsOf(frame).folders.back(), dir);
    SaveProjectAs(elsewhere + "/p.xml");
    OpenProject("");
    EXPECT_EQ(PromptsOf(frame).folders.back(), elsewhere);
}

TEST_F(Project, SavedAndOpenedInANewWindowTheProjectComesBack) {
    AddFrames();
    lwtest::TypeInto(Spin("m_spinctrl_delay"), 25);
    lwtest::TypeInto(Spin("m_spinctrl_width"), 32);
    ASSERT_EQ(Spin("m_spinctrl_height")->GetValue(), 24);
    const std::vector<wxString> frames = FramePaths(frame);
    SaveProjectAs(dir + "/demo");
    EXPECT_EQ(PromptsOf(frame).messages.back(), "Save XML Files");
    EXPECT_TRUE(lwtest::FileExists(dir + "/demo.xml"));
    EXPECT_EQ(frame->GetTitle(), wxString("demo - ") + kProduct);
    EXPECT_TRUE(CloseWindow()) << "just saved: closing asks nothing";

    Open();
    OpenProject(dir + "/demo.xml");
    Settle();
    EXPECT_EQ(frame->GetTitle(), wxString("demo - ") + kProduct);
    EXPECT_EQ(PromptsOf(frame).messages.back(), "Load XML Files");
    EXPECT_EQ(FramePaths(frame), frames);
    EXPECT_EQ(Spin("m_spinctrl_delay")->GetValue(), 25);
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetFrameDelay(), 25);
    EXPECT_EQ(Spin("m_spinctrl_width")->GetValue(), 32);
    EXPECT_EQ(Spin("m_spinctrl_height")->GetValue(), 24);
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(32, 24));
    EXPECT_EQ(frame->GetReferenceSize(), wxSize(64, 48));
    EXPECT_EQ(Status(0), "Untitled.gif (32 * 24)px");
    EXPECT_EQ(Status(1), "a.png Width:64px,Height:48 px");
    EXPECT_TRUE(Enabled("File", "Save Project"));
    EXPECT_TRUE(Enabled("Animation", "Run animation"));
    EXPECT_TRUE(CloseWindow()) << "just opened: closing asks nothing";
}

TEST_F(Project, LaterSavesGoToTheSameFileWithoutAsking) {
    AddFrames();
    SaveProjectAs(dir + "/p.xml");
    ASSERT_EQ(PromptsOf(frame).messages.size(), 2u);  // pictures, project file
    lwtest::TypeInto(Spin("m_spinctrl_delay"), 40);
    ClickMenu(frame, "File", "Save Project");
    EXPECT_EQ(PromptsOf(frame).messages.size(), 2u);
    EXPECT_EQ(ReadProjectFile(dir + "/p.xml").delay, 40);
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, AnUpperCaseExtensionGetsXmlAppended) {
    AddPictures({"a.png"});
    SaveProjectAs(dir + "/PROJ.XML");
    EXPECT_TRUE(lwtest::FileExists(dir + "/PROJ.XML.xml"));
    EXPECT_FALSE(lwtest::FileExists(dir + "/PROJ.XML"));
    EXPECT_EQ(frame->GetTitle(), wxString("PROJ.XML - ") + kProduct);
}

TEST_F(Project, AnAppendedExtensionDoesNotReplaceAFileWithoutAsking) {
    AddPictures({"a.png"});
    lwtest::WriteFile(dir + "/p.xml", "keep me");
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(SaveProjectAs(dir + "/p"), lwtest::ExpectMessage(wxID_NO, &shown));
    EXPECT_TRUE(shown.message.Contains(dir + "/p.xml")) << shown.message;
    EXPECT_EQ(lwtest::ReadFile(dir + "/p.xml"), "keep me");
    EXPECT_EQ(frame->GetTitle(), wxString("Untitled * - ") + kProduct);

    wxTEST_DIALOG(SaveProjectAs(dir + "/p"), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(ReadProjectFile(dir + "/p.xml").entries.size(), 1u);
}

TEST_F(Project, YesInTheClosePromptSavesThenCloses) {
    AddFrames();
    PromptsOf(frame).files.push_back(dir + "/closing.xml");
    bool closed = false;
    wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_TRUE(closed);
    const ProjectReading saved = ReadProjectFile(dir + "/closing.xml");
    EXPECT_EQ(saved.width, 64);
    EXPECT_EQ(saved.height, 48);
    EXPECT_EQ(ProjectPathsToLoad(saved.entries).size(), 5u);
}

TEST_F(Project, AKnownProjectWithChangesIsSavedToItsFileOnClose) {
    AddFrames();
    SaveProjectAs(dir + "/known.xml");
    lwtest::TypeInto(Spin("m_spinctrl_delay"), 77);
    bool closed = false;
    wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_TRUE(closed);
    EXPECT_EQ(ReadProjectFile(dir + "/known.xml").delay, 77);
}

TEST_F(Project, AFrameReplacedByAnotherStillCountsAsAChange) {
    AddFrames();
    SaveProjectAs(dir + "/swap.xml");
    // b.jpg out, another small picture in: count, delay and canvas stay.
    Document& document = frame->GetDocument();
    frame->Edit(std::make_unique<RemoveFramesCommand>(
        document, std::vector<size_t>{document.FrameCount() - 1}, "Delete"));
    lwtest::AppendFrame(frame, wxSize(8, 8), "swapped-in.png");
    bool closed = true;
    wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_FALSE(closed);
}

TEST_F(Project, ACancelledSaveIsNotTakenForASavedProject) {
    AddFrames();
    ClickMenu(frame, "File", "Save Project");  // the file dialog is cancelled
    EXPECT_EQ(frame->GetTitle(), wxString("Untitled * - ") + kProduct);
    bool closed = true;
    wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_FALSE(closed) << "the frames were never saved, so closing still asks";
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);
}

TEST_F(Project, AFailingSaveKeepsTheWindowAndTheOldFile) {
    AddFrames();
    const std::string path = dir + "/old.xml";
    lwtest::WriteFile(path, "the previous project");
    PromptsOf(frame).files.push_back(path);
    lwtest::ShownMessage shown;
    bool closed = true;
    {
        lwtest::FileSizeLimit full(100);
        wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_YES),
                      lwtest::ExpectMessage(wxID_OK, &shown));
    }
    EXPECT_FALSE(closed);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(shown.message.Contains(path)) << shown.message;
    EXPECT_TRUE(shown.style & wxICON_ERROR);
    EXPECT_EQ(lwtest::ReadFile(path), "the previous project");
    EXPECT_EQ(frame->GetTitle(), wxString("Untitled * - ") + kProduct);
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);

    // Not recorded as saved: the next save asks for the file again and writes it.
    const size_t asked = PromptsOf(frame).messages.size();
    SaveProjectAs(path);
    EXPECT_EQ(PromptsOf(frame).messages.size(), asked + 1);
    EXPECT_EQ(ReadProjectFile(path).entries.size(), 6u);
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, AFailedSaveFromTheOpenPromptKeepsTheFrames) {
    AddFrames();
    PromptsOf(frame).files.push_back(dir + "/missing/folder/p.xml");
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(ClickMenu(frame, "File", "Open Project..."), wxExpectModal<wxMessageDialog>(wxID_YES),
                  lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_TRUE(shown.message.Contains(dir + "/missing/folder/p.xml")) << shown.message;
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);
    EXPECT_EQ(PromptsOf(frame).messages.back(), "Save XML Files") << "no project was asked for";
}

TEST_F(Project, YesInTheOpenPromptSavesAndThenOpens) {
    AddPictures({"b.jpg"});
    WriteProject(dir + "/other.xml", "<name>x.gif</name><gif><width>64</width><height>48</height>"
                                     "<delay_time>5</delay_time></gif><images><path>" +
                                         dir + "/a.png</path></images>");
    PromptsOf(frame).files.push_back(dir + "/first.xml");
    PromptsOf(frame).files.push_back(dir + "/other.xml");
    wxTEST_DIALOG(ClickMenu(frame, "File", "Open Project..."), wxExpectModal<wxMessageDialog>(wxID_YES));
    Settle();
    EXPECT_EQ(ReadProjectFile(dir + "/first.xml").entries.size(), 1u);
    EXPECT_EQ(FramePaths(frame), Paths({"a.png"}));
    EXPECT_EQ(Status(0), "x.gif (64 * 48)px");
    EXPECT_EQ(frame->GetTitle(), wxString("other - ") + kProduct);
}

TEST_F(Project, CancellingTheOpenDialogKeepsTheDocument) {
    AddFrames();
    frame->GetPreview().ShowFrame(1);
    ClickMenu(frame, "Animation", "Run animation");
    wxTEST_DIALOG(OpenProject(""), wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);
    EXPECT_TRUE(Enabled("File", "Save Project"));
    EXPECT_EQ(frame->GetTitle(), wxString("Untitled * - ") + kProduct);
    wxTEST_DIALOG(EXPECT_FALSE(CloseWindow()), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
}

TEST_F(Project, AProjectWithMissingFilesOpensWithTheRest) {
    // Frame 2 of the GIF alone, a vanished picture, the GIF's end-of-run entry.
    WriteProject(dir + "/some.xml",
                 "<name></name><gif><width>64</width><height>48</height><delay_time>9</delay_time>"
                 "</gif><images><path>" + dir + "/gone.png</path><path>" + dir +
                     "/anim.gif_2</path><path>" + dir + "/anim.gif</path><path>" + dir +
                     "/a.png</path></images>");
    lwtest::ShownMessage shown;
    wxTEST_DIALOG(
        {
            OpenProject(dir + "/some.xml");
            Settle();
        },
        lwtest::ExpectMessage(wxID_OK, &shown));
    EXPECT_EQ(shown.message, "These pictures could not be added:\ngone.png: not found");
    EXPECT_EQ(FramePaths(frame), Paths({"anim.gif_2", "a.png"}));
    EXPECT_EQ(Spin("m_spinctrl_delay")->GetValue(), 9);
    EXPECT_EQ(Status(0), "Untitled.gif (64 * 48)px");
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, AProjectWithoutLoadablePicturesSaysSo) {
    for (const std::string& images :
         {std::string("<images/>"), "<images><path>" + dir + "/anim.gif</path></images>"}) {
        WriteProject(dir + "/empty.xml",
                     "<name/><gif><width>3</width><height>2</height><delay_time>1</delay_time></gif>" +
                         images);
        lwtest::ShownMessage shown;
        wxTEST_DIALOG(OpenProject(dir + "/empty.xml"), lwtest::ExpectMessage(wxID_OK, &shown));
        EXPECT_EQ(shown.message, "Failed to load XML file!");
        EXPECT_EQ(shown.caption, kProduct);
        EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 0);
        EXPECT_FALSE(frame->IsImporting());
        EXPECT_FALSE(Enabled("File", "Save Project"));
        EXPECT_FALSE(Enabled("Animation", "Loop Count..."));
    }
}

TEST_F(Project, AProjectOfUnreadablePicturesSaysSoWhenTheLoadEnds) {
    lwtest::WriteBrokenPictures(dir);
    WriteProject(dir + "/bad.xml",
                 "<name/><gif><width>3</width><height>2</height><delay_time>1</delay_time></gif>"
                 "<images><path>" + dir + "/half.png</path><path>" + dir +
                     "/truncated.gif_0</path><path>" + dir + "/gone.png</path></images>");
    // One message names each picture; none blames the project file, which was fine.
    lwtest::ShownMessage skipped;
    wxTEST_DIALOG(
        {
            OpenProject(dir + "/bad.xml");
            Settle();
        },
        lwtest::ExpectMessage(wxID_OK, &skipped));
    EXPECT_EQ(skipped.message, "These pictures could not be added:\nhalf.png: damaged\n"
                               "truncated.gif_0: damaged\ngone.png: not found");
    ExpectEmptyDocument();
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, AfterClearAllOpeningAsksNothing) {
    AddFrames();
    SaveProjectAs(dir + "/saved.xml");
    ClickMenu(frame, "Frame", "Clear All");
    OpenProject(dir + "/saved.xml");  // an unexpected question fails the test
    Settle();
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);
}

TEST_F(Project, AFileThatIsNoProjectChangesNothing) {
    AddFrames();
    SaveProjectAs(dir + "/saved.xml");
    // Size and name read, then an element that does not belong there.
    WriteProject(dir + "/odd.xml", "<name>n.gif</name><gif><width>300</width><height>200</height>"
                                   "<delay>4</delay></gif><images><path>" + dir +
                                       "/a.png</path></images>");
    lwtest::WriteFile(dir + "/broken.xml", "<project><name>");
    for (const char* name : {"/odd.xml", "/broken.xml"}) {
        lwtest::ShownMessage shown;
        wxTEST_DIALOG(OpenProject(dir + name), lwtest::ExpectMessage(wxID_OK, &shown));
        EXPECT_FALSE(frame->IsImporting());
        EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5) << name;
        EXPECT_EQ(frame->GetTitle(), wxString("saved - ") + kProduct);
        EXPECT_EQ(Spin("m_spinctrl_width")->GetValue(), 64);
        EXPECT_TRUE(Enabled("File", "Save Project"));
    }
    // The project path still names the file that was saved: nothing to ask.
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, JunkAndHugeNumbersAreTakenAsTheControlsAllow) {
    WriteProject(dir + "/junk.xml",
                 "<name/><gif><width>99999999999999</width><height>-7</height>"
                 "<delay_time>abc</delay_time></gif><images><path>" + dir + "/b.jpg</path></images>");
    OpenProject(dir + "/junk.xml");
    Settle();
    EXPECT_EQ(FramePaths(frame), Paths({"b.jpg"}));
    EXPECT_EQ(Spin("m_spinctrl_delay")->GetValue(), 0);
    // No usable canvas in the file: the frames give it.
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(16, 16));
    EXPECT_TRUE(CloseWindow()) << "as opened, nothing to save";
}

TEST_F(Project, AFrameDelayOfItsOwnGoesIntoTheGifAndTheProject) {
    AddPictures({"a.png", "b.jpg", "a.png"});
    frame->GetThumbnailCtrl()->Select(1);
    int shown = -1;
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Frame Delay..."), lwtest::ExpectFrameDelay(50, &shown));
    EXPECT_EQ(shown, 10);
    PromptsOf(frame).files.push_back(dir + "/out.gif");
    ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    const lwtest::DecodedGif gif = lwtest::DecodeGif(lwtest::ReadFile(dir + "/out.gif"));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].delay, 10);
    EXPECT_EQ(gif.frames[1].delay, 50);
    EXPECT_EQ(gif.frames[2].delay, 10);
    SaveProjectAs(dir + "/delays.xml");
    const auto xpath = lwtest::RunProcess({"/usr/bin/xmllint", "--xpath", "//images/path/@delay",
                                           dir + "/delays.xml"});
    EXPECT_EQ(xpath.out, " delay=\"10\"\n delay=\"50\"\n delay=\"10\"\n");
    ASSERT_TRUE(CloseWindow());

    Open();
    OpenProject(dir + "/delays.xml");
    Settle();
    std::vector<wxString> labels;
    for (int i = 0; i < 3; ++i) labels.push_back(frame->GetThumbnailCtrl()->GetFrameLabel(i));
    EXPECT_EQ(labels, (std::vector<wxString>{"#1  0.00sec", "#2  0.10sec", "#3  0.60sec"}));
}

TEST_F(Project, UndoAndRedoFromTheKeyboardFindTheSavedState) {
    AddFrames();
    const std::vector<wxString> frames = FramePaths(frame);
    SaveProjectAs(dir + "/undo.xml");
    frame->GetThumbnailCtrl()->Select(1);
    wxTEST_DIALOG(ClickMenu(frame, "Frame", "Delete"), wxExpectModal<wxMessageDialog>(wxID_YES));
    ASSERT_EQ(frame->GetThumbnailCtrl()->GetCount(), 4);
    frame->GetThumbnailCtrl()->SetFocus();
    wxUIActionSimulator keys;
    keys.Char('z', wxMOD_CONTROL);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return FramePaths(frame) == frames; }));
    keys.Char('z', wxMOD_CONTROL | wxMOD_SHIFT);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return FramePaths(frame).size() == 4; }));
    EXPECT_NE(FramePaths(frame)[1], frames[1]);
    // Saved without the frame, then undone: closing asks.
    ClickMenu(frame, "File", "Save Project");
    ClickMenu(frame, "Edit", "Undo Delete");
    bool closed = true;
    wxTEST_DIALOG(closed = CloseWindow(), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_FALSE(closed);
    // Redone back to what was saved: it does not.
    keys.Char('y', wxMOD_CONTROL);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return FramePaths(frame).size() == 4; }));
    EXPECT_TRUE(CloseWindow());
}

TEST_F(Project, FilesGivenToTheWindowOpenAsPicturesOrAProject) {
    // Pictures are added in the order given, the rest named in a message.
    const wxString given = dir + "/b.jpg|" + dir + "/gone.png|" + dir + "/a.png";
    wxTEST_DIALOG(frame->OpenFiles(wxSplit(given, '|')), wxExpectModal<wxMessageDialog>(wxID_OK));
    Settle();
    EXPECT_EQ(FramePaths(frame), Paths({"b.jpg", "a.png"}));
    // A project as Open Project: changes are offered for saving first.
    SaveProjectAs(dir + "/p.xml");
    const int savedDelay = Spin("m_spinctrl_delay")->GetValue();
    lwtest::TypeInto(Spin("m_spinctrl_delay"), savedDelay + 7);
    wxTEST_DIALOG(frame->OpenFiles(wxSplit(dir + "/p.xml", '|')),
                  wxExpectModal<wxMessageDialog>(wxID_NO));
    Settle();
    EXPECT_EQ(frame->GetTitle(), wxString("p - ") + kProduct);
    EXPECT_EQ(Spin("m_spinctrl_delay")->GetValue(), savedDelay);
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 2);
    EXPECT_TRUE(CloseWindow()) << "as opened, nothing to save";
}

TEST_F(Project, PicturesGivenRelativelyComeBackFromAnyFolder) {
    ASSERT_EQ(mkdir((dir + "/odd").c_str(), 0700), 0);
    lwtest::WritePicture(dir + "/odd/a.png", 8, 6, *wxRED);
    lwtest::WritePicture(dir + "/odd/b.png", 8, 6, *wxBLUE);
    const wxString started = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(dir));
    frame->OpenFiles(wxSplit("odd/a.png|odd/./b.png", '|'));  // as a shell gives them
    Settle();
    ASSERT_TRUE(wxSetWorkingDirectory("/"));
    EXPECT_EQ(FramePaths(frame), Paths({"odd/a.png", "odd/b.png"}));
    SaveProjectAs(dir + "/odd/proj.xml");
    // Beside the project, they are stored relative to it, so that both can move.
    const std::string saved = lwtest::ReadFile(dir + "/odd/proj.xml");
    EXPECT_NE(saved.find(">a.png</path>"), std::string::npos) << saved;
    // From other folders, by a relative or a whole name: every picture is found.
    for (const std::string& command :
         {"cd / && \"$0\" " + dir + "/odd/proj.xml -o " + dir + "/whole.gif",
          "cd " + dir + " && \"$0\" odd/proj.xml -o relative.gif"}) {
        const auto run = lwtest::RunProcess({"/bin/sh", "-c", command, LW_CLI}, {{"DISPLAY", ""}});
        EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.err;
    }
    EXPECT_EQ(lwtest::DecodeGif(lwtest::ReadFile(dir + "/relative.gif")).frames.size(), 2u);
    ASSERT_TRUE(wxSetWorkingDirectory(started));
    ClickMenu(frame, "File", "New");
    OpenProject(dir + "/odd/proj.xml");
    Settle();
    EXPECT_EQ(FramePaths(frame), Paths({"odd/a.png", "odd/b.png"}));
}

TEST_F(Project, NewSetsTheDocumentAsideAndTheNextSaveAsksForAName) {
    AddFrames();
    const std::string gif = dir + "/first.gif";
    PromptsOf(frame).files.push_back(gif);
    ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    EXPECT_EQ(frame->GetTitle(), wxString("first * - ") + kProduct);
    const std::string written = lwtest::ReadFile(gif);
    // Unsaved frames: New asks as closing does, and Cancel keeps them.
    wxTEST_DIALOG(ClickMenu(frame, "File", "New"), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 5);
    wxTEST_DIALOG(ClickMenu(frame, "File", "New"), wxExpectModal<wxMessageDialog>(wxID_NO));
    ExpectEmptyDocument();
    EXPECT_EQ(frame->GetTitle(), kProduct);
    EXPECT_FALSE(Enabled("Edit", "Undo"));
    AddPictures({"b.jpg"});
    const size_t asked = PromptsOf(frame).messages.size();
    ClickMenu(frame, "File", "Save");  // the file dialog is cancelled
    EXPECT_EQ(PromptsOf(frame).messages.size(), asked + 1);
    EXPECT_EQ(lwtest::ReadFile(gif), written);
    // A saved project is set aside without a question.
    SaveProjectAs(dir + "/second.xml");
    ClickMenu(frame, "File", "New");
    EXPECT_EQ(frame->GetThumbnailCtrl()->GetCount(), 0);
}

TEST_F(Project, TheGifIsNeverSavedOverOneOfItsPictures) {
    AddFrames();
    const std::string picture = lwtest::ReadFile(dir + "/anim.gif");
    ASSERT_EQ(symlink((dir + "/anim.gif").c_str(), (dir + "/link.gif").c_str()), 0);
    for (const char* target : {"/anim.gif", "/link.gif"}) {
        PromptsOf(frame).files.push_back(dir + target);
        lwtest::ShownMessage shown;
        wxTEST_DIALOG(ClickMenu(frame, "File", "Save As..."), lwtest::ExpectMessage(wxID_OK, &shown));
        EXPECT_TRUE(shown.message.Contains("one of the animation's pictures")) << shown.message;
        EXPECT_FALSE(frame->IsExporting());
    }
    EXPECT_EQ(lwtest::ReadFile(dir + "/anim.gif"), picture);
    EXPECT_EQ(frame->GetDocument().GifPath(), "");
}

}  // namespace
