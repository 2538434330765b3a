// "Save" and "Save As" in the main window: which file is written and when,
// the progress the window sees, the status bar, and what a failure does.
#include "support/gif_decode.h"
#include "support/main_window.h"
#include "support/test_support.h"

#include "document/commands.h"
#include "framestore/framestore.h"
#include "jobs/workerevents.h"
#include "window/exportcontroller.h"
#include "window/gifsettingsdialog.h"
#include "window/sizeestimatecontroller.h"
#include "window/thumbnailctrl.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/xrc/xmlres.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <random>

namespace {

using lwtest::DecodeGif;
using lwtest::DecodedGif;
using lwtest::GifColour;

// Answers a message box and keeps its text.
class AnswerMessage : public wxExpectModalBase<wxMessageDialog, AnswerMessage> {
public:
    AnswerMessage(int answer, wxString* text) : m_answer(answer), m_text(text) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        *m_text = dialog->GetMessage();
        return m_answer;
    }

private:
    int m_answer;
    wxString* m_text;
};

// The file's identity: every export writes a new file and renames it over
// the old one, so an unchanged inode means nothing was written.
ino_t Inode(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        folder = lwtest::MakeTempDir("gui-export");
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
        frame->GetExport().Bind(wxEVT_COMMAND_WORKER_PROGRESS, [this](wxCommandEvent& e) {
            if (e.GetId() == ID_SAVE_GIF_THREAD) progress.push_back(e.GetInt());
            e.Skip();
        });
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }

    wxSpinCtrl* Spin(const char* name) {
        return wxDynamicCast(frame->FindWindow(XRCID(name)), wxSpinCtrl);
    }
    void Type(const char* name, int value) { lwtest::TypeInto(Spin(name), value); }
    void AddFrame(const wxImage& picture) {
        const std::string path = folder + "/picture" + std::to_string(++pictures) + ".png";
        lwtest::WriteFile(path, "only the name matters here");
        lwtest::AppendPicture(frame, picture, path);
    }
    void AddSolidFrames(int count, int w = 40, int h = 30) {
        for (int i = 0; i < count; ++i) {
            wxImage image(w, h, false);
            image.SetRGB(wxRect(0, 0, w, h), 60 * i % 256, 255 - 30 * i % 256, 100);
            AddFrame(image);
        }
    }
    void AddNoisyFrames(int count, int w, int h) {
        std::mt19937 random(7);
        for (int i = 0; i < count; ++i) {
            wxImage image(w, h, false);
            unsigned char* p = image.GetData();
            for (int k = 0; k < w * h * 3; ++k) p[k] = static_cast<unsigned char>(random());
            AddFrame(image);
        }
    }
    void Click(const char* label, const char* menu = "File") {
        wxMenuItem* item = lwtest::FindMenuItem(frame, menu, label);
        ASSERT_NE(item, nullptr) << label;
        lwtest::ClickMenu(frame, item);
    }
    // Runs the command and waits for any export it started.
    void Run(const char* label) {
        Click(label);
        ASSERT_TRUE(lwtest::PumpUntil([this] { return !frame->IsExporting(); }));
    }
    void Answer(const std::string& path) { lwtest::PromptsOf(frame).files.push_back(path); }
    const std::vector<wxString>& Asked() { return lwtest::PromptsOf(frame).messages; }
    wxString Status() { return frame->GetStatusBar()->GetStatusText(0); }
    DecodedGif Decode(const std::string& path) { return DecodeGif(lwtest::ReadFile(path)); }

    MainWindow* frame = nullptr;
    std::string folder;
    std::vector<int> progress;
    int pictures = 0;
};

