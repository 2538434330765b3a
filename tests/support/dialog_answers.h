// Answers for the program's own dialogs in wxTEST_DIALOG.
#pragma once

#include "window/loopcountdialog.h"

#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/testing.h>

namespace lwtest {

// Answers the loop count dialog: plays `count` times (0 for forever) and OK.
class ExpectLoopCount : public wxExpectModalBase<LoopCountDialog, ExpectLoopCount> {
public:
    explicit ExpectLoopCount(int count) : m_count(count) {}

protected:
    int OnInvoked(LoopCountDialog* dialog) const override {
        const int id = m_count ? LoopCountDialog::ID_PLAY_COUNT : LoopCountDialog::ID_PLAY_FOREVER;
        wxStaticCast(dialog->FindWindow(id), wxRadioButton)->SetValue(true);
        wxStaticCast(dialog->FindWindow(LoopCountDialog::ID_COUNT), wxSpinCtrl)->SetValue(m_count);
        dialog->TakeValue();
        return wxID_OK;
    }

private:
    int m_count;
};

}  // namespace lwtest
