// Asks for the delay of the selected frames, in hundredths of a second.
#pragma once

#include <wx/dialog.h>

class wxSpinCtrl;

class FrameDelayDialog : public wxDialog {
public:
    FrameDelayDialog(wxWindow* parent, int delay);

    int GetDelay() const;
    void SetDelay(int delay);

    enum { ID_DELAY = 1 };

private:
    wxSpinCtrl* m_delay = nullptr;
};