TEST_F(Export, SaveAsksOnceForANameAndWritesAnAnimationThatLoopsForever) {
    AddSolidFrames(3);
    Type("m_spinctrl_delay", 40);
    Answer(folder + "/anim");
    Click("Save");
    // The progress dialog keeps the window disabled while the thread runs.
    EXPECT_TRUE(frame->IsExporting());
    EXPECT_FALSE(frame->IsEnabled());
    ASSERT_TRUE(lwtest::PumpUntil([this] { return !frame->IsExporting(); }));
    EXPECT_TRUE(frame->IsEnabled());
    EXPECT_EQ(progress, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(Asked(), std::vector<wxString>{"Save GIF Files"});
    // "anim" was typed: the file is anim.gif, the status bar says anim.
    EXPECT_EQ(Status(), "anim (40 * 30)px");
    EXPECT_EQ(lwtest::FolderContents(folder),
              (std::vector<std::string>{"anim.gif", "picture1.png", "picture2.png", "picture3.png"}));

    const DecodedGif gif = Decode(folder + "/anim.gif");
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.width, 40);
    EXPECT_EQ(gif.height, 30);
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_TRUE(gif.frames[0].hasLoop);
    EXPECT_EQ(gif.frames[0].loopCount, 0);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(gif.frames[i].delay, 40);
        const GifColour expected{int(60 * i % 256), int(255 - 30 * i % 256), 100};
        EXPECT_EQ(gif.frames[i].pixels[0], expected);
        EXPECT_EQ(gif.frames[i].pixels.back(), expected);
    }
    // Also what ImageMagick makes of it.
    const lwtest::ProcessResult identify =
        lwtest::RunProcess({"/usr/bin/identify", "-format", "%w %h %T %n|", folder + "/anim.gif"});
    EXPECT_EQ(identify.out, "40 30 40 3|40 30 40 3|40 30 40 3|");
}

TEST_F(Export, ProgressIsReportedAfterEachFrame) {
    AddSolidFrames(1);
    Answer(folder + "/one.gif");
    Run("Save");
    EXPECT_EQ(progress, std::vector<int>{100});

    Click("Clear All", "Frame");  // nothing to confirm when the project was never saved
    lwtest::PumpPending();
    AddSolidFrames(7);
    progress.clear();
    Answer(folder + "/seven.gif");
    Run("Save As...");
    EXPECT_EQ(progress, (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));
    EXPECT_EQ(Decode(folder + "/seven.gif").frames.size(), 7u);
}

TEST_F(Export, SaveWithoutChangesWritesNothingUnlessTheFileIsGone) {
    AddSolidFrames(2);
    const std::string gif = folder + "/anim.gif";
    Answer(gif);
    Run("Save");
    const ino_t first = Inode(gif);
    ASSERT_NE(first, 0u);
    progress.clear();

    Click("Save");
    EXPECT_FALSE(frame->IsExporting());
    lwtest::PumpPending();
    EXPECT_EQ(Inode(gif), first);
    EXPECT_TRUE(progress.empty());

    ASSERT_TRUE(wxRemoveFile(gif));
    Run("Save");
    EXPECT_TRUE(lwtest::FileExists(gif));
    EXPECT_EQ(Decode(gif).frames.size(), 2u);
    EXPECT_EQ(Asked().size(), 1u);  // no second dialog
}

TEST_F(Export, EachChangeMakesSaveWriteAgainAtTheCurrentSize) {
    AddSolidFrames(2, 40, 30);
    const std::string gif = folder + "/anim.gif";
    Answer(gif);
    Run("Save");
    ino_t last = Inode(gif);
    auto wroteAgain = [&] {
        const ino_t now = Inode(gif);
        const bool changed = now != last;
        last = now;
        return changed;
    };

    Type("m_spinctrl_delay", 55);
    Run("Save");
    EXPECT_TRUE(wroteAgain());
    EXPECT_EQ(Decode(gif).frames[1].delay, 55);

    Type("m_spinctrl_width", 20);  // the height follows: 15
    Run("Save");
    EXPECT_TRUE(wroteAgain());
    DecodedGif decoded = Decode(gif);
    EXPECT_EQ(decoded.width, 20);
    EXPECT_EQ(decoded.height, 15);
    EXPECT_EQ(Status(), "anim.gif (20 * 15)px");

    Type("m_spinctrl_height", 6);
    Run("Save");
    EXPECT_TRUE(wroteAgain());
    decoded = Decode(gif);
    EXPECT_EQ(decoded.width, 8);
    EXPECT_EQ(decoded.height, 6);

    AddSolidFrames(1, 40, 30);  // the canvas follows the frames again
    Run("Save");
    EXPECT_TRUE(wroteAgain());
    decoded = Decode(gif);
    EXPECT_EQ(decoded.frames.size(), 3u);
    EXPECT_EQ(decoded.width, 40);

    Run("Save");
    EXPECT_FALSE(wroteAgain());

    // Another frame in place of one: the count stays, the file must not.
    frame->Edit(std::make_unique<RemoveFramesCommand>(frame->GetDocument(),
                                                      std::vector<size_t>{0}, "Delete"));
    AddSolidFrames(1, 40, 30);
    Run("Save");
    EXPECT_TRUE(wroteAgain());
}

