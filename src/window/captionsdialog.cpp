#include "window/captionsdialog.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>

CaptionsDialog::CaptionsDialog(wxWindow* parent, Actions actions)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Edit Captions"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_actions(std::move(actions)) {
    m_list = new wxListBox(this, ID_LIST, wxDefaultPosition, wxSize(360, 180));
    auto* buttons = new wxBoxSizer(wxVERTICAL);
    buttons->Add(new wxButton(this, ID_CHANGE, wxGetTranslation("Change...")), 0, wxEXPAND | wxBOTTOM, 6);
    buttons->Add(new wxButton(this, ID_REMOVE, wxGetTranslation("Remove")), 0, wxEXPAND | wxBOTTOM, 6);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_CLOSE, wxGetTranslation("Close")), 0, wxEXPAND);
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(m_list, 1, wxEXPAND | wxALL, 12);
    top->Add(buttons, 0, wxEXPAND | wxTOP | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
    SetEscapeId(wxID_CLOSE);
    Refill(0);
    Bind(wxEVT_BUTTON, &CaptionsDialog::OnButton, this, ID_CHANGE);
    Bind(wxEVT_BUTTON, &CaptionsDialog::OnButton, this, ID_REMOVE);
    Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { Press(ID_CHANGE, m_list->GetSelection()); });
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(m_list->GetSelection() != wxNOT_FOUND); },
         ID_CHANGE, ID_REMOVE);
}

void CaptionsDialog::Refill(int selection) {
    m_list->Set(m_actions.describe());
    if (m_list->IsEmpty()) return;
    m_list->SetSelection(std::min(std::max(selection, 0), static_cast<int>(m_list->GetCount()) - 1));
}

void CaptionsDialog::Press(int button, int row) {
    if (row < 0 || row >= static_cast<int>(m_list->GetCount())) return;
    if (button == ID_CHANGE) m_actions.change(row);
    else if (button == ID_REMOVE) m_actions.remove(row);
    Refill(row);
}

void CaptionsDialog::OnButton(wxCommandEvent& event) { Press(event.GetId(), m_list->GetSelection()); }
