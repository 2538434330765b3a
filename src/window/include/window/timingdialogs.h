// The small dialogs of the timing tools: Change Speed, Reduce Frames and
// Remove Duplicates ask for one setting each; Enter is OK, Escape Cancel.
#pragma once

#include <wx/dialog.h>

class wxRadioButton;
class wxSpinCtrl;
class wxSpinCtrlDouble;

// Change Speed: a percentage of the current speed, 10 to 1000.
class SpeedDialog : public wxDialog {
public:
    SpeedDialog(wxWindow* parent, int percent);
    int GetPercent() const;
    void SetPercent(int percent);

private:
    wxSpinCtrl* m_percent;
};

// Reduce Frames: of every N frames (2 to 10), keep the first or drop the last.
class ReduceDialog : public wxDialog {
public:
    ReduceDialog(wxWindow* parent, int step, bool keepOne);
    int GetStep() const;
    bool KeepsOne() const;
    void Set(int step, bool keepOne);

private:
    wxSpinCtrl* m_step;
    wxRadioButton* m_keepOne;
    wxRadioButton* m_dropOne;
};

// Remove Duplicates: identical frames only (0), or nearly identical ones up
// to a mean difference in percent.
class DuplicatesDialog : public wxDialog {
public:
    DuplicatesDialog(wxWindow* parent, double percent);
    double GetPercent() const;
    void SetPercent(double percent);

private:
    wxRadioButton* m_identical;
    wxRadioButton* m_nearly;
    wxSpinCtrlDouble* m_percent;
};