TEST_F(Export, SaveAsAlwaysAsksAndWrites) {
    AddSolidFrames(2);
    Answer(folder + "/x.GIF");
    Run("Save As...");
    EXPECT_EQ(Asked(), std::vector<wxString>{"Save As GIF Files"});
    EXPECT_EQ(lwtest::FolderContents(folder),
              (std::vector<std::string>{"picture1.png", "picture2.png", "x.GIF.gif"}));
    // Save As names the file with its extension.
    EXPECT_EQ(Status(), "x.GIF.gif (40 * 30)px");
    const ino_t first = Inode(folder + "/x.GIF.gif");

    Answer(folder + "/x.GIF.gif");
    Run("Save As...");  // nothing changed, written all the same
    EXPECT_NE(Inode(folder + "/x.GIF.gif"), first);
}

TEST_F(Export, CancellingSaveAsForgetsTheGifSoSaveAsksAgain) {
    AddSolidFrames(2);
    Answer(folder + "/anim.gif");
    Run("Save");
    const ino_t first = Inode(folder + "/anim.gif");
    Click("Save As...");  // no answer: cancelled
    EXPECT_FALSE(frame->IsExporting());
    EXPECT_EQ(Inode(folder + "/anim.gif"), first);

    Answer(folder + "/other.gif");
    Run("Save");
    EXPECT_EQ(Asked(), (std::vector<wxString>{"Save GIF Files", "Save As GIF Files", "Save GIF Files"}));
    EXPECT_TRUE(lwtest::FileExists(folder + "/other.gif"));
    EXPECT_EQ(Inode(folder + "/anim.gif"), first);
}

TEST_F(Export, SaveAsProposesTheGifNameWhereItGoesAndNeverWritesAPattern) {
    AddSolidFrames(1);
    const std::string other = lwtest::MakeTempDir("gui-export-other");
    lwtest::ScriptedPrompts& prompts = lwtest::PromptsOf(frame);
    Click("Save As...");  // cancelled
    EXPECT_EQ(prompts.proposed.back(), "Untitled.gif");
    EXPECT_EQ(prompts.folders.back(), folder);  // beside the first picture

    // Enter on a pattern gives back the pattern: refused, and asked again.
    Answer(folder + "/*.gif");
    Answer(other + "/anim.gif");
    wxTEST_DIALOG(Run("Save As..."), wxExpectModal<wxMessageDialog>(wxID_OK));
    EXPECT_FALSE(lwtest::FileExists(folder + "/*.gif"));

    Click("Save As...");
    EXPECT_EQ(prompts.proposed.back(), "anim.gif");
    EXPECT_EQ(prompts.folders.back(), other);
}

TEST_F(Export, AnEmptyStripWritesNothing) {
    Answer(folder + "/empty");
    Click("Save");  // remembers the name, writes nothing
    EXPECT_FALSE(frame->IsExporting());
    Click("Save As...");  // does not even ask
    Click("Save");
    EXPECT_FALSE(frame->IsExporting());
    lwtest::PumpPending();
    EXPECT_EQ(Asked(), std::vector<wxString>{"Save GIF Files"});
    EXPECT_TRUE(lwtest::FolderContents(folder).empty());
    EXPECT_TRUE(progress.empty());

    // The name chosen then is used once there are frames.
    AddSolidFrames(1);
    Run("Save");
    EXPECT_EQ(Asked().size(), 1u);
    EXPECT_EQ(Decode(folder + "/empty.gif").frames.size(), 1u);
}

