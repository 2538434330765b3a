// Asks how the GIF is written: the quantiser's quality, whether frames store
// only what changed, whether transparent pixels stay transparent, the colours,
// dithering and lossy coding, an optional size limit with what may be given
// up for it; and the quality of a WebP's many-coloured frames.
#pragma once

#include "document/document.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;
class wxRearrangeCtrl;
class wxSpinCtrl;
class wxSpinCtrlDouble;

class GifSettingsDialog : public wxDialog {
public:
    GifSettingsDialog(wxWindow* parent, const GifSettings& settings);

    // The settings as the controls show them; what OK confirms.
    GifSettings GetSettings() const;

    enum {
        ID_QUALITY = wxID_HIGHEST + 1,
        ID_OPTIMISE,
        ID_TRANSPARENT,
        ID_WEBP_QUALITY,
        ID_COLOURS,
        ID_DITHER,
        ID_DITHER_STRENGTH,
        ID_LOSSY,
        ID_KEEP_UNDER,
        ID_MAX_SIZE,
        ID_LEVERS,
    };

private:
    // The strength only for diffusion, the size and levers only with a limit.
    void EnableDependents();

    const std::vector<SizeLever> m_levers;  // as the settings came
    wxChoice* m_quality = nullptr;
    wxCheckBox* m_optimise = nullptr;
    wxCheckBox* m_transparent = nullptr;
    wxSpinCtrl* m_colours = nullptr;
    wxChoice* m_dither = nullptr;
    wxSpinCtrl* m_ditherStrength = nullptr;
    wxSpinCtrl* m_lossy = nullptr;
    wxCheckBox* m_keepUnder = nullptr;
    wxSpinCtrlDouble* m_maxSize = nullptr;
    wxRearrangeCtrl* m_leverList = nullptr;
    wxSpinCtrl* m_webpQuality = nullptr;

    wxDECLARE_CLASS(GifSettingsDialog);
};
