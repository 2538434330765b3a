// Frame > Crop...: the crop as four numbers beside the rectangle on the
// preview (the crop tool), kept in step both ways. Not modal, so that the
// preview can be dragged on; Enter applies and Escape cancels in either.
#pragma once

#include "window/croptool.h"

#include <wx/dialog.h>

#include <functional>
#include <memory>
#include <optional>

class wxSpinCtrl;
class wxSpinEvent;

class CropDialog : public wxDialog {
public:
    // finished gets the crop applied, or nothing when cancelled; the dialog
    // is destroyed right after.
    CropDialog(wxWindow* parent, PreviewPanel& preview, const wxSize& plane, const wxRect& crop,
               std::function<void(std::optional<wxRect>)> finished);
    ~CropDialog() override;

    wxRect GetCrop() const;
    CropTool& GetTool() { return *m_tool; }
    // Ends the crop: applied or cancelled.
    void Finish(bool apply);

private:
    void OnNumber(wxSpinEvent& event);
    void ShowNumbers(const wxRect& crop);
    void TakeNumbers();

    const wxSize m_plane;
    wxSpinCtrl* m_fields[4] = {};  // x, y, width, height
    std::unique_ptr<CropTool> m_tool;
    std::function<void(std::optional<wxRect>)> m_finished;
    bool m_done = false;
};