TEST_F(Export, AFolderThatCannotBeWrittenIsReportedAndNothingClaimsSuccess) {
    AddSolidFrames(2);
    const wxString before = Status();
    // Root writes anywhere; nobody can create a file inside a regular file.
    lwtest::WriteFile(folder + "/plain", "a file, not a folder");
    const std::string gif = folder + "/plain/anim.gif";
    Answer(gif);
    wxString text;
    wxTEST_DIALOG(Run("Save"), AnswerMessage(wxID_OK, &text));
    EXPECT_TRUE(text.Contains(gif)) << text;
    EXPECT_EQ(progress, std::vector<int>{100});
    EXPECT_EQ(Status(), before);
    EXPECT_TRUE(frame->IsEnabled());

    // A failed save changes nothing: the GIF has no name yet, and the next
    // "Save" asks again instead of aiming at the failed one.
    EXPECT_EQ(frame->GetDocument().GifPath(), "");
    const std::string elsewhere = folder + "/anim.gif";
    Answer(elsewhere);
    Run("Save");
    EXPECT_EQ(Asked().size(), 2u);
    EXPECT_EQ(Decode(elsewhere).frames.size(), 2u);
    EXPECT_EQ(frame->GetDocument().GifPath(), elsewhere);
}

TEST_F(Export, ACanvasTooLargeForMemoryIsRefusedBeforeRendering) {
    AddSolidFrames(2);
    Type("m_spinctrl_width", 65535);  // the height follows: 65535 x 49151
    const std::string gif = folder + "/huge.gif";
    Answer(gif);
    wxString text;
    wxTEST_DIALOG(Run("Save"), AnswerMessage(wxID_OK, &text));
    EXPECT_TRUE(text.Contains("\"" + gif + "\"") && text.Contains("65535 x ")) << text;
    EXPECT_TRUE(progress.empty()) << "no frame was rendered";
    EXPECT_FALSE(lwtest::FileExists(gif));
    EXPECT_TRUE(frame->IsEnabled());
}

