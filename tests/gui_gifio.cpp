// Real GIFs through the real window: an optimised GIF comes in as a viewer
// shows it and goes out the same, with its timing and the loop count chosen;
// transparent holes stay transparent when the user asks for it.
#include "support/dialog_answers.h"
#include "support/gif_decode.h"
#include "support/main_window.h"
#include "support/test_support.h"

#include <wx/checkbox.h>
#include <wx/xrc/xmlres.h>

namespace {

using lwtest::ClickMenu;
using lwtest::RunProcess;

class GifInOut : public ::testing::Test {
protected:
    void SetUp() override {
        dir = lwtest::MakeTempDir("gifio");
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }
    void Add(const std::string& path) {
        wxArrayString paths;
        paths.Add(path);
        lwtest::PromptsOf(frame).pictures.push_back(paths);
        ClickMenu(frame, "Frame", "Add Image");
        ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    }
    void SaveAs(const std::string& path) {
        lwtest::PromptsOf(frame).files.push_back(path);
        ClickMenu(frame, "File", "Save As");
        ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    }
    // What ImageMagick shows of the file: every frame composed, as RGBA bytes.
    std::string Coalesced(const std::string& gif) {
        const auto r = RunProcess({"/usr/bin/convert", gif, "-coalesce", "-depth", "8", "rgba:-"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    std::string Identify(const std::string& format, const std::string& gif) {
        return RunProcess({"/usr/bin/identify", "-format", format, gif}).out;
    }
    std::string dir;
    GifFrame* frame = nullptr;
};

TEST_F(GifInOut, AnOptimisedGifComesBackAsAViewerShowsItWithItsTimingAndLoopCount) {
    // A square moving over stripes, 8 frames of 80 ms, optimised by gifsicle.
    std::vector<std::string> make = {"/usr/bin/convert", "-delay", "8"};
    for (int i = 0; i < 8; ++i) {
        const std::string png = dir + "/f" + std::to_string(i) + ".png";
        wxImage picture(48, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) {
                const bool square = x >= i * 5 && x < i * 5 + 8 && y >= 10 && y < 18;
                const int v = square ? 255 : (x / 4) % 2 ? 200 : 40;
                picture.SetRGB(x, y, square ? 255 : v, square ? 0 : v, square ? 0 : 90);
            }
        ASSERT_TRUE(picture.SaveFile(png, wxBITMAP_TYPE_PNG));
        make.push_back(png);
    }
    make.push_back(dir + "/plain.gif");
    ASSERT_EQ(RunProcess(make).exitCode, 0);
    ASSERT_EQ(RunProcess({"/usr/bin/gifsicle", "-O3", dir + "/plain.gif", "-o", dir + "/opt.gif"}).exitCode, 0);

    Add(dir + "/opt.gif");
    ASSERT_EQ(frame->GetDocument().FrameCount(), 8u);
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count"), lwtest::ExpectLoopCount(3));
    SaveAs(dir + "/again.gif");
    EXPECT_EQ(Coalesced(dir + "/again.gif"), Coalesced(dir + "/opt.gif"));
    EXPECT_EQ(Identify("%T ", dir + "/again.gif"), "8 8 8 8 8 8 8 8 ");
    // Played three times: ImageMagick counts the passes.
    const auto verbose = RunProcess({"/usr/bin/identify", "-verbose", dir + "/again.gif[0]"});
    EXPECT_NE(verbose.out.find("Iterations: 3"), std::string::npos);
    // Forever is still the loop extension with 0.
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count"), lwtest::ExpectLoopCount(0));
    SaveAs(dir + "/forever.gif");
    const lwtest::DecodedGif forever = lwtest::DecodeGif(lwtest::ReadFile(dir + "/forever.gif"));
    ASSERT_FALSE(forever.frames.empty());
    EXPECT_TRUE(forever.frames[0].hasLoop);
    EXPECT_EQ(forever.frames[0].loopCount, 0);
}

TEST_F(GifInOut, ATransparentHoleStaysTransparentOnlyWhenAsked) {
    wxImage picture(20, 20);
    picture.SetRGB(wxRect(0, 0, 20, 20), 30, 160, 60);
    picture.InitAlpha();
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x) picture.SetAlpha(x, y, 0);
    ASSERT_TRUE(picture.SaveFile(dir + "/hole.png", wxBITMAP_TYPE_PNG));
    Add(dir + "/hole.png");
    auto* box = wxStaticCast(frame->FindWindow(XRCID("m_checkBox_transparent")), wxCheckBox);
    // Off by default: black, as always.
    SaveAs(dir + "/black.gif");
    EXPECT_EQ(Identify("%[pixel:p{10,10}]", dir + "/black.gif"), "srgb(0,0,0)");
    box->SetValue(true);
    wxCommandEvent tick(wxEVT_CHECKBOX, box->GetId());
    tick.SetInt(1);
    tick.SetEventObject(box);
    box->ProcessWindowEvent(tick);
    SaveAs(dir + "/hole.gif");
    EXPECT_EQ(Identify("%[pixel:p{10,10}]", dir + "/hole.gif").find("srgba(0,0,0,0)"), 0u);
    EXPECT_EQ(Identify("%[pixel:p{2,2}]", dir + "/hole.gif"), "srgba(30,160,60,1)");
}

}  // namespace
