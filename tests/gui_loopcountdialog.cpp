// The loop count dialog: its starting state, the remembered value, OK and Cancel.
#include "support/test_support.h"
#include "window/loopcountdialog.h"

#include <wx/radiobut.h>
#include <wx/spinctrl.h>

namespace {

struct DialogState {
    bool playCount = false;
    bool countEnabled = false;
    int count = 0;
};

DialogState StateOf(LoopCountDialog& dialog) {
    auto* play = wxDynamicCast(dialog.FindWindow(LoopCountDialog::ID_PLAY_COUNT), wxRadioButton);
    auto* spin = wxDynamicCast(dialog.FindWindow(LoopCountDialog::ID_COUNT), wxSpinCtrl);
    return {play->GetValue(), spin->IsEnabled(), spin->GetValue()};
}

// Chooses a radio button as a click does, sending its event.
void Choose(LoopCountDialog& dialog, int id) {
    auto* radio = wxDynamicCast(dialog.FindWindow(id), wxRadioButton);
    radio->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, id);
    event.SetEventObject(radio);
    event.SetInt(1);
    dialog.ProcessWindowEvent(event);
}

class LoopCount : public ::testing::Test {
protected:
    void SetUp() override { LoopCountDialog::SetRememberedValue(0); }
};

TEST_F(LoopCount, FirstOpeningPlaysForeverWithTheCountDisabledAtOne) {
    LoopCountDialog dialog(nullptr);
    const DialogState state = StateOf(dialog);
    EXPECT_FALSE(state.playCount);
    EXPECT_FALSE(state.countEnabled);
    EXPECT_EQ(state.count, 1);
    EXPECT_EQ(dialog.GetTitle(), "Loop Counter");
    EXPECT_EQ(dialog.GetResult(), 0);
}

TEST_F(LoopCount, TheRadioButtonsSwitchTheCount) {
    LoopCountDialog dialog(nullptr);
    Choose(dialog, LoopCountDialog::ID_PLAY_COUNT);
    EXPECT_TRUE(StateOf(dialog).countEnabled);
    Choose(dialog, LoopCountDialog::ID_PLAY_FOREVER);
    EXPECT_FALSE(StateOf(dialog).countEnabled);
}

TEST_F(LoopCount, AConfirmedCountIsRememberedForTheNextDialog) {
    {
        LoopCountDialog dialog(nullptr);
        Choose(dialog, LoopCountDialog::ID_PLAY_COUNT);
        wxDynamicCast(dialog.FindWindow(LoopCountDialog::ID_COUNT), wxSpinCtrl)->SetValue(3);
        dialog.TakeValue();
        EXPECT_EQ(dialog.GetResult(), 3);
    }
    LoopCountDialog next(nullptr);
    const DialogState state = StateOf(next);
    EXPECT_TRUE(state.playCount);
    EXPECT_TRUE(state.countEnabled);
    EXPECT_EQ(state.count, 3);
}

TEST_F(LoopCount, ZeroTimesMeansForever) {
    LoopCountDialog::SetRememberedValue(5);
    {
        LoopCountDialog dialog(nullptr);
        wxDynamicCast(dialog.FindWindow(LoopCountDialog::ID_COUNT), wxSpinCtrl)->SetValue(0);
        dialog.TakeValue();
        EXPECT_EQ(dialog.GetResult(), 0);
    }
    LoopCountDialog next(nullptr);
    EXPECT_FALSE(StateOf(next).playCount);
    EXPECT_EQ(LoopCountDialog::GetRememberedValue(), 0);
}

TEST_F(LoopCount, ChoosingForeverConfirmsZero) {
    LoopCountDialog::SetRememberedValue(7);
    LoopCountDialog dialog(nullptr);
    Choose(dialog, LoopCountDialog::ID_PLAY_FOREVER);
    dialog.TakeValue();
    EXPECT_EQ(dialog.GetResult(), 0);
    EXPECT_EQ(LoopCountDialog::GetRememberedValue(), 0);
}

TEST_F(LoopCount, CancelKeepsTheRememberedValue) {
    LoopCountDialog::SetRememberedValue(4);
    LoopCountDialog dialog(nullptr);
    int rc = 0;
    wxTEST_DIALOG(rc = dialog.ShowModal(), wxExpectDismissableModal<LoopCountDialog>(wxID_CANCEL));
    EXPECT_EQ(rc, wxID_CANCEL);
    EXPECT_EQ(LoopCountDialog::GetRememberedValue(), 4);
}

TEST_F(LoopCount, TheControlsFitInsideTheDialog) {
    LoopCountDialog dialog(nullptr);
    const wxRect client(wxPoint(0, 0), dialog.GetClientSize());
    for (wxWindow* child : dialog.GetChildren())
        EXPECT_TRUE(client.Contains(child->GetRect())) << child->GetLabel();
}

}  // namespace
