#include "support/main_window.h"

#include "base/folders.h"
#include "support/test_support.h"

#include "window/thumbnailctrl.h"

#include <wx/checkbox.h>
#include <wx/spinctrl.h>
#include <wx/xrc/xmlres.h>

#include <memory>

namespace lwtest {

MainWindow* OpenMainWindow() {
    static bool loaded = false;
    if (!loaded) {
        wxXmlResource::Get()->InitAllHandlers();
        loaded = wxXmlResource::Get()->LoadAllFiles(GetRootDir() + "/Themes");
    }
    MainWindow* frame = CreateMainWindow();
    EXPECT_NE(frame, nullptr) << "the resource MyFrame1 did not load";
    if (frame) {
        frame->SetUserPrompts(std::make_unique<ScriptedPrompts>());
        frame->Show();
    }
    return frame;
}

ScriptedPrompts& PromptsOf(MainWindow* frame) {
    return *static_cast<ScriptedPrompts*>(frame->GetUserPrompts());
}

wxArrayString ScriptedPrompts::ChoosePictures(wxWindow*, const wxString& message,
                                              const wxString& folder) {
    messages.push_back(message);
    folders.push_back(folder);
    if (pictures.empty()) return {};
    wxArrayString answer = pictures.front();
    pictures.pop_front();
    return answer;
}

wxString ScriptedPrompts::ChooseFile(wxWindow*, const wxString& message, const wxString& folder,
                                     const wxString& defaultFile, const wxString&, long, int* filter) {
    if (filter && !filters.empty()) {
        *filter = filters.front();
        filters.pop_front();
    }
    messages.push_back(message);
    folders.push_back(folder);
    proposed.push_back(defaultFile);
    if (files.empty()) return {};
    wxString answer = files.front();
    files.pop_front();
    return answer;
}

void ScriptedPrompts::PopupMenu(wxWindow* window, wxMenu& menu) {
    ++popups;
    if (onPopup) onPopup(window, menu);
}

bool ScriptedPrompts::OpenWebPage(const wxString& url) {
    if (onWebPage) onWebPage(url);
    webPages.push_back(url);
    return browserStarts;
}

bool WaitUntilDestroyed(wxWindow* window) {
    auto gone = std::make_shared<bool>(false);
    window->Bind(wxEVT_DESTROY, [gone, window](wxWindowDestroyEvent& e) {
        if (e.GetEventObject() == window) *gone = true;
        e.Skip();
    });
    return PumpUntil([gone] { return *gone; });
}

void CloseMainWindow(MainWindow* frame) {
    if (!frame) return;
    auto gone = std::make_shared<bool>(false);
    frame->Bind(wxEVT_DESTROY, [gone, frame](wxWindowDestroyEvent& e) {
        if (e.GetEventObject() == frame) *gone = true;
        e.Skip();
    });
    frame->Destroy();
    PumpUntil([gone] { return *gone; });
}

wxMenuItem* FindMenuItem(wxFrame* frame, const wxString& menu, const wxString& label) {
    wxMenuBar* bar = frame->GetMenuBar();
    if (!bar) return nullptr;
    const int id = bar->FindMenuItem(menu, label);
    return id == wxNOT_FOUND ? nullptr : bar->FindItem(id);
}

void ClickMenu(wxFrame* frame, wxMenuItem* item) {
    wxCommandEvent event(wxEVT_MENU, item->GetId());
    event.SetEventObject(frame);
    if (item->IsCheckable()) event.SetInt(item->IsChecked() ? 0 : 1);
    frame->ProcessWindowEvent(event);
}

}  // namespace lwtest

namespace lwtest {

void ClickMenu(wxFrame* frame, const wxString& menu, const wxString& label) {
    wxMenuItem* item = FindMenuItem(frame, menu, label);
    ASSERT_NE(item, nullptr) << menu << " / " << label;
    ClickMenu(frame, item);
}

wxString PicturePath(const wxString& name) {
    static const std::string folder = MakeTempDir("frames");
    return wxString(folder) + "/" + name;
}

void AppendFrame(MainWindow* frame, const wxSize& size, const wxString& name, const wxColour& colour) {
    auto* image = new wxImage(size);
    image->SetRGB(wxRect(size), colour.Red(), colour.Green(), colour.Blue());
    // The strip takes only frames whose file exists.
    const wxString path = PicturePath(name);
    if (!wxFileExists(path)) {
        ASSERT_TRUE(image->SaveFile(path, wxBITMAP_TYPE_PNG)) << path;
    }
    AppendPicture(frame, *image, path);
    delete image;
}

void AppendPicture(MainWindow* frame, const wxImage& picture, const wxString& path) {
    DocumentFrame added;
    added.picture = StorePicture(picture);
    added.path = path;
    added.delay = frame->GetDocument().DefaultDelay();
    Document& document = frame->GetDocument();
    ASSERT_TRUE(frame->Edit(std::make_unique<InsertFramesCommand>(
        document, document.FrameCount(), std::vector<DocumentFrame>{added}, "Add Image")));
}

std::vector<wxString> FramePaths(MainWindow* frame) {
    std::vector<wxString> paths;
    wxThumbnailCtrl* strip = frame->GetThumbnailCtrl();
    for (int i = 0; i < strip->GetCount(); ++i) paths.push_back(strip->GetItem(i)->GetPath());
    return paths;
}

void TypeInto(wxWindow* window, int value) {
    auto* spin = wxDynamicCast(window, wxSpinCtrl);
    ASSERT_NE(spin, nullptr);
    spin->SetValue(value);
    wxCommandEvent event(wxEVT_TEXT, spin->GetId());
    event.SetEventObject(spin);
    event.SetString(wxString::Format("%d", value));
    spin->ProcessWindowEvent(event);
}

void TickTransparentBox(MainWindow* frame) {
    auto* box = wxStaticCast(frame->FindWindow(XRCID("m_checkBox_transparent")), wxCheckBox);
    box->SetValue(true);
    wxCommandEvent tick(wxEVT_CHECKBOX, box->GetId());
    tick.SetInt(1);
    tick.SetEventObject(box);
    box->ProcessWindowEvent(tick);
}

}  // namespace lwtest
