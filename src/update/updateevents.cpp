#include "update/updateevents.h"

wxDEFINE_EVENT(wxEVT_COMMAND_UPDATE_RESULT, wxCommandEvent);
