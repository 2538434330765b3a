// The progress dialog of a worker's job. Its Update lets queued events
// through; a worker's event that arrives then is handled afterwards, never
// inside the update.
#pragma once

#include <wx/string.h>

#include <memory>

class wxEvent;
class wxEvtHandler;
class wxProgressDialog;
class wxWindow;

class WorkerProgress {
public:
    WorkerProgress();
    ~WorkerProgress();
    WorkerProgress(const WorkerProgress&) = delete;
    WorkerProgress& operator=(const WorkerProgress&) = delete;

    // Shows the dialog over parent, which it disables until End.
    // With cancellable, it has a Cancel button.
    void Begin(wxWindow* parent, const wxString& title, const wxString& message, bool cancellable = false);
    // Removes the dialog: the parent is usable again at once.
    void End();
    bool IsShown() const { return m_dialog != nullptr; }
    // False once the user has cancelled.
    bool Update(int percent);
    // True when the event arrived inside an Update: it was queued again to
    // handler, behind the others, so the order of the worker's events stays.
    bool Defer(const wxEvent& event, wxEvtHandler& handler) const;

private:
    wxProgressDialog* m_dialog = nullptr;
    bool m_updating = false;
};
