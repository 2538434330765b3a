// Opens the program's main window inside a test, as start-up does.
#pragma once

#include "window/gifframe.h"

#include <wx/menu.h>

namespace lwtest {

// Loads the resources of the build tree once and builds a main window with
// InitFrame run; fails the test when the resource is missing.
GifFrame* OpenMainWindow();
// Destroys the window and waits until it is gone.
void CloseMainWindow(GifFrame* frame);
// Runs until the window is destroyed; false on timeout.
bool WaitUntilDestroyed(wxWindow* window);

// The menu item with this English label in the named menu of the frame's bar.
wxMenuItem* FindMenuItem(wxFrame* frame, const wxString& menu, const wxString& label);
// Sends the menu command as a click on the item would.
void ClickMenu(wxFrame* frame, wxMenuItem* item);

}  // namespace lwtest
