#include "window/gifsettingsdialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

namespace {

// The choice's entries, in the order of GifQuality.
const char* const kQualityNames[] = {
    wxTRANSLATE("Fast, larger file"),
    wxTRANSLATE("Standard"),
    wxTRANSLATE("Best, slower"),
};

}  // namespace

wxIMPLEMENT_CLASS(GifSettingsDialog, wxDialog);

GifSettingsDialog::GifSettingsDialog(wxWindow* parent, const GifSettings& settings)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("GIF Settings")) {
    wxArrayString qualities;
    for (const char* name : kQualityNames) qualities.Add(wxGetTranslation(name));
    m_quality = new wxChoice(this, ID_QUALITY, wxDefaultPosition, wxDefaultSize, qualities);
    m_quality->SetSelection(static_cast<int>(settings.quality));
    m_optimise = new wxCheckBox(this, ID_OPTIMISE, wxGetTranslation("Optimise frames"));
    m_optimise->SetValue(settings.optimise);
    m_transparent = new wxCheckBox(this, ID_TRANSPARENT, wxGetTranslation("Transparent background"));
    m_transparent->SetValue(settings.transparent);
    m_webpQuality = new wxSpinCtrl(this, ID_WEBP_QUALITY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxSP_ARROW_KEYS, 0, 100, settings.webpQuality);
    m_webpQuality->SetToolTip(wxGetTranslation("Frames of at most 256 colours are always stored without loss; "
                                               "100 stores every frame without loss."));

    auto* quality = new wxBoxSizer(wxHORIZONTAL);
    quality->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Quality")), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    quality->Add(m_quality, 1);
    auto* webp = new wxBoxSizer(wxHORIZONTAL);
    webp->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("WebP quality")), 0,
              wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    webp->Add(m_webpQuality, 0);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, wxGetTranslation("OK")), 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel")));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(quality, 0, wxEXPAND | wxALL, 12);
    column->Add(m_optimise, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(m_transparent, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(webp, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(buttons, 0, wxEXPAND | wxALL, 12);
    SetSizerAndFit(column);
    SetDefaultItem(FindWindow(wxID_OK));
}

GifSettings GifSettingsDialog::GetSettings() const {
    GifSettings settings;
    const int selection = m_quality->GetSelection();
    settings.quality = selection == wxNOT_FOUND ? GifQuality::Standard : static_cast<GifQuality>(selection);
    settings.optimise = m_optimise->GetValue();
    settings.transparent = m_transparent->GetValue();
    settings.webpQuality = m_webpQuality->GetValue();
    return settings;
}
