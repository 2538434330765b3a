#include "window/captiondialog.h"

#include "document/frameranges.h"
#include "import/overlaypicture.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clrpicker.h>
#include <wx/filepicker.h>
#include <wx/fontpicker.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

wxColour ToColour(const CaptionColour& c) { return wxColour(c.red, c.green, c.blue); }

CaptionColour FromColour(const wxColour& colour, unsigned char alpha) {
    return CaptionColour{colour.Red(), colour.Green(), colour.Blue(), alpha};
}

void AddRow(wxWindow* panel, wxFlexGridSizer* grid, const wxString& label, wxWindow* field) {
    grid->Add(new wxStaticText(panel, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(field, 1, wxEXPAND);
}

wxSpinCtrl* NumberField(wxWindow* parent, int low, int high, int value, wxWindowID id = wxID_ANY) {
    return new wxSpinCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, low, high,
                          value);
}

}  // namespace

wxString CaptionAnchorName(CaptionAnchor anchor) {
    static const char* const names[kCaptionAnchors] = {
        wxTRANSLATE("Top left"),    wxTRANSLATE("Top"),    wxTRANSLATE("Top right"),
        wxTRANSLATE("Left"),        wxTRANSLATE("Centre"), wxTRANSLATE("Right"),
        wxTRANSLATE("Bottom left"), wxTRANSLATE("Bottom"), wxTRANSLATE("Bottom right")};
    return wxGetTranslation(names[static_cast<int>(anchor)]);
}

CaptionDialog::CaptionDialog(wxWindow* parent, const wxString& title, const CaptionLook& look,
                             const std::vector<size_t>& frames, size_t frameCount)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_look(look),
      m_frameCount(frameCount),
      m_chosenFrames(frames) {
    auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
    grid->AddGrowableCol(1);
    if (look.IsPicture()) AddPictureFields(this, grid);
    else AddTextFields(this, grid);
    m_anchor = new wxChoice(this, ID_ANCHOR);
    for (int i = 0; i < kCaptionAnchors; ++i) m_anchor->Append(CaptionAnchorName(static_cast<CaptionAnchor>(i)));
    m_anchor->SetSelection(static_cast<int>(look.anchor));
    AddRow(this, grid, wxGetTranslation("Position:"), m_anchor);
    m_margin = NumberField(this, 0, 4000, look.margin);
    AddRow(this, grid, wxGetTranslation("Margin (pixels):"), m_margin);
    m_frames = new wxTextCtrl(this, ID_FRAMES, FrameRangesText(frames));
    m_frames->SetHint("1-3, 5");
    AddRow(this, grid, wxGetTranslation("On frames:"), m_frames);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 1, wxEXPAND | wxALL, 12);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
    Bind(wxEVT_BUTTON, &CaptionDialog::OnOk, this, wxID_OK);
}

