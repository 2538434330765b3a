// The system dialogs and menus through which the main window asks the user for
// files and commands, and the browser it opens web pages in. Tests replace
// them: GTK's file dialogs cannot be answered from a test, a popup menu runs
// until it is closed, and a test must not start a browser.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

class wxMenu;
class wxWindow;

class UserPrompts {
public:
    virtual ~UserPrompts();

    // Pictures to open, in the order the dialog gives them; empty when
    // cancelled. The dialog opens in folder (where it likes when empty).
    virtual wxArrayString ChoosePictures(wxWindow* parent, const wxString& message,
                                         const wxString& folder);
    // A file to open or to write, proposing defaultFile in folder; empty when
    // cancelled. filter, when given, is the type the dialog shows first and
    // becomes the one the user chose.
    virtual wxString ChooseFile(wxWindow* parent, const wxString& message, const wxString& folder,
                                const wxString& defaultFile, const wxString& wildcard,
                                long style, int* filter = nullptr);
    // Shows a popup menu at the mouse; its command reaches the window.
    virtual void PopupMenu(wxWindow* window, wxMenu& menu);
    // Opens the address in the default browser; false when none could be started.
    virtual bool OpenWebPage(const wxString& url);
};
