#include "window/cropdialog.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

CropDialog::CropDialog(wxWindow* parent, PreviewPanel& preview, const wxSize& plane, const wxRect& crop,
                       std::function<void(std::optional<wxRect>)> finished)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Crop"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE),
      m_plane(plane), m_finished(std::move(finished)) {
    auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
    const char* const labels[4] = {wxTRANSLATE("X:"), wxTRANSLATE("Y:"), wxTRANSLATE("Width:"),
                                   wxTRANSLATE("Height:")};
    for (int i = 0; i < 4; ++i) {
        grid->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(labels[i])), 0, wxALIGN_CENTER_VERTICAL);
        m_fields[i] = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                     wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER);
        m_fields[i]->SetRange(i < 2 ? 0 : 1, i % 2 == 0 ? plane.x : plane.y);
        m_fields[i]->Bind(wxEVT_SPINCTRL, &CropDialog::OnNumber, this);
        m_fields[i]->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Finish(true); });
        grid->Add(m_fields[i], 1, wxEXPAND);
    }
    auto* hint = new wxStaticText(this, wxID_ANY,
                                  wxGetTranslation("Drag the rectangle on the preview; Shift keeps its shape."));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 0, wxEXPAND | wxALL, 10);
    sizer->Add(hint, 0, wxLEFT | wxRIGHT, 10);
    sizer->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(sizer);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(true); }, wxID_OK);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Finish(false); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Finish(false); });

    CropTool::Listener listener;
    listener.changed = [this](const wxRect& changed) { ShowNumbers(changed); };
    listener.finished = [this](bool apply) { Finish(apply); };
    m_tool = std::make_unique<CropTool>(preview, plane, crop, std::move(listener));
    ShowNumbers(m_tool->Crop());
}

CropDialog::~CropDialog() = default;

wxRect CropDialog::GetCrop() const { return m_tool ? m_tool->Crop() : wxRect(); }

void CropDialog::ShowNumbers(const wxRect& crop) {
    const int values[4] = {crop.x, crop.y, crop.width, crop.height};
    for (int i = 0; i < 4; ++i)
        if (m_fields[i]->GetValue() != values[i]) m_fields[i]->SetValue(values[i]);
}

void CropDialog::OnNumber(wxSpinEvent&) { TakeNumbers(); }

void CropDialog::TakeNumbers() {
    m_tool->SetCrop(wxRect(m_fields[0]->GetValue(), m_fields[1]->GetValue(), m_fields[2]->GetValue(),
                           m_fields[3]->GetValue()));
    // A rectangle that had to be moved or shrunk to fit shows as it is.
    ShowNumbers(m_tool->Crop());
}

void CropDialog::Finish(bool apply) {
    if (m_done) return;
    m_done = true;
    // A number typed and not yet taken counts: the fields follow every drag.
    if (apply) TakeNumbers();
    const wxRect crop = m_tool->Crop();
    m_tool.reset();  // the preview shows the frames as they are drawn again
    Hide();
    if (m_finished) m_finished(apply ? std::optional<wxRect>(crop) : std::nullopt);
    Destroy();
}
