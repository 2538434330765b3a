// Progress events that the worker threads queue to whoever started them.
#pragma once

#include <wx/event.h>

// A wxCommandEvent whose int is the percentage done.
wxDECLARE_EVENT(wxEVT_COMMAND_WORKER_PROGRESS, wxCommandEvent);

enum {
    ID_IMAGE_LOAD_THREAD = 6,
    ID_SAVE_GIF_THREAD = 10,
};
