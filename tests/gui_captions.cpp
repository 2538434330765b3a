// Captions through the real window: written on the selected frames, seen by
// a decoder we did not write only inside the caption's box, kept by the
// project (which loopwright-cli exports to the same bytes), and listed for
// changing when the project is opened again.
#include "support/main_window.h"
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/captiondialog.h"
#include "window/captionsdialog.h"
#include "window/previewpanel.h"
#include "window/thumbnailctrl.h"

#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/modalhook.h>

#include <cstring>
#include <iterator>
#include <sstream>

namespace {

// Answers the caption dialog with a text and OK.
class ExpectCaption : public wxExpectModalBase<CaptionDialog, ExpectCaption> {
public:
    explicit ExpectCaption(const wxString& text) : m_text(text) {}

protected:
    int OnInvoked(CaptionDialog* dialog) const override {
        dialog->SetText(m_text);
        return wxID_OK;
    }

private:
    wxString m_text;
};

// Edit Captions: lists the one caption, then changes its text.
class ChangeFirstCaption : public wxExpectModalBase<CaptionsDialog, ChangeFirstCaption> {
public:
    explicit ChangeFirstCaption(const wxString& text) : m_text(text) {}

protected:
    int OnInvoked(CaptionsDialog* dialog) const override {
        EXPECT_EQ(wxStaticCast(dialog->FindWindow(CaptionsDialog::ID_LIST), wxListBox)->GetString(0),
                  "Hello (frames 2-3)");
        wxTEST_DIALOG(dialog->Press(CaptionsDialog::ID_CHANGE, 0), ExpectCaption(m_text));
        return wxID_CLOSE;
    }

private:
    wxString m_text;
};

// Per frame, the largest difference between two GIFs inside and outside a box, as Pillow decodes them.
std::string PillowDifferences(const std::string& a, const std::string& b, const wxRect& box) {
    const char* script =
        "import sys\nfrom PIL import Image, ImageChops\nx, y, w, h = map(int, sys.argv[3:7])\n"
        "A, B = Image.open(sys.argv[1]), Image.open(sys.argv[2])\nout = []\n"
        "for i in range(A.n_frames):\n    A.seek(i); B.seek(i)\n"
        "    d = ImageChops.difference(A.convert('RGB'), B.convert('RGB')).convert('L')\n"
        "    inside = d.crop((x, y, x + w, y + h)).getextrema()[1]\n"
        "    d.paste(0, (x, y, x + w, y + h))\n"
        "    out.append('%d/%d' % (inside, d.getextrema()[1]))\nprint(' '.join(out))\n";
    return lwtest::RunProcess({"/usr/bin/python3", "-c", script, a, b, std::to_string(box.x), std::to_string(box.y),
                               std::to_string(box.width), std::to_string(box.height)})
        .out;
}

void SaveGif(MainWindow* frame, const std::string& path) {
    lwtest::PromptsOf(frame).files.push_back(path);
    lwtest::ClickMenu(frame, "File", "Save As...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsExporting(); }));
}

TEST(Captions, ACaptionOnTwoFramesChangesOnlyItsBoxAndComesBackWithTheProject) {
    const std::string dir = lwtest::MakeTempDir("captions");
    wxArrayString pictures;
    const wxColour colours[] = {*wxRED, *wxGREEN, *wxBLUE, wxColour(90, 90, 90)};
    for (int i = 0; i < 4; ++i) {
        pictures.Add(wxString::Format("%s/%d.png", dir, i));
        lwtest::WritePicture(pictures.Last().ToStdString(), 160, 120, colours[i]);
    }
    MainWindow* frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    lwtest::PromptsOf(frame).pictures.push_back(pictures);
    lwtest::ClickMenu(frame, "Frame", "Add Image...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    SaveGif(frame, dir + "/plain.gif");

    frame->GetThumbnailCtrl()->SelectOnly({1, 2}, 1);
    frame->GetPreview().ShowFrame(1);
    const wxImage before = frame->GetPreview().ShownBitmap().ConvertToImage();
    wxTEST_DIALOG(lwtest::ClickMenu(frame, "Frame", "Add Caption..."), ExpectCaption("Hello"));
    // The preview shows it at once.
    ASSERT_TRUE(lwtest::PumpUntil([&] {
        const wxImage now = frame->GetPreview().ShownBitmap().ConvertToImage();
        return now.IsOk() && now.GetSize() == before.GetSize() &&
               std::memcmp(now.GetData(), before.GetData(), size_t(now.GetWidth()) * now.GetHeight() * 3) != 0;
    }));
    const Document& document = frame->GetDocument();
    ASSERT_EQ(document.Frame(1).captions.size(), 1u);
    EXPECT_TRUE(document.Frame(0).captions.empty() && document.Frame(3).captions.empty());
    const wxRect box = CaptionBox(*document.Frame(1).captions[0], document.CanvasSize());
    SaveGif(frame, dir + "/caption.gif");
    // Inside/outside the box: frames 2 and 3 differ only inside, 1 and 4 nowhere.
    std::istringstream differences(PillowDifferences(dir + "/plain.gif", dir + "/caption.gif", box));
    std::vector<std::string> seen{std::istream_iterator<std::string>(differences), {}};
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "0/0");
    EXPECT_TRUE(seen[1] != "0/0" && seen[1].substr(seen[1].size() - 2) == "/0") << seen[1];
    EXPECT_TRUE(seen[2] != "0/0" && seen[2].substr(seen[2].size() - 2) == "/0") << seen[2];
    EXPECT_EQ(seen[3], "0/0");

    lwtest::PromptsOf(frame).files.push_back(dir + "/demo.xml");
    lwtest::ClickMenu(frame, "File", "Save Project");
    // Undo takes it off again.
    lwtest::ClickMenu(frame, "Edit", "Undo Add Caption");
    EXPECT_TRUE(document.Frame(1).captions.empty());
    lwtest::CloseMainWindow(frame);

    const auto run = lwtest::RunProcess({LW_CLI, dir + "/demo.xml", "-o", dir + "/cli.gif"}, {{"DISPLAY", ""}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(lwtest::ReadFile(dir + "/cli.gif") == lwtest::ReadFile(dir + "/caption.gif"));

    frame = lwtest::OpenMainWindow();
    lwtest::PromptsOf(frame).files.push_back(dir + "/demo.xml");
    lwtest::ClickMenu(frame, "File", "Open Project...");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !frame->IsImporting() && frame->IsEnabled(); }));
    // Listed for changing: a changed caption is one edit.
    wxTEST_DIALOG(lwtest::ClickMenu(frame, "Frame", "Edit Captions..."), ChangeFirstCaption("Bye"));
    EXPECT_EQ(frame->GetDocument().Frame(2).captions.at(0)->text, "Bye");

    // Dragged on the preview by 40 panel pixels: moved on both frames, as one edit.
    PreviewPanel& preview = frame->GetPreview();
    preview.ShowFrame(1);
    const wxRect shown = preview.GetRect();
    const wxSize canvas = frame->GetDocument().CanvasSize();
    const wxRect on = CaptionBox(*frame->GetDocument().Frame(1).captions[0], canvas);
    const wxPoint from(shown.x + (on.x + on.width / 2) * shown.width / canvas.x,
                       shown.y + (on.y + on.height / 2) * shown.height / canvas.y);
    for (const auto& [type, at] : {std::pair{wxEVT_LEFT_DOWN, from}, {wxEVT_MOTION, from - wxPoint(20, 20)},
                                   {wxEVT_LEFT_UP, from - wxPoint(40, 40)}}) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.m_leftDown = type != wxEVT_LEFT_UP;
        event.SetEventObject(preview.GetPanel());
        preview.GetPanel()->ProcessWindowEvent(event);
    }
    const wxPoint offset = frame->GetDocument().Frame(1).captions.at(0)->offset;
    EXPECT_NEAR(offset.x, -40 * canvas.x / shown.width, 1);
    EXPECT_NEAR(offset.y, -40 * canvas.y / shown.height, 1);
    EXPECT_EQ(frame->GetDocument().Frame(2).captions.at(0), frame->GetDocument().Frame(1).captions.at(0));
    lwtest::ClickMenu(frame, "Edit", "Undo Move Caption");
    EXPECT_EQ(frame->GetDocument().Frame(1).captions.at(0)->offset, wxPoint());
    lwtest::CloseMainWindow(frame);
}

}  // namespace
