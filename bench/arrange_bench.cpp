// Measures rearranging a long animation in the real window: 1,000 selected
// frames of 5,000 moved by one place, dropped at the start, undone, and every
// frame reversed, each until the strip has repainted. Prints milliseconds.
// Needs a display (run under xvfb-run).
#include "base/folders.h"
#include "window/mainwindow.h"
#include "window/thumbnailctrl.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/xrc/xmlres.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

class Bench : public wxApp {
public:
    bool OnInit() override {
        wxLog::SetActiveTarget(new wxLogStderr);
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        wxInitAllImageHandlers();
        wxXmlResource::Get()->InitAllHandlers();
        wxXmlResource::Get()->LoadAllFiles(GetRootDir() + "/Themes");
        m_frame = CreateMainWindow();
        if (!m_frame) return false;
        m_frame->Show();
        CallAfter(&Bench::Run);
        return true;
    }

private:
    void Run() {
        std::vector<DocumentFrame> frames;
        for (int i = 0; i < 5000; ++i) {
            wxImage picture(64, 48);
            picture.SetRGB(wxRect(0, 0, 64, 48), i % 251, (i * 7) % 253, (i * 13) % 255);
            frames.push_back(DocumentFrame{StorePicture(picture),
                                           wxString::Format("/tmp/f%d.png", i), 10, {}, {}});
        }
        Document& document = m_frame->GetDocument();
        Time("insert 5,000 frames", [&] {
            m_frame->Edit(std::make_unique<InsertFramesCommand>(document, 0, frames, "Add Image"));
        });
        wxThumbnailCtrl* strip = m_frame->GetThumbnailCtrl();
        std::vector<int> selection;
        for (int i = 2000; i < 3000; ++i) selection.push_back(i);
        strip->SelectOnly(selection, 2000);
        Time("move 1,000 selected frames right", [&] { Menu("Move Right"); });
        Time("drop them at the start", [&] {
            wxThumbnailEvent drop(wxEVT_COMMAND_THUMBNAIL_DROP, strip->GetId());
            drop.SetItemIndex(0);
            m_frame->ProcessWindowEvent(drop);
        });
        Time("undo the drop", [&] { Menu("Undo Move"); });
        Time("reverse all 5,000 frames", [&] {
            strip->SelectOnly({}, -1);
            Menu("Reverse Order");
        });
        m_frame->Destroy();
    }

    void Menu(const char* label) {
        const wxString menu = wxString(label).StartsWith("Undo") ? "Edit" : "Frame";
        const int id = m_frame->GetMenuBar()->FindMenuItem(menu, label);
        if (id == wxNOT_FOUND) {
            std::printf("no menu item %s\n", label);
            return;
        }
        wxCommandEvent command(wxEVT_MENU, id);
        m_frame->ProcessWindowEvent(command);
    }

    // The time of the command and of the repaint it causes.
    void Time(const char* what, const std::function<void()>& command) {
        const auto start = std::chrono::steady_clock::now();
        command();
        m_frame->GetThumbnailCtrl()->Update();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-36s %8.1f ms\n", what, ms);
    }

    MainWindow* m_frame = nullptr;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(Bench);

int main(int argc, char** argv) {
    wxDisableAsserts();
    return wxEntry(argc, argv);
}
