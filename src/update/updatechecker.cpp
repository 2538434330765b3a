#include "update/updatechecker.h"

#include "base/signalstack.h"
#include "update/updatecheck.h"
#include "update/updateevents.h"

#include <wx/cursor.h>
#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/statusbr.h>

namespace {

const char* const kCheckingText = wxTRANSLATE("Checking for updates…");

wxString CheckingText() { return wxGetTranslation(wxString::FromUTF8(kCheckingText)); }

}  // namespace

void UpdateResultSink::Post(const wxString& version) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_target) return;
    auto* event = new wxCommandEvent(wxEVT_COMMAND_UPDATE_RESULT, 0);
    event->SetString(version);
    wxQueueEvent(m_target, event);
}

void UpdateResultSink::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}

bool UpdateResultSink::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_target == nullptr;
}

UpdateChecker::~UpdateChecker() {
    if (m_sink) m_sink->Close();
    Join();
}

bool UpdateChecker::Start(const wxString& address, long deadlineMs) {
    if (m_running || !IsUsableUpdateAddress(address)) return false;
    Join();  // the last worker posted its result and is ending
    m_sink = std::make_shared<UpdateResultSink>(m_frame);
    UpdateFetchRequest request;
    request.url = address.utf8_str().data();
    request.deadlineMs = deadlineMs;
    std::shared_ptr<UpdateResultSink> sink = m_sink;
    request.cancelled = [sink] { return sink->IsClosed(); };
    m_worker = std::thread(WithSignalStack([request, sink] { sink->Post(DownloadUpdateVersion(request)); }));
    m_running = true;
    ShowBusy();
    return true;
}

void UpdateChecker::Finished() {
    if (!m_running) return;
    m_running = false;
    HideBusy();
    Join();
}

void UpdateChecker::ShowBusy() {
    m_frame->SetCursor(wxCursor(wxCURSOR_ARROWWAIT));
    if (wxStatusBar* status = m_frame->GetStatusBar()) {
        m_statusBefore = status->GetStatusText(0);
        status->SetStatusText(CheckingText(), 0);
    }
}

void UpdateChecker::HideBusy() {
    m_frame->SetCursor(wxNullCursor);
    wxStatusBar* status = m_frame->GetStatusBar();
    // Whatever the user did meanwhile wrote its own text there: keep that.
    if (status && status->GetStatusText(0) == CheckingText())
        status->SetStatusText(m_statusBefore, 0);
}

void UpdateChecker::Join() {
    if (m_worker.joinable()) m_worker.join();
}
