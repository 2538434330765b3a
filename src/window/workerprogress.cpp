#include "window/workerprogress.h"

#include <wx/event.h>
#include <wx/progdlg.h>

WorkerProgress::WorkerProgress() = default;

WorkerProgress::~WorkerProgress() { End(); }

void WorkerProgress::Begin(wxWindow* parent, const wxString& title, const wxString& message, bool cancellable) {
    End();
    m_dialog = new wxProgressDialog(title, message, 100, parent,
                                    wxPD_ELAPSED_TIME | wxPD_ESTIMATED_TIME | wxPD_REMAINING_TIME |
                                        (cancellable ? wxPD_CAN_ABORT : 0));
}

void WorkerProgress::End() {
    // Deleting re-enables the parent at once; the dialog is never updated to
    // its maximum, so it is not inside a modal loop of its own.
    delete m_dialog;
    m_dialog = nullptr;
}

bool WorkerProgress::Update(int percent) {
    if (!m_dialog) return true;
    m_updating = true;
    const bool goOn = m_dialog->Update(percent, wxEmptyString);
    m_updating = false;
    return goOn;
}

bool WorkerProgress::Defer(const wxEvent& event, wxEvtHandler& handler) const {
    if (!m_updating) return false;
    handler.QueueEvent(event.Clone());
    return true;
}
