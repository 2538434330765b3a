#include "window/sizeestimatecontroller.h"

#include "document/document.h"
#include "document/sizesearch.h"
#include "formats/animationexport.h"
#include "gif/export.h"
#include "gif/export_memory.h"
#include "jobs/sizeestimatethread.h"

#include <wx/intl.h>

#include <algorithm>

SizeEstimateController::SizeEstimateController(const Document& document, Show show)
    : m_document(document), m_show(std::move(show)), m_timer(this) {
    Bind(wxEVT_TIMER, &SizeEstimateController::OnTimer, this);
    Bind(EVT_SIZE_ESTIMATED, &SizeEstimateController::OnEstimated, this);
}

SizeEstimateController::~SizeEstimateController() {
    m_timer.Stop();
    // Each waits for its thread: no event arrives after this.
    m_running.reset();
    m_stopping.clear();
}

void SizeEstimateController::DocumentChanged() {
    ++m_id;  // whatever is under way answers an older document
    if (m_running) {
        m_running->Stop();
        m_stopping.push_back(std::move(m_running));
    }
    Reap();
    m_saved = -1;
    m_timer.StartOnce(m_pause);
}

void SizeEstimateController::Saved(long long bytes) {
    m_saved = bytes;
    ShowText();
}

void SizeEstimateController::OnTimer(wxTimerEvent&) {
    Reap();
    // Only a GIF's size is estimated.
    const bool gif = AnimationFormatOfPath(m_document.GifPath()) == AnimationFormat::Gif;
    if (m_document.IsEmpty() || !gif) {
        m_estimate = -1;
        ShowText();
        return;
    }
    const wxSize canvas = m_document.CanvasSize();
    // The estimate shares the machine with the window: at most two frames at once.
    const int parallelism = ExportParallelismThatFits(canvas.x, canvas.y, std::min(2, DefaultExportParallelism()),
                                                      AvailableMemory());
    if (parallelism == 0) return;
    m_running = std::make_unique<SizeEstimateThread>(this, m_id, m_document, parallelism);
}

void SizeEstimateController::OnEstimated(wxThreadEvent& event) {
    const SizeEstimated result = event.GetPayload<SizeEstimated>();
    if (result.id != m_id) return;
    m_running.reset();  // it has ended: joining does not wait
    m_estimate = result.bytes;
    ShowText();
}

void SizeEstimateController::ShowText() {
    wxString text;
    if (m_estimate >= 0) text = wxString::Format(wxGetTranslation(L"≈ %s"), ShownByteSize(m_estimate));
    if (m_saved >= 0) {
        const wxString saved = wxString::Format(wxGetTranslation("saved: %s"), ShownByteSize(m_saved));
        text = text.empty() ? saved : text + ", " + saved;
    }
    m_show(text);
}

void SizeEstimateController::Reap() {
    m_stopping.erase(std::remove_if(m_stopping.begin(), m_stopping.end(),
                                    [](const std::unique_ptr<SizeEstimateThread>& thread) { return thread->Ended(); }),
                     m_stopping.end());
}
