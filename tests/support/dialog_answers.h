// Answers for the program's own dialogs in wxTEST_DIALOG.
#pragma once

#include "window/framedelaydialog.h"
#include "window/loopcountdialog.h"
#include "window/timingdialogs.h"

#include <wx/msgdlg.h>
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

// Answers the Frame Delay dialog with a delay and OK; keeps the delay it showed.
class ExpectFrameDelay : public wxExpectModalBase<FrameDelayDialog, ExpectFrameDelay> {
public:
    ExpectFrameDelay(int delay, int* shown) : m_delay(delay), m_shown(shown) {}

protected:
    int OnInvoked(FrameDelayDialog* dialog) const override {
        *m_shown = dialog->GetDelay();
        dialog->SetDelay(m_delay);
        return wxID_OK;
    }

private:
    int m_delay;
    int* m_shown;
};

// Answers the timing tools' dialogs with a setting and OK.
class ExpectSpeed : public wxExpectModalBase<SpeedDialog, ExpectSpeed> {
public:
    explicit ExpectSpeed(int percent) : m_percent(percent) {}

protected:
    int OnInvoked(SpeedDialog* dialog) const override {
        dialog->SetPercent(m_percent);
        return wxID_OK;
    }

private:
    int m_percent;
};

class ExpectReduce : public wxExpectModalBase<ReduceDialog, ExpectReduce> {
public:
    ExpectReduce(int step, bool keepOne) : m_step(step), m_keepOne(keepOne) {}

protected:
    int OnInvoked(ReduceDialog* dialog) const override {
        dialog->Set(m_step, m_keepOne);
        return wxID_OK;
    }

private:
    int m_step;
    bool m_keepOne;
};

class ExpectDuplicates : public wxExpectModalBase<DuplicatesDialog, ExpectDuplicates> {
public:
    explicit ExpectDuplicates(double percent) : m_percent(percent) {}

protected:
    int OnInvoked(DuplicatesDialog* dialog) const override {
        dialog->SetPercent(m_percent);
        return wxID_OK;
    }

private:
    double m_percent;
};

// Answers a message box and keeps what it said.
struct ShownMessage {
    wxString message;
    wxString caption;
    long style = 0;
};

class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    ExpectMessage(int answer, ShownMessage* shown) : m_answer(answer), m_shown(shown) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        m_shown->message = dialog->GetMessage();
        m_shown->caption = dialog->GetCaption();
        m_shown->style = dialog->GetMessageDialogStyle();
        return m_answer;
    }

private:
    int m_answer;
    ShownMessage* m_shown;
};

}  // namespace lwtest
