// The dialog of a caption or an overlay picture: what it shows, how it
// looks, where it goes and on which frames. OK is refused, with a word, while
// the frames or the picture cannot be used.
#pragma once

#include "gif/captions.h"

#include <wx/dialog.h>

#include <vector>

class wxCheckBox;
class wxChoice;
class wxColourPickerCtrl;
class wxFilePickerCtrl;
class wxFontPickerCtrl;
class wxSpinCtrl;
class wxTextCtrl;

class CaptionDialog : public wxDialog {
public:
    // For look (a text caption, or a picture when its picturePath is set) on
    // the frames at indices of frameCount.
    CaptionDialog(wxWindow* parent, const wxString& title, const CaptionLook& look,
                  const std::vector<size_t>& frames, size_t frameCount);

    CaptionLook GetLook() const;
    std::vector<size_t> GetFrames() const { return m_chosenFrames; }
    // Sets the fields as a person would (for scripts and tests).
    void SetText(const wxString& text);
    void SetFramesText(const wxString& text);
    void SetPicturePath(const wxString& path);

    enum { ID_TEXT = wxID_HIGHEST + 1, ID_FRAMES, ID_PICTURE, ID_ANCHOR };

private:
    void AddTextFields(wxWindow* panel, class wxFlexGridSizer* grid);
    void AddPictureFields(wxWindow* panel, class wxFlexGridSizer* grid);
    void OnOk(wxCommandEvent& event);

    CaptionLook m_look;
    size_t m_frameCount;
    std::vector<size_t> m_chosenFrames;
    wxTextCtrl* m_text = nullptr;
    wxFontPickerCtrl* m_font = nullptr;
    wxSpinCtrl* m_size = nullptr;
    wxColourPickerCtrl* m_colour = nullptr;
    wxColourPickerCtrl* m_outline = nullptr;
    wxSpinCtrl* m_outlineWidth = nullptr;
    wxCheckBox* m_box = nullptr;
    wxColourPickerCtrl* m_boxColour = nullptr;
    wxFilePickerCtrl* m_picture = nullptr;
    wxSpinCtrl* m_opacity = nullptr;
    wxChoice* m_anchor = nullptr;
    wxSpinCtrl* m_margin = nullptr;
    wxTextCtrl* m_frames = nullptr;
};

// The anchors' names as the dialog lists them, in CaptionAnchor's order.
wxString CaptionAnchorName(CaptionAnchor anchor);
