// Measures "Add Image" as the program runs it: 200 pictures of 1280 x 720 and
// one GIF of 300 frames, decoded on the worker thread and appended to the
// strip. Prints the time until the last frame is in the strip and the peak
// memory. Needs a display (run under xvfb-run).
#include "base/folders.h"
#include "gif/export.h"
#include "support/peakmemory.h"
#include "window/mainwindow.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/xrc/xmlres.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class GivenPictures : public UserPrompts {
public:
    explicit GivenPictures(wxArrayString paths) : m_paths(std::move(paths)) {}
    wxArrayString ChoosePictures(wxWindow*, const wxString&, const wxString&) override {
        return m_paths;
    }

private:
    wxArrayString m_paths;
};

wxImage Photo(int i) {
    wxImage image(1280, 720);
    unsigned char* p = image.GetData();
    unsigned seed = 1234u + static_cast<unsigned>(i);
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 15);
            *p++ = static_cast<unsigned char>((x / 5 + i * 3 + noise) & 255);
            *p++ = static_cast<unsigned char>((y / 3 + noise) & 255);
            *p++ = static_cast<unsigned char>(((x + y) / 8 + i) & 255);
        }
    return image;
}

wxArrayString MakeCorpus(const wxString& dir) {
    wxArrayString paths;
    for (int i = 0; i < 200; ++i) {
        const wxString path = wxString::Format("%s/photo%03d.png", dir, i);
        if (!wxFileExists(path)) Photo(i).SaveFile(path, wxBITMAP_TYPE_PNG);
        paths.Add(path);
    }
    const wxString gif = dir + "/long.gif";
    if (!wxFileExists(gif)) {
        // Written with the program's own writer: 300 frames of a moving gradient.
        GifExportJob job;
        job.path = gif;
        job.frameCount = 300;
        job.canvasWidth = 1280;
        job.canvasHeight = 720;
        job.delays = {4};
        job.parallelism = DefaultExportParallelism();
        const auto source = [](int i) {
            auto image = std::make_unique<wxImage>(1280, 720);
            unsigned char* p = image->GetData();
            for (int y = 0; y < 720; ++y)
                for (int x = 0; x < 1280; ++x) {
                    *p++ = static_cast<unsigned char>((x + i * 4) / 8 * 8);
                    *p++ = static_cast<unsigned char>(y / 3);
                    *p++ = static_cast<unsigned char>(i * 2);
                }
            return image;
        };
        if (WriteGifAnimation(job, source, [](int) { return true; }) != GifExportStatus::Written)
            std::fprintf(stderr, "could not write %s\n", static_cast<const char*>(gif.utf8_str()));
    }
    paths.Add(gif);
    return paths;
}

class Bench : public wxApp {
public:
    bool OnInit() override {
        // Messages go to the terminal, never into a box that waits for a click.
        wxLog::SetActiveTarget(new wxLogStderr);
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        wxInitAllImageHandlers();
        wxXmlResource::Get()->InitAllHandlers();
        wxXmlResource::Get()->LoadAllFiles(GetRootDir() + "/Themes");
        const char* tmp = std::getenv("TMPDIR");
        const wxString dir = wxString(tmp && *tmp ? tmp : "/tmp") + "/loopwright-import-bench";
        wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        std::printf("writing the corpus in %s ...\n", static_cast<const char*>(dir.utf8_str()));
        const wxArrayString paths = MakeCorpus(dir);
        const long before = lwtest::PeakMemoryKiB();

        m_frame = CreateMainWindow();
        if (!m_frame) return false;
        m_frame->SetUserPrompts(std::make_unique<GivenPictures>(paths));
        m_frame->Show();
        m_start = std::chrono::steady_clock::now();
        wxCommandEvent add(wxEVT_MENU, XRCID("m_tool_insert"));
        m_frame->ProcessWindowEvent(add);
        Bind(wxEVT_IDLE, &Bench::OnIdle, this);
        std::printf("peak memory before the import: %ld MiB\n", before / 1024);
        return true;
    }

private:
    void OnIdle(wxIdleEvent& event) {
        if (m_frame->IsImporting()) {
            event.RequestMore();
            return;
        }
        Unbind(wxEVT_IDLE, &Bench::OnIdle, this);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::printf("frames in the strip: %d\n", m_frame->GetThumbnailCtrl()->GetCount());
        std::printf("time until the last frame is in the strip: %.2f s\n", seconds);
        std::printf("peak memory: %ld MiB\n", lwtest::PeakMemoryKiB() / 1024);
        m_frame->GetThumbnailCtrl()->RemoveAllItems();
        m_frame->Destroy();
    }

    MainWindow* m_frame = nullptr;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(Bench);

int main(int argc, char** argv) {
    wxDisableAsserts();
    return wxEntry(argc, argv);
}
