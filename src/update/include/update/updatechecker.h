// Runs the update check of one window on a worker thread: the window stays
// usable, shows that a check is under way, and gets the result as an event.
#pragma once

#include "update/updatefetch.h"

#include <wx/string.h>

#include <memory>
#include <mutex>
#include <thread>

class wxEvtHandler;
class wxFrame;

// Where the worker's result goes. The window closes it when it goes away;
// from then on the result is dropped, and a fetch under way ends early.
class UpdateResultSink {
public:
    explicit UpdateResultSink(wxEvtHandler* target) : m_target(target) {}
    // Queues wxEVT_COMMAND_UPDATE_RESULT with version (empty: the check failed).
    void Post(const wxString& version);
    void Close();
    bool IsClosed() const;

private:
    mutable std::mutex m_mutex;
    wxEvtHandler* m_target;
};

class UpdateChecker {
public:
    explicit UpdateChecker(wxFrame* frame) : m_frame(frame) {}
    // Drops a result still to come and waits for the worker, which notices
    // within about a second.
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // Starts checking address; false (and nothing happens) while a check runs
    // or when the address is unusable.
    bool Start(const wxString& address, long deadlineMs = kUpdateDeadlineMs);
    // From Start until the window handled the result.
    bool IsRunning() const { return m_running; }
    // The window got the result: the busy indication ends.
    void Finished();

private:
    void ShowBusy();
    void HideBusy();
    void Join();

    wxFrame* m_frame;
    std::shared_ptr<UpdateResultSink> m_sink;
    std::thread m_worker;
    bool m_running = false;
    wxString m_statusBefore;  // the status text the busy text replaced
};
