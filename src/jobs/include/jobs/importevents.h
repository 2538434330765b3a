// The events the import thread queues to whoever started it: one per decoded
// picture, and on the last one (progress 100) the pictures it skipped.
#pragma once

#include "framestore/framestore.h"
#include "import/skippedpictures.h"

#include <wx/event.h>
#include <wx/image.h>

#include <memory>
#include <vector>

struct ImportedPicture {
    FramePicture picture;  // stored on the import thread; null on a closing event without one
    wxString path;                     // the file, without frame suffix
    int frameIndex = 0;                // inside its GIF, else 0
    int delay = -1;                    // the GIF's delay in hundredths, -1 for other pictures
};

class ImportEvent : public wxEvent {
public:
    ImportEvent(int progress, ImportedPicture picture,
                std::vector<SkippedPicture> skipped = std::vector<SkippedPicture>());

    // Percent done; 100 on the load's last event.
    int GetProgress() const { return m_payload->progress; }
    const ImportedPicture& GetPicture() const { return m_payload->picture; }
    // The picture for its new owner; null when there is none or it was taken.
    FramePicture TakePicture() { return std::move(m_payload->picture.picture); }
    // Filled on the last event only.
    const std::vector<SkippedPicture>& GetSkipped() const { return m_payload->skipped; }

    // A copy shares the payload: an event deferred by the window is the same event.
    wxEvent* Clone() const override { return new ImportEvent(*this); }

private:
    struct Payload {
        int progress = 0;
        ImportedPicture picture;
        std::vector<SkippedPicture> skipped;
    };
    std::shared_ptr<Payload> m_payload;
};

wxDECLARE_EVENT(wxEVT_IMPORT_PROGRESS, ImportEvent);

typedef void (wxEvtHandler::*ImportEventFunction)(ImportEvent&);
#define EVT_IMPORT_PROGRESS(id, func) \
    wx__DECLARE_EVT1(wxEVT_IMPORT_PROGRESS, id, wxEVENT_HANDLER_CAST(ImportEventFunction, func))