TEST_F(Export, AFailedWriteKeepsTheOldFile) {
    AddNoisyFrames(3, 120, 90);
    const std::string gif = folder + "/anim.gif";
    lwtest::WriteFile(gif, "the previous animation");
    Answer(gif);
    wxString text;
    {
        // Files of this process cannot grow past 4000 bytes: a full disk.
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = 4000;
        setrlimit(RLIMIT_FSIZE, &limit);
        wxTEST_DIALOG(Run("Save As..."), AnswerMessage(wxID_OK, &text));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_TRUE(text.Contains(gif)) << text;
    EXPECT_EQ(lwtest::ReadFile(gif), "the previous animation");
    EXPECT_EQ(lwtest::FolderContents(folder),
              (std::vector<std::string>{"anim.gif", "picture1.png", "picture2.png", "picture3.png"}));
    EXPECT_EQ(progress.back(), 100);

    // The failed name was not taken: Save asks, and then replaces the old file.
    EXPECT_EQ(frame->GetDocument().GifPath(), "");
    Answer(gif);
    Run("Save");
    EXPECT_EQ(Decode(gif).frames.size(), 3u);
}

TEST_F(Export, AFrameTheCacheCannotGiveBackIsNamedAndShownAsSuch) {
    // Frames of a store that keeps nothing in memory, one of them changed in
    // its file behind the program's back.
    auto store = FrameStore::Create(0, folder + "/cache");
    std::vector<DocumentFrame> frames(3);
    for (size_t i = 0; i < frames.size(); ++i) {
        wxImage image(40, 30);
        image.SetRGB(wxRect(0, 0, 40, 30), 80 * i, 40, 200);
        frames[i].picture = store->Store(image);
        frames[i].path = folder + "/f" + std::to_string(i) + ".png";
        frames[i].delay = 10;
    }
    const int fd = open(store->SpillPath().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    const off_t size = lseek(fd, 0, SEEK_END);
    ASSERT_EQ(pwrite(fd, "\xff\x00\xff", 3, size / 2), 3);  // inside the second frame
    close(fd);
    frame->Edit(std::make_unique<InsertFramesCommand>(frame->GetDocument(), 0, frames, "Add Image"));
    frame->GetPreview().ShowFrame(1);
    EXPECT_FALSE(frame->GetPreview().ShownBitmap().IsOk());
    Answer(folder + "/anim.gif");
    wxString text;
    wxTEST_DIALOG(Run("Save"), AnswerMessage(wxID_OK, &text));
    EXPECT_TRUE(text.Contains("frame 2 could not be read back from the cache")) << text;
    EXPECT_FALSE(lwtest::FileExists(folder + "/anim.gif"));
}

TEST_F(Export, AnAddedExtensionDoesNotReplaceAFileWithoutAsking) {
    AddSolidFrames(1);
    const std::string gif = folder + "/anim.gif";
    lwtest::WriteFile(gif, "keep me");
    Answer(folder + "/anim");
    wxString text;
    wxTEST_DIALOG(Click("Save"), AnswerMessage(wxID_NO, &text));
    EXPECT_TRUE(text.Contains(gif)) << text;
    EXPECT_FALSE(frame->IsExporting());
    EXPECT_EQ(lwtest::ReadFile(gif), "keep me");

    Answer(folder + "/anim");  // still no GIF chosen: asked again
    wxTEST_DIALOG(Run("Save"), AnswerMessage(wxID_YES, &text));
    EXPECT_EQ(Decode(gif).frames.size(), 1u);
}

TEST_F(Export, ClosingTheWindowDuringAnExportLeavesNoTemporaryFile) {
    AddNoisyFrames(12, 400, 300);
    Answer(folder + "/big.gif");
    Click("Save");
    ASSERT_TRUE(frame->IsExporting());
    lwtest::CloseMainWindow(frame);
    frame = nullptr;
    // The thread notices, stops and removes what it wrote.
    EXPECT_TRUE(lwtest::PumpUntil([this] {
        for (const std::string& name : lwtest::FolderContents(folder))
            if (name.find("big.gif") != std::string::npos) return false;
        return true;
    }));
}

}  // namespace

namespace {

// Ticks "Keep the GIF under" with a size in megabytes.
class KeepUnder : public wxExpectModalBase<GifSettingsDialog, KeepUnder> {
public:
    explicit KeepUnder(double megabytes) : m_megabytes(megabytes) {}

protected:
    int OnInvoked(GifSettingsDialog* dialog) const override {
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_KEEP_UNDER), wxCheckBox)->SetValue(true);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_MAX_SIZE), wxSpinCtrlDouble)->SetValue(m_megabytes);
        return wxID_OK;
    }

private:
    double m_megabytes;
};

TEST_F(Export, KeepUnderWritesAGifUnderTheLimitAndTheStatusBarTellsTheSizes) {
    frame->GetSizeEstimate().SetPause(1);
    AddNoisyFrames(6, 200, 150);
    // The estimate arrives on its own after the edits.
    auto sizeText = [this] { return frame->GetStatusBar()->GetStatusText(3); };
    ASSERT_TRUE(lwtest::PumpUntil([&] { return sizeText().StartsWith(wxString::FromUTF8("≈ ")); }));
    const long long estimate = frame->GetSizeEstimate().Estimate();
    EXPECT_GT(estimate, 100000);  // noise: no GIF makes it small
    wxTEST_DIALOG(Click("GIF Settings..."), KeepUnder(0.05));
    EXPECT_EQ(frame->GetDocument().Settings().maxBytes, 52429);
    ASSERT_TRUE(lwtest::PumpUntil([&] { return sizeText().StartsWith(wxString::FromUTF8("≈ ")); }));
    Answer(folder + "/small.gif");
    Run("Save");
    const std::string written = lwtest::ReadFile(folder + "/small.gif");
    EXPECT_LE(written.size(), 52429u);
    EXPECT_TRUE(DecodeGif(written).ok);
    EXPECT_NE(sizeText().Find("saved: "), wxNOT_FOUND) << sizeText();
    // What it gave up is named.
    EXPECT_NE(frame->GetStatusBar()->GetStatusText(2).Find("colours"), wxNOT_FOUND);
}

}  // namespace
