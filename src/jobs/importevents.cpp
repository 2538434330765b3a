#include "jobs/importevents.h"

#include "jobs/workerevents.h"

wxDEFINE_EVENT(wxEVT_IMPORT_PROGRESS, ImportEvent);

ImportEvent::ImportEvent(int progress, ImportedPicture picture, std::vector<SkippedPicture> skipped)
    : wxEvent(ID_IMAGE_LOAD_THREAD, wxEVT_IMPORT_PROGRESS), m_payload(std::make_shared<Payload>()) {
    m_payload->progress = progress;
    m_payload->picture = std::move(picture);
    m_payload->skipped = std::move(skipped);
}
