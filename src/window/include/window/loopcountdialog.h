// Asks how many times the preview plays the animation: a count, or forever.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxCommandEvent;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticBox;
class wxStaticText;

class LoopCountDialog : public wxDialog {
public:
    explicit LoopCountDialog(wxWindow* parent);

    // The count confirmed with OK, 0 meaning forever.
    int GetResult() const { return m_result; }
    // What OK does before the dialog ends: takes the chosen count as the
    // result and remembers it for the next dialog.
    void TakeValue();

    // The value the next dialog starts from: the last one confirmed with OK.
    static int GetRememberedValue();
    static void SetRememberedValue(int value);

    enum { ID_PLAY_COUNT = 0, ID_PLAY_FOREVER = 1, ID_COUNT = 2 };

private:
    void OnPlayCount(wxCommandEvent& event);
    void OnPlayForever(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);

    wxButton* m_ok = nullptr;
    wxButton* m_cancel = nullptr;
    wxRadioButton* m_playCount = nullptr;
    wxRadioButton* m_playForever = nullptr;
    wxStaticBox* m_box = nullptr;
    wxStaticText* m_times = nullptr;
    wxSpinCtrl* m_count = nullptr;
    int m_result = 0;

    wxDECLARE_DYNAMIC_CLASS_NO_COPY(LoopCountDialog);
    wxDECLARE_EVENT_TABLE();
    LoopCountDialog() = default;
};
