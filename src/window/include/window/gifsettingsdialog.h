// Asks how the GIF is written: the quantiser's quality, whether frames store
// only what changed, whether transparent pixels stay transparent; and the
// quality of a WebP's many-coloured frames.
#pragma once

#include "document/document.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;
class wxSpinCtrl;


class GifSettingsDialog : public wxDialog {
public:
    GifSettingsDialog(wxWindow* parent, const GifSettings& settings);

    // The settings as the controls show them; what OK confirms.
    GifSettings GetSettings() const;

    enum { ID_QUALITY = wxID_HIGHEST + 1, ID_OPTIMISE, ID_TRANSPARENT, ID_WEBP_QUALITY };

private:
    wxChoice* m_quality = nullptr;
    wxCheckBox* m_optimise = nullptr;
    wxCheckBox* m_transparent = nullptr;
    wxSpinCtrl* m_webpQuality = nullptr;

    wxDECLARE_CLASS(GifSettingsDialog);
};
