#include "window/gifsettingsdialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/intl.h>
#include <wx/rearrangectrl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>

namespace {

// The choice's entries, in the order of GifQuality.
const char* const kQualityNames[] = {
    wxTRANSLATE("Fast, larger file"),
    wxTRANSLATE("Standard"),
    wxTRANSLATE("Best, slower"),
};

// In the order of GifDither.
const char* const kDitherNames[] = {
    wxTRANSLATE("None"),
    wxTRANSLATE("Ordered pattern"),
    wxTRANSLATE("Diffused"),
};

// In the order of SizeLever.
const char* const kLeverNames[] = {
    wxTRANSLATE("Lossy compression"),
    wxTRANSLATE("Colours"),
    wxTRANSLATE("Frame size"),
    wxTRANSLATE("Frame rate"),
};
constexpr int kLeverCount = 4;

constexpr double kMegabyte = 1024.0 * 1024.0;

// A label and its control on one line.
wxSizer* Labelled(wxWindow* parent, const char* label, wxWindow* control, const wxString& after = wxString()) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(parent, wxID_ANY, wxGetTranslation(label)), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    row->Add(control, 0);
    if (!after.empty()) row->Add(new wxStaticText(parent, wxID_ANY, after), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    return row;
}

wxSpinCtrl* NumberField(wxWindow* parent, int id, int low, int high, int value) {
    return new wxSpinCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, low, high,
                          value);
}

}  // namespace

wxIMPLEMENT_CLASS(GifSettingsDialog, wxDialog);

GifSettingsDialog::GifSettingsDialog(wxWindow* parent, const GifSettings& settings)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("GIF Settings")), m_levers(settings.levers) {
    wxArrayString qualities;
    for (const char* name : kQualityNames) qualities.Add(wxGetTranslation(name));
    m_quality = new wxChoice(this, ID_QUALITY, wxDefaultPosition, wxDefaultSize, qualities);
    m_quality->SetSelection(static_cast<int>(settings.quality));
    m_optimise = new wxCheckBox(this, ID_OPTIMISE, wxGetTranslation("Optimise frames"));
    m_optimise->SetValue(settings.optimise);
    m_transparent = new wxCheckBox(this, ID_TRANSPARENT, wxGetTranslation("Transparent background"));
    m_transparent->SetValue(settings.transparent);
    m_colours = NumberField(this, ID_COLOURS, kMinGifColours, kMaxGifColours, settings.colours);
    wxArrayString dithers;
    for (const char* name : kDitherNames) dithers.Add(wxGetTranslation(name));
    m_dither = new wxChoice(this, ID_DITHER, wxDefaultPosition, wxDefaultSize, dithers);
    m_dither->SetSelection(static_cast<int>(settings.dither));
    m_ditherStrength = NumberField(this, ID_DITHER_STRENGTH, 0, 100, settings.ditherStrength);
    m_lossy = NumberField(this, ID_LOSSY, 0, kMaxLossy, settings.lossy);
    m_lossy->SetToolTip(wxGetTranslation("0 stores the frames' colours exactly; higher values give smaller "
                                         "files with a little noise."));
    m_keepUnder = new wxCheckBox(this, ID_KEEP_UNDER, wxGetTranslation("Keep the GIF under"));
    m_keepUnder->SetValue(settings.maxBytes > 0);
    const double megabytes = settings.maxBytes > 0 ? settings.maxBytes / kMegabyte : 5.0;
    m_maxSize = new wxSpinCtrlDouble(this, ID_MAX_SIZE, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                     wxSP_ARROW_KEYS, 0.01, 100000, megabytes, 0.1);
    m_maxSize->SetDigits(2);
    // The levers in the user's order, the ones not allowed after them unticked.
    wxArrayInt order;
    wxArrayString names;
    for (int i = 0; i < kLeverCount; ++i) names.Add(wxGetTranslation(kLeverNames[i]));
    for (SizeLever lever : settings.levers) order.Add(static_cast<int>(lever));
    for (int i = 0; i < kLeverCount; ++i)
        if (std::find(settings.levers.begin(), settings.levers.end(), static_cast<SizeLever>(i)) ==
            settings.levers.end())
            order.Add(~i);
    m_leverList = new wxRearrangeCtrl(this, ID_LEVERS, wxDefaultPosition, wxDefaultSize, order, names);
    m_leverList->SetToolTip(wxGetTranslation("What the export may give up to stay under the size, tried in "
                                             "this order"));
    m_webpQuality = NumberField(this, ID_WEBP_QUALITY, 0, 100, settings.webpQuality);
    m_webpQuality->SetToolTip(wxGetTranslation("Frames of at most 256 colours are always stored without loss; "
                                               "100 stores every frame without loss."));

    auto* quality = new wxBoxSizer(wxHORIZONTAL);
    quality->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Quality")), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    quality->Add(m_quality, 1);
    auto* dither = new wxBoxSizer(wxHORIZONTAL);
    dither->Add(Labelled(this, wxTRANSLATE("Dithering"), m_dither), 0, wxRIGHT, 8);
    dither->Add(m_ditherStrength, 0);
    dither->Add(new wxStaticText(this, wxID_ANY, "%"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    auto* keep = new wxBoxSizer(wxHORIZONTAL);
    keep->Add(m_keepUnder, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    keep->Add(m_maxSize, 0);
    keep->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("MB")), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, wxGetTranslation("OK")), 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel")));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(quality, 0, wxEXPAND | wxALL, 12);
    column->Add(m_optimise, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(m_transparent, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(Labelled(this, wxTRANSLATE("Colours"), m_colours), 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(dither, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(Labelled(this, wxTRANSLATE("Lossy compression"), m_lossy), 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(keep, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(m_leverList, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(Labelled(this, wxTRANSLATE("WebP quality"), m_webpQuality), 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(buttons, 0, wxEXPAND | wxALL, 12);
    SetSizerAndFit(column);
    SetDefaultItem(FindWindow(wxID_OK));

    m_dither->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { EnableDependents(); });
    m_keepUnder->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { EnableDependents(); });
    EnableDependents();
}

void GifSettingsDialog::EnableDependents() {
    m_ditherStrength->Enable(m_dither->GetSelection() == static_cast<int>(GifDither::Diffuse));
    m_maxSize->Enable(m_keepUnder->GetValue());
    m_leverList->Enable(m_keepUnder->GetValue());
}

GifSettings GifSettingsDialog::GetSettings() const {
    GifSettings settings;
    const int selection = m_quality->GetSelection();
    settings.quality = selection == wxNOT_FOUND ? GifQuality::Standard : static_cast<GifQuality>(selection);
    settings.optimise = m_optimise->GetValue();
    settings.transparent = m_transparent->GetValue();
    settings.webpQuality = m_webpQuality->GetValue();
    settings.colours = m_colours->GetValue();
    const int dither = m_dither->GetSelection();
    settings.dither = dither == wxNOT_FOUND ? GifDither::Diffuse : static_cast<GifDither>(dither);
    settings.ditherStrength = m_ditherStrength->GetValue();
    settings.lossy = m_lossy->GetValue();
    settings.maxBytes = m_keepUnder->GetValue() ? std::llround(m_maxSize->GetValue() * kMegabyte) : 0;
    // Without a limit the order chosen before stays as it was.
    settings.levers.clear();
    for (int entry : m_leverList->GetList()->GetCurrentOrder())
        if (entry >= 0) settings.levers.push_back(static_cast<SizeLever>(entry));
    if (!m_keepUnder->GetValue()) settings.levers = m_levers;
    return settings;
}