void CaptionDialog::AddTextFields(wxWindow* panel, wxFlexGridSizer* grid) {
    m_text = new wxTextCtrl(panel, ID_TEXT, m_look.text, wxDefaultPosition, wxSize(320, 72), wxTE_MULTILINE);
    AddRow(panel, grid, wxGetTranslation("Text:"), m_text);
    wxFont font(wxFontInfo(12).FaceName(m_look.fontFace).Bold(m_look.bold).Italic(m_look.italic));
    m_font = new wxFontPickerCtrl(panel, wxID_ANY, font);
    AddRow(panel, grid, wxGetTranslation("Font:"), m_font);
    m_size = NumberField(panel, 4, 4096, m_look.fontSize);
    AddRow(panel, grid, wxGetTranslation("Size (pixels):"), m_size);
    m_colour = new wxColourPickerCtrl(panel, wxID_ANY, ToColour(m_look.colour));
    AddRow(panel, grid, wxGetTranslation("Colour:"), m_colour);
    auto* outline = new wxBoxSizer(wxHORIZONTAL);
    m_outline = new wxColourPickerCtrl(panel, wxID_ANY, ToColour(m_look.outline));
    m_outlineWidth = NumberField(panel, 0, 64, m_look.outlineWidth);
    outline->Add(m_outline, 0, wxRIGHT, 8);
    outline->Add(m_outlineWidth, 1);
    grid->Add(new wxStaticText(panel, wxID_ANY, wxGetTranslation("Outline and its width:")), 0,
              wxALIGN_CENTER_VERTICAL);
    grid->Add(outline, 1, wxEXPAND);
    auto* box = new wxBoxSizer(wxHORIZONTAL);
    m_box = new wxCheckBox(panel, wxID_ANY, wxGetTranslation("Background box"));
    m_box->SetValue(m_look.box);
    m_boxColour = new wxColourPickerCtrl(panel, wxID_ANY, ToColour(m_look.boxColour));
    box->Add(m_box, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    box->Add(m_boxColour, 0);
    grid->AddSpacer(0);
    grid->Add(box, 1, wxEXPAND);
}

void CaptionDialog::AddPictureFields(wxWindow* panel, wxFlexGridSizer* grid) {
    m_picture = new wxFilePickerCtrl(panel, ID_PICTURE, m_look.picturePath, wxGetTranslation("Choose a picture"),
                                     wxGetTranslation("PNG pictures (*.png)|*.png;*.PNG|All files|*"),
                                     wxDefaultPosition, wxSize(320, -1), wxFLP_OPEN | wxFLP_FILE_MUST_EXIST | wxFLP_USE_TEXTCTRL);
    AddRow(panel, grid, wxGetTranslation("Picture:"), m_picture);
    m_opacity = NumberField(panel, 0, 100, m_look.opacity);
    AddRow(panel, grid, wxGetTranslation("Opacity (%):"), m_opacity);
}

CaptionLook CaptionDialog::GetLook() const {
    CaptionLook look = m_look;
    if (m_text) {
        look.text = m_text->GetValue();
        const wxFont font = m_font->GetSelectedFont();
        if (font.IsOk()) {
            look.fontFace = font.GetFaceName();
            look.bold = font.GetWeight() >= wxFONTWEIGHT_BOLD;
            look.italic = font.GetStyle() == wxFONTSTYLE_ITALIC;
        }
        look.fontSize = m_size->GetValue();
        look.colour = FromColour(m_colour->GetColour(), 255);
        look.outline = FromColour(m_outline->GetColour(), 255);
        look.outlineWidth = m_outlineWidth->GetValue();
        look.box = m_box->GetValue();
        look.boxColour = FromColour(m_boxColour->GetColour(), m_look.boxColour.alpha);
    } else {
        look.picturePath = m_picture->GetPath();
        look.opacity = m_opacity->GetValue();
        if (look.picturePath != m_look.picturePath || !look.picture) look.picture = LoadOverlayPicture(look.picturePath);
    }
    look.anchor = static_cast<CaptionAnchor>(std::max(0, m_anchor->GetSelection()));
    look.margin = m_margin->GetValue();
    return look;
}

void CaptionDialog::SetText(const wxString& text) { m_text->SetValue(text); }
void CaptionDialog::SetFramesText(const wxString& text) { m_frames->SetValue(text); }
void CaptionDialog::SetPicturePath(const wxString& path) { m_picture->SetPath(path); }

void CaptionDialog::OnOk(wxCommandEvent& event) {
    const auto frames = ParseFrameRanges(m_frames->GetValue(), m_frameCount);
    // Read once: a newly chosen picture is loaded here and kept for GetLook.
    const CaptionLook look = GetLook();
    wxString problem;
    if (!frames)
        problem = wxString::Format(wxGetTranslation("Name the frames by number, from 1 to %d, such as \"1-3, 5\"."),
                                   static_cast<int>(m_frameCount));
    else if (m_text && m_text->GetValue().Strip(wxString::both).empty())
        problem = wxGetTranslation("Write the caption's text.");
    else if (m_picture && !look.picture)
        problem = wxGetTranslation("That picture cannot be read. Choose a PNG, JPEG or BMP picture.");
    if (!problem.empty()) {
        wxMessageBox(problem, GetTitle(), wxOK | wxICON_WARNING, this);
        return;
    }
    // Said, not refused: the text may be right and only the font lacking.
    if (m_text && CaptionMissingGlyphs(look) > 0)
        wxMessageBox(wxGetTranslation("Some characters of the text have no glyph in any installed font; they "
                                      "show as boxes."),
                     GetTitle(), wxOK | wxICON_INFORMATION, this);
    m_chosenFrames = *frames;
    m_look = look;
    event.Skip();  // the dialog ends with OK
}
