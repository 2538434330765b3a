// The Help menu: web pages, the About dialog and the update check.
#include "window/mainwindow.h"

#include "base/folders.h"
#include "update/domainoption.h"
#include "update/updatecheck.h"
#include "update/updatechecker.h"
#include "window/userprompts.h"

#include <wx/dialog.h>
#include <wx/hyperlink.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/menuitem.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

namespace {

const char* const kReleaseYear = "2026";

using OptionValue = wxString (DomainOption::*)() const;

// An address of the option document; empty when there is none.
wxString OptionUrl(OptionValue value) {
    const DomainOption* option = GetDomainOption();
    return option ? (option->*value)() : wxString();
}

wxString RightsNotice() {
    return wxGetTranslation("Copyright (C)") + " " + kReleaseYear + " " + GetMakerName() + ".\n" +
           wxGetTranslation("Free software under the GNU General Public License, version 3 or "
                            "later. It comes with no warranty.");
}

// When no browser starts, the address is shown to be copied: the user is
// never left with a menu item that does nothing.
void ShowWebAddress(wxWindow* parent, const wxString& url) {
    wxDialog dialog(parent, wxID_ANY, GetProductName());
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const wxString text = url.empty()
                              ? wxGetTranslation("This page has no address: the program's option file is missing.")
                              : wxGetTranslation("No web browser could be started. The page's address:");
    sizer->Add(new wxStaticText(&dialog, wxID_ANY, text), wxSizerFlags().Border());
    if (!url.empty()) {
        auto* address = new wxTextCtrl(&dialog, wxID_ANY, url, wxDefaultPosition,
                                       dialog.FromDIP(wxSize(360, -1)), wxTE_READONLY);
        address->SelectAll();
        sizer->Add(address, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT));
    }
    sizer->Add(dialog.CreateStdDialogButtonSizer(wxOK), wxSizerFlags().Expand().Border());
    dialog.SetSizerAndFit(sizer);
    dialog.CentreOnParent();
    dialog.ShowModal();
}

template <typename T>
T* FindDialogControl(wxDialog& dialog, const char* name) {
    return wxDynamicCast(dialog.FindWindow(XRCID(name)), T);
}

}  // namespace

void MainWindow::OpenWebPage(const wxString& url) {
    if (!m_prompts->OpenWebPage(url)) ShowWebAddress(this, url);
}

void MainWindow::OnHelp(wxCommandEvent&) {
    StopPreview();
    OpenWebPage(OptionUrl(&DomainOption::GetHelpUrl));
}

void MainWindow::OnSupport(wxCommandEvent&) {
    StopPreview();
    OpenWebPage(OptionUrl(&DomainOption::GetSupportUrl));
}

void MainWindow::OnCheckUpdate(wxCommandEvent&) {
    StopPreview();
    if (!m_updateChecker) m_updateChecker = std::make_unique<UpdateChecker>(this);
    m_updateChecker->Start(OptionUrl(&DomainOption::GetUpdateUrl));
}

void MainWindow::ShowAboutDialog(wxCommandEvent&) {
    wxLogNull quiet;  // a damaged resource shows what it can, without messages
    wxDialog dialog;
    if (!wxXmlResource::Get()->LoadDialog(&dialog, this, "AboutDialog")) return;
    if (auto* name = FindDialogControl<wxStaticText>(dialog, "m_static_version_name"))
        name->SetLabel(wxString::Format("%s %s", GetProductName(), GetProductVersion()));
    if (auto* notice = FindDialogControl<wxStaticText>(dialog, "m_static_information"))
        notice->SetLabel(RightsNotice());
    if (auto* link = FindDialogControl<wxHyperlinkCtrl>(dialog, "m_hyperlink")) {
        const wxString home = OptionUrl(&DomainOption::GetHomeUrl);
        link->SetLabel(home);
        link->SetURL(home);
    }
    // The texts are longer than the resource's placeholders.
    if (dialog.GetSizer()) dialog.GetSizer()->SetSizeHints(&dialog);
    dialog.CentreOnParent();
    dialog.ShowModal();
}

void MainWindow::OnUpdateResult(wxCommandEvent& event) {
    if (m_updateChecker) m_updateChecker->Finished();
    const wxString version = event.GetString();
    const wxString title = GetProductName();
    if (!IsVersionText(version)) {
        wxMessageBox(wxGetTranslation("Update failed! Please check if the network is available."),
                     title, wxOK | wxCENTRE);
        return;
    }
    if (CompareVersions(GetProductVersion(), version) < 0) {
        const wxString text = "A new version of " + title + "(" + version +
                              ") is available. Click Yes to open download page.";
        wxMessageDialog dialog(this, text, title, wxYES_NO | wxCENTRE);
        dialog.SetTitle(title);
        if (dialog.ShowModal() == wxID_YES)
            OpenWebPage(OptionUrl(&DomainOption::GetHomeUrl));
        return;
    }
    wxMessageBox("This version of " + title + "(" + GetProductVersion() + ") is the latest version.",
                 title, wxOK | wxCENTRE);
}
