// Real GIFs through the real window: an optimised GIF comes in as a viewer
// shows it and goes out the same, with its timing and the loop count chosen;
// transparent holes stay transparent when the user asks for it.
#include "support/dialog_answers.h"
#include "support/gif_decode.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/psnr.h"
#include "support/test_support.h"

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
        ClickMenu(frame, "Frame", "Add Image...");
        ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    }
    void SaveAs(const std::string& path) {
        lwtest::PromptsOf(frame).files.push_back(path);
        ClickMenu(frame, "File", "Save As...");
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
    MainWindow* frame = nullptr;
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
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(3));
    SaveAs(dir + "/again.gif");
    EXPECT_EQ(Coalesced(dir + "/again.gif"), Coalesced(dir + "/opt.gif"));
    EXPECT_EQ(Identify("%T ", dir + "/again.gif"), "8 8 8 8 8 8 8 8 ");
    // Played three times: ImageMagick counts the passes.
    const auto verbose = RunProcess({"/usr/bin/identify", "-verbose", dir + "/again.gif[0]"});
    EXPECT_NE(verbose.out.find("Iterations: 3"), std::string::npos);
    // Forever is still the loop extension with 0.
    wxTEST_DIALOG(ClickMenu(frame, "Animation", "Loop Count..."), lwtest::ExpectLoopCount(0));
    SaveAs(dir + "/forever.gif");
    const lwtest::DecodedGif forever = lwtest::DecodeGif(lwtest::ReadFile(dir + "/forever.gif"));
    ASSERT_FALSE(forever.frames.empty());
    EXPECT_TRUE(forever.frames[0].hasLoop);
    EXPECT_EQ(forever.frames[0].loopCount, 0);
}

TEST_F(GifInOut, ATransparentHoleStaysTransparentOnlyWhenAsked) {
    lwtest::WritePictureWithHole(dir + "/hole.png", 20);
    Add(dir + "/hole.png");
    // Off by default: black, as always.
    SaveAs(dir + "/black.gif");
    EXPECT_EQ(Identify("%[pixel:p{10,10}]", dir + "/black.gif"), "srgb(0,0,0)");
    lwtest::TickTransparentBox(frame);
    SaveAs(dir + "/hole.gif");
    EXPECT_EQ(Identify("%[pixel:p{10,10}]", dir + "/hole.gif").find("srgba(0,0,0,0)"), 0u);
    EXPECT_EQ(Identify("%[pixel:p{2,2}]", dir + "/hole.gif"), "srgba(30,160,60,1)");
    // The screen's background is the transparent entry, so that viewers that
    // clear to it show the hole, not an opaque colour.
    const auto pil = RunProcess({"/usr/bin/python3", "-c",
                                 "import sys; from PIL import Image; i = Image.open(sys.argv[1]); "
                                 "print(i.info['background'] == i.info['transparency'])",
                                 dir + "/hole.gif"});
    EXPECT_EQ(pil.out, "True\n") << pil.err;
    // Composed as ImageMagick composes frames, the hole stays clear, not red.
    const std::string rgba = Coalesced(dir + "/hole.gif");
    ASSERT_GE(rgba.size(), size_t(4) * (10 * 20 + 10) + 4);
    EXPECT_EQ(rgba[4 * (10 * 20 + 10) + 3], '\0');
}

TEST_F(GifInOut, AScreenRecordingStoresOnlyWhatChangesWithinTheQuantisersError) {
    // A still desktop of many colours, a moving cursor and a small video tile.
    const int w = 240, h = 160, frames = 12;
    std::vector<wxImage> sources;
    for (int i = 0; i < frames; ++i) {
        wxImage picture(w, h);
        unsigned seed = 7u + static_cast<unsigned>(i);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int r = x, g = y + (x * 3) % 40, b = (x ^ y) & 255;
                if (x >= i * 12 && x < i * 12 + 6 && y >= 20 && y < 30) r = g = b = 255;  // cursor
                if (x >= 170 && x < 210 && y >= 110 && y < 140) {                        // video
                    seed = seed * 1103515245u + 12345u;
                    r = (seed >> 16) & 255, g = (seed >> 8) & 255, b = (r + i * 20) & 255;
                }
                picture.SetRGB(x, y, r, g, b);
            }
        sources.push_back(picture);
        lwtest::AppendPicture(frame, picture, dir + "/s" + std::to_string(i) + ".png");
    }
    SaveAs(dir + "/optimised.gif");
    GifSettings whole = frame->GetDocument().Settings();
    whole.optimise = false;
    frame->Edit(std::make_unique<SetGifSettingsCommand>(frame->GetDocument(), whole));
    SaveAs(dir + "/whole.gif");
    const auto size = [](const std::string& path) { return lwtest::ReadFile(path).size(); };
    EXPECT_LT(size(dir + "/optimised.gif") * 2, size(dir + "/whole.gif"));
    // Every frame as a viewer composes it stays close to its source.
    const std::string rgb = RunProcess({"/usr/bin/convert", dir + "/optimised.gif", "-coalesce",
                                        "-depth", "8", "rgb:-"}).out;
    ASSERT_EQ(rgb.size(), size_t(w) * h * 3 * frames);
    for (int i = 0; i < frames; ++i) {
        wxImage decoded(w, h, false);
        std::copy_n(rgb.data() + size_t(i) * w * h * 3, size_t(w) * h * 3, decoded.GetData());
        EXPECT_GT(lwtest::Psnr(decoded, sources[size_t(i)]), 30.0) << "frame " << i;
    }
}

}  // namespace
