#include "window/framedelaydialog.h"

#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

FrameDelayDialog::FrameDelayDialog(wxWindow* parent, int delay)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Frame Delay")) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Delay ") + ":"), 0,
             wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    // The same range as the Delay field: what a GIF can store.
    m_delay = new wxSpinCtrl(this, ID_DELAY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                             wxSP_ARROW_KEYS, 0, 65535, delay);
    row->Add(m_delay, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    row->Add(new wxStaticText(this, wxID_ANY, "1/100" + wxGetTranslation("sec ")), 0,
             wxALIGN_CENTER_VERTICAL);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(row, 0, wxEXPAND | wxALL, 12);
    column->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(column);
    m_delay->SetFocus();
    m_delay->SetSelection(-1, -1);
}

int FrameDelayDialog::GetDelay() const { return m_delay->GetValue(); }

void FrameDelayDialog::SetDelay(int delay) { m_delay->SetValue(delay); }
