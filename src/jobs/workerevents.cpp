#include "jobs/workerevents.h"

wxDEFINE_EVENT(wxEVT_COMMAND_WORKER_PROGRESS, wxCommandEvent);
