// Asks how the GIF is written: the quantiser's quality, whether frames store
// only what changed, and whether transparent pixels stay transparent.
#pragma once

#include "window/gif_export.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;

// What the dialog edits; the defaults are the export's.
struct GifSettings {
    GifQuality quality = GifQuality::Standard;
    bool optimise = true;
    bool transparent = false;

    bool operator==(const GifSettings& o) const {
        return quality == o.quality && optimise == o.optimise && transparent == o.transparent;
    }
};

class GifSettingsDialog : public wxDialog {
public:
    GifSettingsDialog(wxWindow* parent, const GifSettings& settings);

    // The settings as the controls show them; what OK confirms.
    GifSettings GetSettings() const;

    enum { ID_QUALITY = wxID_HIGHEST + 1, ID_OPTIMISE, ID_TRANSPARENT };

private:
    wxChoice* m_quality = nullptr;
    wxCheckBox* m_optimise = nullptr;
    wxCheckBox* m_transparent = nullptr;

    wxDECLARE_CLASS(GifSettingsDialog);
};
