// The GIF loopwright-cli writes for a project is the one the window's Save
// writes for it, byte for byte, whether it is named on the command line or
// taken from the project, with the project's GIF settings.
#include "support/dialog_answers.h"
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/psnr.h"
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
    lwtest::ClickMenu(frame, "Frame", "Add Image...");
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

#include "window/cropdialog.h"
#include "window/framethumbnail.h"
#include "window/previewpanel.h"

#include <wx/panel.h>

namespace {

// Largest difference of each GIF frame from a picture, as Pillow decodes them.
std::string PillowDifferences(const std::string& gif, const std::vector<std::string>& references) {
    const char* script =
        "import sys\nfrom PIL import Image, ImageChops\ng = Image.open(sys.argv[1])\nout = [str(g.size)]\n"
        "for i, r in enumerate(sys.argv[2:]):\n    g.seek(i)\n"
        "    d = ImageChops.difference(g.convert('RGB'), Image.open(r).convert('RGB')).getextrema()\n"
        "    out.append(str(max(x[1] for x in d)))\nprint(' '.join(out))\n";
    std::vector<std::string> argv{"/usr/bin/python3", "-c", script, gif};
    argv.insert(argv.end(), references.begin(), references.end());
    return lwtest::RunProcess(argv).out;
}

void Mouse(wxWindow* panel, wxEventType type, const wxPoint& at) {
    wxMouseEvent event(type);
    event.SetPosition(at);
    event.m_leftDown = type != wxEVT_LEFT_UP;
    event.SetEventObject(panel);
    panel->ProcessWindowEvent(event);
}

// Through the window: a crop dragged on the preview and typed as numbers, a
// frame turned, the GIF saved; ImageMagick's crop and rotate of the sources
// are what Pillow reads back, undo takes each edit back, and the project
// keeps the edits for loopwright-cli and another XML reader.
TEST(PictureEdits, CropAndRotateThroughTheWindowAsImageMagickDoes) {
    const std::string dir = lwtest::MakeTempDir("edits");
    wxArrayString pictures;
    std::vector<std::string> references;
    const char* colours[] = {"blue", "green", "yellow", "purple"};
    for (int i = 0; i < 4; ++i) {
        const std::string name = dir + "/p" + std::to_string(i) + ".png";
        lwtest::RunProcess({"/usr/bin/convert", "-size", "80x80", "xc:red", "-fill", colours[i], "-draw",
                            "rectangle 2,2 77,77", "-fill", "white", "-draw", "rectangle 20,20 39,29", name});
        pictures.Add(name);
        references.push_back(dir + "/r" + std::to_string(i) + ".png");
        std::vector<std::string> magick{"/usr/bin/convert", name, "-crop", "40x40+20+20", "+repage"};
        if (i == 1) magick.insert(magick.end(), {"-rotate", "90"});
        magick.push_back(references.back());
        lwtest::RunProcess(magick);
    }
    MainWindow* frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    lwtest::PromptsOf(frame).pictures.push_back(pictures);
    lwtest::ClickMenu(frame, "Frame", "Add Image...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));

    lwtest::ClickMenu(frame, "Frame", "Crop...");
    CropDialog* dialog = nullptr;
    for (wxWindow* child : frame->GetChildren())
        if (auto* found = dynamic_cast<CropDialog*>(child)) dialog = found;
    ASSERT_NE(dialog, nullptr);
    // A drag outside the rectangle spans a new one, in pixels of the pictures.
    wxWindow* panel = frame->GetPreview().GetPanel();
    const CropTool& tool = dialog->GetTool();
    Mouse(panel, wxEVT_LEFT_DOWN, tool.ToPanel(wxRect(10, 10, 1, 1)).GetTopLeft() - wxPoint(30, 30));
    Mouse(panel, wxEVT_MOTION, tool.ToPanel(wxRect(50, 40, 1, 1)).GetTopLeft());
    Mouse(panel, wxEVT_LEFT_UP, tool.ToPanel(wxRect(50, 40, 1, 1)).GetTopLeft());
    EXPECT_NEAR(tool.Crop().GetRight(), 49, 1);
    EXPECT_NEAR(tool.Crop().GetBottom(), 39, 1);
    // The numbers follow the drag and can be typed; OK applies them.
    std::vector<wxSpinCtrl*> fields;
    for (wxWindow* child : dialog->GetChildren())
        if (auto* field = dynamic_cast<wxSpinCtrl*>(child)) fields.push_back(field);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[2]->GetValue(), tool.Crop().width);
    for (int i = 0; i < 4; ++i) lwtest::TypeInto(fields[size_t(i)], i < 2 ? 20 : 40);
    wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
    dialog->ProcessWindowEvent(ok);
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(40, 40));
    frame->GetThumbnailCtrl()->Select(1);
    lwtest::ClickMenu(frame, "Frame", "Rotate Right");

    // The preview and the strip show each frame with the export's own pixels.
    for (size_t i = 0; i < 4; ++i) {
        const DocumentFrame& shown = frame->GetDocument().Frame(i);
        const wxImage drawn = DrawFrame(*shown.picture->Image(), frame->GetDocument().Drawing(i));
        frame->GetPreview().ShowFrame(int(i));
        lwtest::PumpPending();
        EXPECT_EQ(lwtest::LargestDifference(frame->GetPreview().ShownBitmap().ConvertToImage(), drawn), 0) << i;
        auto* item = dynamic_cast<FrameThumbnailItem*>(frame->GetThumbnailCtrl()->GetItem(int(i)));
        ASSERT_NE(item, nullptr);
        item->PrepareThumbnail(frame->GetThumbnailCtrl(), false);
        EXPECT_EQ(lwtest::LargestDifference(item->GetThumbnail().ConvertToImage(), drawn), 0) << i;
    }
    lwtest::PromptsOf(frame).files.push_back(dir + "/out.gif");
    lwtest::ClickMenu(frame, "File", "Save");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
    EXPECT_EQ(PillowDifferences(dir + "/out.gif", references), "(40, 40) 0 0 0 0\n");
    lwtest::PromptsOf(frame).files.push_back(dir + "/edits.xml");
    lwtest::ClickMenu(frame, "File", "Save Project");
    EXPECT_EQ(lwtest::PromptsOf(frame).proposed.back(), "out.xml");  // beside the GIF, by its name
    lwtest::ClickMenu(frame, "Edit", "Undo Rotate Right");
    EXPECT_EQ(frame->GetDocument().Frame(1).turn, FrameTurn());
    lwtest::ClickMenu(frame, "Edit", "Undo Crop");
    EXPECT_EQ(frame->GetCanvasSize(), wxSize(80, 80));
    lwtest::CloseMainWindow(frame);

    const char* xpath =
        "import sys, xml.etree.ElementTree as E\nr = E.parse(sys.argv[1]).getroot()\nc = r.find('crop').attrib\n"
        "print(c['x'], c['y'], c['width'], c['height'], [p.get('turn') for p in r.find('images')])\n";
    EXPECT_EQ(lwtest::RunProcess({"/usr/bin/python3", "-c", xpath, dir + "/edits.xml"}).out,
              "20 20 40 40 [None, '1', None, None]\n");
    auto run = lwtest::RunProcess({LW_CLI, dir + "/edits.xml", "-o", dir + "/cli.gif"}, {{"DISPLAY", ""}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(lwtest::ReadFile(dir + "/cli.gif") == lwtest::ReadFile(dir + "/out.gif"));
}

}  // namespace
