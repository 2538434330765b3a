// The event that delivers the update check's result to the main window.
#pragma once

#include <wx/event.h>

// A wxCommandEvent whose string is the newer version found, or empty.
wxDECLARE_EVENT(wxEVT_COMMAND_UPDATE_RESULT, wxCommandEvent);
