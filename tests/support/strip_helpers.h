// Helpers for the tests of the thumbnail strip.
#pragma once

#include "support/test_support.h"

#include "window/thumbnailctrl.h"

#include <wx/image.h>

#include <string>
#include <vector>

namespace lwtest {

// Every cell painted, by index, in order.
struct PaintLog {
    std::vector<int> cells;
    int outsideRegion = 0;  // cells painted that the update region does not touch
};

// An item that the strip accepts without a picture file and that logs its
// painting; it draws the ordinary cell decoration.
class LoggingItem : public wxThumbnailItem {
public:
    LoggingItem(PaintLog* log, const wxString& path = "frame.png")
        : wxThumbnailItem(path), m_log(log) {}
    bool PrepareThumbnail(wxThumbnailCtrl*, bool) override { return m_accept; }
    bool DrawDecoration(wxDC& dc, wxThumbnailCtrl* ctrl, const wxRect& rect,
                        const wxRect& imageRect, int flags, int index) override {
        if (m_log) {
            m_log->cells.push_back(index);
            wxRect onScreen = rect;
            onScreen.SetPosition(ctrl->CalcScrolledPosition(rect.GetPosition()));
            if (ctrl->GetUpdateRegion().Contains(onScreen) == wxOutRegion)
                ++m_log->outsideRegion;
        }
        lastFlags = flags;
        return wxThumbnailItem::DrawDecoration(dc, ctrl, rect, imageRect, flags, index);
    }
    void Refuse() { m_accept = false; }
    int lastFlags = -1;

private:
    PaintLog* m_log;
    bool m_accept = true;
};

// One notification as the parent saw it.
struct SeenEvent {
    wxEventType type;
    int index;
    int flags;
    int id;
    bool operator==(const SeenEvent& o) const {
        return type == o.type && index == o.index && flags == o.flags && id == o.id;
    }
};

inline std::string EventName(wxEventType type) {
    if (type == wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED) return "SELECTED";
    if (type == wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED) return "DESELECTED";
    if (type == wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK) return "LEFT_CLICK";
    if (type == wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK) return "LEFT_DCLICK";
    if (type == wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK) return "MIDDLE_CLICK";
    if (type == wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK) return "RIGHT_CLICK";
    if (type == wxEVT_COMMAND_THUMBNAIL_RETURN) return "RETURN";
    return "other";
}

inline std::ostream& operator<<(std::ostream& os, const SeenEvent& e) {
    return os << EventName(e.type) << "(" << e.index << ", flags " << e.flags << ", id " << e.id
              << ")";
}

// Records the seven notifications arriving at a window (the strip's parent).
class EventRecorder {
public:
    explicit EventRecorder(wxWindow* window) {
        for (const wxEventTypeTag<wxThumbnailEvent>* tag :
             {&wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, &wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED,
              &wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, &wxEVT_COMMAND_THUMBNAIL_LEFT_DCLICK,
              &wxEVT_COMMAND_THUMBNAIL_MIDDLE_CLICK, &wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK,
              &wxEVT_COMMAND_THUMBNAIL_RETURN})
            window->Bind(*tag, [this](wxThumbnailEvent& e) {
                events.push_back(
                    {e.GetEventType(), e.GetItemIndex(), e.GetModifierFlags(), e.GetId()});
            });
    }
    bool Saw(wxEventType type) const {
        for (const auto& e : events)
            if (e.type == type) return true;
        return false;
    }
    std::vector<SeenEvent> events;
};

inline SeenEvent Sel(int i) { return {wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, i, 0, 3}; }
inline SeenEvent Desel(int i) { return {wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED, i, 0, 3}; }
inline SeenEvent LeftClick(int i, int flags = 0) {
    return {wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, i, flags, 3};
}

// Captures every toolkit assertion with its function, condition and message.
class AssertCapture {
public:
    AssertCapture() { m_previous = wxSetAssertHandler(&AssertCapture::Handle); Log().clear(); }
    ~AssertCapture() { wxSetAssertHandler(m_previous); }
    // "function|condition|message" per assertion, and the file of the last one.
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    static std::string& LastFile() {
        static std::string file;
        return file;
    }

private:
    static void Handle(const wxString& file, int, const wxString& func, const wxString& cond,
                       const wxString& msg) {
        LastFile() = file.ToStdString();
        Log().push_back((func + "|" + cond + "|" + msg).ToStdString());
    }
    wxAssertHandler_t m_previous;
};

// A solid picture of a size.
inline wxImage SolidImage(int w, int h, const wxColour& c) {
    wxImage image(w, h);
    image.SetRGB(wxRect(0, 0, w, h), c.Red(), c.Green(), c.Blue());
    return image;
}

}  // namespace lwtest
