// Videos through the real window: the range dialog chooses the frames, which
// save as GIF, WebP and APNG (read back by Pillow) and come back with the
// project; a video cut short gives its first frames and one message.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/test_support.h"
#include "window/videodialog.h"

#include <wx/checkbox.h>
#include <wx/spinctrl.h>

namespace {

// Answers the video dialog with a range in seconds and a rate; keeps what it proposed.
class ExpectVideo : public wxExpectModalBase<VideoDialog, ExpectVideo> {
public:
    ExpectVideo(double from, double to, int fps, VideoSampling* proposed = nullptr)
        : m_from(from), m_to(to), m_fps(fps), m_proposed(proposed) {}

protected:
    int OnInvoked(VideoDialog* dialog) const override {
        if (m_proposed) *m_proposed = dialog->GetSampling();
        VideoSampling sampling = dialog->GetSampling();
        sampling.startMs = static_cast<long long>(m_from * 1000);
        sampling.endMs = static_cast<long long>(m_to * 1000);
        sampling.fps = m_fps;
        dialog->SetSampling(sampling);
        return wxID_OK;
    }

private:
    double m_from, m_to;
    int m_fps;
    VideoSampling* m_proposed;
};

void MakeClip(const std::string& path, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> argv{"/usr/bin/ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  "testsrc2=size=640x360:rate=25", "-t", "6", "-pix_fmt", "yuv420p"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(path);
    ASSERT_EQ(lwtest::RunProcess(argv).exitCode, 0);
}

// The lowest PSNR over the frames of two animations (or, lastOnly, of the
// first's last frame against a picture), as Pillow decodes them.
std::string PillowLeastPsnr(const std::string& a, const std::string& b, bool lastOnly) {
    const char* script =
        "import sys, math\nfrom PIL import Image, ImageChops, ImageStat\n"
        "A, B = Image.open(sys.argv[1]), Image.open(sys.argv[2])\nleast = float('inf')\n"
        "frames = [A.n_frames - 1] if sys.argv[3] == '1' else range(A.n_frames)\n"
        "for i in frames:\n    A.seek(i); A.load()\n    if sys.argv[3] != '1': B.seek(i); B.load()\n"
        "    d = ImageChops.difference(A.convert('RGB'), B.convert('RGB'))\n"
        "    mse = sum(ImageStat.Stat(d.point(lambda v: v * v)).mean) / 3\n"
        "    least = min(least, 10 * math.log10(255 * 255 / mse) if mse else float('inf'))\n"
        "print(least)\n";
    return lwtest::RunProcess({"/usr/bin/python3", "-c", script, a, b, lastOnly ? "1" : "0"}).out;
}

void SaveAs(MainWindow* frame, const std::string& typed, int type) {
    lwtest::PromptsOf(frame).files.push_back(typed);
    lwtest::PromptsOf(frame).filters.push_back(type);
    lwtest::ClickMenu(frame, "File", "Save As...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
}

}  // namespace

TEST(Video, ARangeAtARateBecomesFramesSavedInEveryFormatAndKeptByTheProject) {
    const std::string dir = lwtest::MakeTempDir("video");
    MakeClip(dir + "/clip.mp4", {"-c:v", "libx264"});
    MainWindow* frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    lwtest::PromptsOf(frame).pictures.push_back(wxArrayString(1, wxString(dir + "/clip.mp4")));
    VideoSampling proposed;
    wxTEST_DIALOG(lwtest::ClickMenu(frame, "Frame", "Add Image..."), ExpectVideo(1, 3, 10, &proposed));
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    // Proposed: all of it, every frame (25 a second is within the limit), its own size.
    EXPECT_EQ(proposed.fps, 0);
    EXPECT_EQ(proposed.size, wxSize(640, 360));
    const Document& document = frame->GetDocument();
    ASSERT_EQ(document.FrameCount(), 20u);
    for (const DocumentFrame& shown : document.Frames()) EXPECT_EQ(shown.delay, 10);
    EXPECT_EQ(document.Frame(0).path, dir + "/clip.mp4#t=1.000&size=640x360");

    SaveAs(frame, dir + "/out.gif", 0);
    SaveAs(frame, dir + "/out", 1);  // the WebP type: the name gets its extension
    SaveAs(frame, dir + "/out.png", 0);  // the name's extension wins over the type
    for (const char* name : {"/out.gif", "/out.webp", "/out.png"})
        EXPECT_EQ(lwtest::PillowTiming(dir + name), "20 (640, 360) [100]\n") << name;
    EXPECT_EQ(document.GifPath(), dir + "/out.png");
    // The APNG holds the frames exactly; the GIF and the WebP are those frames within their losses.
    ASSERT_TRUE(document.Frame(19).picture->Decode().SaveFile(dir + "/last.png", wxBITMAP_TYPE_PNG));
    EXPECT_EQ(PillowLeastPsnr(dir + "/out.png", dir + "/last.png", true), "inf\n");
    EXPECT_GT(std::stod(PillowLeastPsnr(dir + "/out.gif", dir + "/out.png", false)), 30.0);
    EXPECT_GT(std::stod(PillowLeastPsnr(dir + "/out.webp", dir + "/out.png", false)), 30.0);

    lwtest::PromptsOf(frame).files.push_back(dir + "/video.xml");
    lwtest::ClickMenu(frame, "File", "Save Project");
    const wxImage first = document.Frame(0).picture->Decode();
    // Opened again, each frame is read back from its time in the video; the
    // dialog is not asked for a project's frames.
    lwtest::PromptsOf(frame).files.push_back(dir + "/video.xml");
    lwtest::ClickMenu(frame, "File", "Open Project...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    ASSERT_EQ(document.FrameCount(), 20u);
    const wxImage again = document.Frame(0).picture->Decode();
    ASSERT_EQ(again.GetSize(), first.GetSize());
    EXPECT_EQ(memcmp(again.GetData(), first.GetData(), size_t(first.GetWidth()) * first.GetHeight() * 3), 0);
    EXPECT_EQ(document.GifPath(), dir + "/out.png");

    // The last choice is proposed for the next video.
    MakeClip(dir + "/cut.mp4", {"-c:v", "libx264", "-movflags", "+faststart"});
    const std::string whole = lwtest::ReadFile(dir + "/cut.mp4");
    lwtest::WriteFile(dir + "/cut.mp4", whole.substr(0, whole.size() * 6 / 10));
    lwtest::PromptsOf(frame).pictures.push_back(wxArrayString(1, wxString(dir + "/cut.mp4")));
    lwtest::ShownMessage shown;
    // The message comes once the import ends.
    wxTEST_DIALOG(
        {
            lwtest::ClickMenu(frame, "Frame", "Add Image...");
            EXPECT_TRUE(lwtest::PumpUntil([&] { return !shown.message.empty(); }));
        },
        ExpectVideo(0, 6, 10, &proposed), lwtest::ExpectMessage(wxID_OK, &shown));
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    EXPECT_EQ(proposed.fps, 10);
    EXPECT_GT(document.FrameCount(), 21u);
    EXPECT_LT(document.FrameCount(), 80u);
    EXPECT_EQ(shown.message, "These pictures could not be added, or only in part:\ncut.mp4: damaged (partly read)");
    lwtest::CloseMainWindow(frame);
}
