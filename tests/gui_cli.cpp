// The GIF loopwright-cli writes for a project is the one the window's Save
// writes for it, byte for byte, whether it is named on the command line or
// taken from the project, with the project's GIF settings.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/thumbnailctrl.h"

#include <wx/spinctrl.h>
#include <wx/xrc/xmlres.h>

namespace {

TEST(CliAndWindow, AProjectExportsToTheSameBytes) {
    const std::string dir = lwtest::MakeTempDir("cli-window");
    lwtest::WritePicture(dir + "/a.png", 64, 48, *wxRED);
    lwtest::WriteAnimatedGif(dir + "/anim.gif", 30, 20, {"red", "lime", "blue"});
    lwtest::WritePicture(dir + "/b.jpg", 16, 16, *wxGREEN);
    // A hole that the transparent background keeps, and an opaque export would fill.
    lwtest::WritePictureWithHole(dir + "/hole.png", 24);
    MainWindow* frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    wxArrayString pictures;
    for (const char* name : {"a.png", "anim.gif", "b.jpg", "hole.png"}) pictures.Add(dir + "/" + name);
    lwtest::PromptsOf(frame).pictures.push_back(pictures);
    lwtest::ClickMenu(frame, "Frame", "Add Image");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    // A delay and a canvas of the user's own, which the project keeps.
    lwtest::TypeInto(wxStaticCast(frame->FindWindow(XRCID("m_spinctrl_delay")), wxSpinCtrl), 30);
    lwtest::TypeInto(wxStaticCast(frame->FindWindow(XRCID("m_spinctrl_width")), wxSpinCtrl), 50);
    frame->GetThumbnailCtrl()->Select(2);
    int shown = -1;
    wxTEST_DIALOG(lwtest::ClickMenu(frame, "Frame", "Frame Delay..."),
                  lwtest::ExpectFrameDelay(70, &shown));
    lwtest::TickTransparentBox(frame);
    lwtest::PromptsOf(frame).files.push_back(dir + "/out.gif");
    lwtest::ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    lwtest::PromptsOf(frame).files.push_back(dir + "/demo.xml");
    lwtest::ClickMenu(frame, "File", "Save Project");
    lwtest::CloseMainWindow(frame);
    const std::string saved = lwtest::ReadFile(dir + "/out.gif");
    ASSERT_FALSE(saved.empty());

    const std::map<std::string, std::string> noDisplay{{"DISPLAY", ""}};
    auto run = lwtest::RunProcess({LW_CLI, dir + "/demo.xml", "-o", dir + "/cli.gif"}, noDisplay);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(lwtest::ReadFile(dir + "/cli.gif") == saved);
    wxRemoveFile(dir + "/out.gif");
    run = lwtest::RunProcess({LW_CLI, dir + "/demo.xml"}, noDisplay);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(lwtest::ReadFile(dir + "/out.gif") == saved);
}

}  // namespace
