// Edit Captions: the captions and overlays of the animation in a list, each
// to be changed or removed; every change is made at once, as one edit.
#pragma once

#include <wx/dialog.h>

#include <functional>

class wxListBox;

class CaptionsDialog : public wxDialog {
public:
    struct Actions {
        std::function<wxArrayString()> describe;  // one line per caption, in order
        std::function<void(int)> change;          // asks, then changes the caption at the row
        std::function<void(int)> remove;
    };
    CaptionsDialog(wxWindow* parent, Actions actions);

    enum { ID_LIST = wxID_HIGHEST + 1, ID_CHANGE, ID_REMOVE };
    // Runs a button on a row, as a click would (for scripts and tests).
    void Press(int button, int row);

private:
    void Refill(int selection);
    void OnButton(wxCommandEvent& event);

    Actions m_actions;
    wxListBox* m_list;
};
