#include "jobs/sizeestimatethread.h"

#include "base/signalstack.h"
#include "document/sizesearch.h"

wxDEFINE_EVENT(EVT_SIZE_ESTIMATED, wxThreadEvent);

SizeEstimateThread::SizeEstimateThread(wxEvtHandler* sink, int id, Document document, int parallelism) {
    m_thread = std::thread(WithSignalStack([sink, id, parallelism, state = m_state,
                                            document = std::move(document)]() {
        const long long bytes =
            EstimateGifBytes(document, parallelism, EstimatePairsFor(document.CanvasSize()), [&state] { return state->stop.load(); });
        if (!state->stop) {
            auto* event = new wxThreadEvent(EVT_SIZE_ESTIMATED);
            event->SetPayload(SizeEstimated{id, bytes});
            wxQueueEvent(sink, event);
        }
        state->ended = true;
    }));
}

SizeEstimateThread::~SizeEstimateThread() {
    Stop();
    if (m_thread.joinable()) m_thread.join();
}
