#include "window/loopcountdialog.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace {
int g_rememberedValue = 0;
}

wxIMPLEMENT_DYNAMIC_CLASS(LoopCountDialog, wxDialog);

wxBEGIN_EVENT_TABLE(LoopCountDialog, wxDialog)
    EVT_RADIOBUTTON(LoopCountDialog::ID_PLAY_COUNT, LoopCountDialog::OnPlayCount)
    EVT_RADIOBUTTON(LoopCountDialog::ID_PLAY_FOREVER, LoopCountDialog::OnPlayForever)
    EVT_BUTTON(wxID_OK, LoopCountDialog::OnOk)
    EVT_BUTTON(wxID_CANCEL, LoopCountDialog::OnCancel)
wxEND_EVENT_TABLE()

int LoopCountDialog::GetRememberedValue() { return g_rememberedValue; }
void LoopCountDialog::SetRememberedValue(int value) { g_rememberedValue = value; }

LoopCountDialog::LoopCountDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Loop Counter"), wxDefaultPosition,
               wxSize(300, 150), wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    // A fixed layout in the classic arrangement, with sizes that GTK's
    // controls need (its spin button is at least 32 pixels high).
    m_box = new wxStaticBox(this, wxID_STATIC, wxGetTranslation("Animation Loop Count"),
                            wxPoint(10, 10), wxSize(380, 88));
    m_playCount = new wxRadioButton(this, ID_PLAY_COUNT, wxGetTranslation("Play animation"),
                                    wxPoint(20, 36), wxDefaultSize, wxRB_GROUP);
    m_count = new wxSpinCtrl(this, ID_COUNT, wxEmptyString, wxPoint(196, 30), wxSize(130, 34),
                             wxSP_ARROW_KEYS, 0, 100, 1, "wxSpinCtrl");
    m_times = new wxStaticText(this, wxID_ANY, wxGetTranslation("time(s)"), wxPoint(332, 38));
    m_playForever = new wxRadioButton(this, ID_PLAY_FOREVER,
                                      wxGetTranslation("Play animation infinitely"),
                                      wxPoint(20, 68));
    m_ok = new wxButton(this, wxID_OK, wxGetTranslation("OK"), wxPoint(100, 110), wxSize(90, 32));
    m_cancel = new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel"), wxPoint(210, 110),
                            wxSize(90, 32));
    SetClientSize(400, 152);
    m_ok->SetDefault();

    if (g_rememberedValue != 0) {
        m_playCount->SetValue(true);
        m_count->SetValue(g_rememberedValue);
        m_count->Enable(true);
    } else {
        m_count->Enable(false);
        m_playForever->SetValue(true);
    }
    m_result = 0;
}

void LoopCountDialog::OnPlayCount(wxCommandEvent&) {
    if (m_playCount->GetValue()) m_count->Enable(true);
}

void LoopCountDialog::OnPlayForever(wxCommandEvent&) {
    if (m_playForever->GetValue()) m_count->Enable(false);
}

void LoopCountDialog::TakeValue() {
    const int value = m_playCount->GetValue() ? m_count->GetValue() : 0;
    g_rememberedValue = value;
    m_result = value;
}

void LoopCountDialog::OnOk(wxCommandEvent&) {
    TakeValue();
    EndModal(wxID_OK);
}

void LoopCountDialog::OnCancel(wxCommandEvent&) { EndModal(wxID_CANCEL); }
