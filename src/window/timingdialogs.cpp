#include "window/timingdialogs.h"

#include "document/timing.h"

#include <wx/intl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

namespace {

// A dialog's body with OK and Cancel under it.
void Finish(wxDialog* dialog, wxSizer* body) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(body, 0, wxEXPAND | wxALL, 10);
    sizer->Add(dialog->CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    dialog->SetSizerAndFit(sizer);
    dialog->CentreOnParent();
}

wxBoxSizer* Row(std::initializer_list<wxWindow*> items) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    for (wxWindow* item : items) row->Add(item, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    return row;
}

}  // namespace

SpeedDialog::SpeedDialog(wxWindow* parent, int percent)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Change Speed")) {
    m_percent = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxSP_ARROW_KEYS, kMinSpeedPercent, kMaxSpeedPercent, percent);
    auto* body = new wxBoxSizer(wxVERTICAL);
    body->Add(Row({new wxStaticText(this, wxID_ANY, wxGetTranslation("Speed:")), m_percent,
                   new wxStaticText(this, wxID_ANY, "%")}));
    body->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Twice as fast at 200 %, half as fast at 50 %.")),
              0, wxTOP, 8);
    Finish(this, body);
}

int SpeedDialog::GetPercent() const { return m_percent->GetValue(); }
void SpeedDialog::SetPercent(int percent) { m_percent->SetValue(percent); }

ReduceDialog::ReduceDialog(wxWindow* parent, int step, bool keepOne)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Reduce Frames")) {
    m_step = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                            kMinReduceStep, kMaxReduceStep, step);
    m_keepOne = new wxRadioButton(this, wxID_ANY, wxGetTranslation("Keep the first of them"), wxDefaultPosition,
                                  wxDefaultSize, wxRB_GROUP);
    m_dropOne = new wxRadioButton(this, wxID_ANY, wxGetTranslation("Drop the last of them"));
    Set(step, keepOne);
    auto* body = new wxBoxSizer(wxVERTICAL);
    body->Add(Row({new wxStaticText(this, wxID_ANY, wxGetTranslation("Of every")), m_step,
                   new wxStaticText(this, wxID_ANY, wxGetTranslation("frames:"))}));
    body->Add(m_keepOne, 0, wxTOP, 8);
    body->Add(m_dropOne, 0, wxTOP, 4);
    body->Add(new wxStaticText(this, wxID_ANY,
                               wxGetTranslation("A dropped frame's time goes to the frame before it.")),
              0, wxTOP, 8);
    Finish(this, body);
}

int ReduceDialog::GetStep() const { return m_step->GetValue(); }
bool ReduceDialog::KeepsOne() const { return m_keepOne->GetValue(); }
void ReduceDialog::Set(int step, bool keepOne) {
    m_step->SetValue(step);
    (keepOne ? m_keepOne : m_dropOne)->SetValue(true);
}

DuplicatesDialog::DuplicatesDialog(wxWindow* parent, double percent)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Remove Duplicates")) {
    m_identical = new wxRadioButton(this, wxID_ANY, wxGetTranslation("Identical frames only"), wxDefaultPosition,
                                    wxDefaultSize, wxRB_GROUP);
    m_nearly = new wxRadioButton(this, wxID_ANY, wxGetTranslation("Nearly identical, differing on average by at most"));
    m_percent = new wxSpinCtrlDouble(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                     wxSP_ARROW_KEYS, 0.1, 20, 1, 0.1);
    m_percent->SetDigits(1);
    SetPercent(percent);
    // Typing a difference means it is wanted.
    m_percent->Bind(wxEVT_SPINCTRLDOUBLE, [this](wxSpinDoubleEvent&) { m_nearly->SetValue(true); });
    auto* body = new wxBoxSizer(wxVERTICAL);
    body->Add(m_identical);
    body->Add(Row({m_nearly, m_percent, new wxStaticText(this, wxID_ANY, "%")}), 0, wxTOP, 4);
    body->Add(new wxStaticText(this, wxID_ANY,
                               wxGetTranslation("A removed frame's time goes to the frame it repeats.")),
              0, wxTOP, 8);
    Finish(this, body);
}

double DuplicatesDialog::GetPercent() const { return m_identical->GetValue() ? 0 : m_percent->GetValue(); }
void DuplicatesDialog::SetPercent(double percent) {
    if (percent > 0) m_percent->SetValue(percent);
    (percent > 0 ? m_nearly : m_identical)->SetValue(true);
}
