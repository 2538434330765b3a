// Opens the program's main window inside a test, as start-up does.
#pragma once

#include "window/mainwindow.h"
#include "window/previewpanel.h"
#include "window/userprompts.h"

#include <wx/menu.h>

#include <deque>
#include <functional>

namespace lwtest {

// Answers the main window's file dialogs and popup menus from a script: each
// question takes the next answer, and an empty script answers "cancel". Web
// pages are recorded, never opened.
class ScriptedPrompts : public UserPrompts {
public:
    wxArrayString ChoosePictures(wxWindow* parent, const wxString& message,
                                 const wxString& folder) override;
    wxString ChooseFile(wxWindow* parent, const wxString& message, const wxString& folder,
                        const wxString& defaultFile, const wxString& wildcard,
                        long style, int* filter = nullptr) override;
    void PopupMenu(wxWindow* window, wxMenu& menu) override;
    bool OpenWebPage(const wxString& url) override;

    std::deque<wxArrayString> pictures;
    std::deque<wxString> files;
    // The type each file dialog answers with (as its position), when given.
    std::deque<int> filters;
    std::vector<wxString> messages;  // of every dialog asked, in order
    std::vector<wxString> folders;   // where each dialog opened
    std::vector<wxString> proposed;  // the name each ChooseFile proposed
    // Runs with a popup menu shown; it may send one of its commands.
    std::function<void(wxWindow*, wxMenu&)> onPopup;
    int popups = 0;
    // The addresses the window would have opened in a browser, in order.
    std::vector<wxString> webPages;
    bool browserStarts = true;
    // Runs as a web page is opened, before it is recorded.
    std::function<void(const wxString&)> onWebPage;
};

// The scripted prompts that OpenMainWindow installed.
ScriptedPrompts& PromptsOf(MainWindow* frame);

// Loads the resources of the build tree once and builds a main window with
// InitFrame run and scripted prompts; fails the test when the resource is missing.
MainWindow* OpenMainWindow();
// Destroys the window and waits until it is gone.
void CloseMainWindow(MainWindow* frame);
// Runs until the window is destroyed; false on timeout.
bool WaitUntilDestroyed(wxWindow* window);

// The menu item with this English label in the named menu of the frame's bar.
wxMenuItem* FindMenuItem(wxFrame* frame, const wxString& menu, const wxString& label);
// Sends the menu command as a click on the item would.
void ClickMenu(wxFrame* frame, wxMenuItem* item);
// Sends the command of the menu item with this English label.
void ClickMenu(wxFrame* frame, const wxString& menu, const wxString& label);

// The path of a picture file that AppendFrame writes, by its name.
wxString PicturePath(const wxString& name);
// Writes a picture of one colour named name and appends it as Add Image
// does, as one undoable command, taking the document's delay.
void AppendFrame(MainWindow* frame, const wxSize& size, const wxString& name,
                 const wxColour& colour = *wxBLUE);
// Appends the picture as a frame with that path, as AppendFrame does.
void AppendPicture(MainWindow* frame, const wxImage& picture, const wxString& path);
// The paths of the strip's frames, in order.
std::vector<wxString> FramePaths(MainWindow* frame);
// Types a value into a spin control as the user does: value and text event.
void TypeInto(wxWindow* spinCtrl, int value);
// Ticks the window's Transparent background box as the user does.
void TickTransparentBox(MainWindow* frame);

}  // namespace lwtest
