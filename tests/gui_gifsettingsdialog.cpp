// The GIF settings dialog: it shows the settings it is given, and OK returns
// what the user changed.
#include "support/test_support.h"
#include "window/gifsettingsdialog.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/rearrangectrl.h>
#include <wx/spinctrl.h>
#include <wx/modalhook.h>
#include <wx/testing.h>

namespace {

// Answers the dialog as a user does: picks the best quality, turns frame
// optimisation off and transparency on, then ends it with `button`.
class ChangeAndPress : public wxExpectModalBase<GifSettingsDialog, ChangeAndPress> {
public:
    explicit ChangeAndPress(int button) : m_button(button) {}

protected:
    int OnInvoked(GifSettingsDialog* dialog) const override {
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_QUALITY), wxChoice)->SetSelection(2);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_OPTIMISE), wxCheckBox)->SetValue(false);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_TRANSPARENT), wxCheckBox)->SetValue(true);
        return m_button;
    }

private:
    int m_button;
};

TEST(GifSettingsDialog, ShowsItsSettingsAndOkReturnsTheChangedOnes) {
    const GifSettings given{GifQuality::Fast, true, false};
    GifSettingsDialog dialog(nullptr, given);
    EXPECT_EQ(dialog.GetSettings(), given);
    int answer = 0;
    wxTEST_DIALOG(answer = dialog.ShowModal(), ChangeAndPress(wxID_OK));
    EXPECT_EQ(answer, wxID_OK);
    EXPECT_EQ(dialog.GetSettings(), (GifSettings{GifQuality::Best, false, true}));
    EXPECT_EQ(GifSettingsDialog(nullptr, GifSettings()).GetSettings(), GifSettings());
}

// Asks for 64 colours, the ordered pattern, lossy 30 and a 2.5 MB limit, and
// unticks the first lever.
class ShapeTheSize : public wxExpectModalBase<GifSettingsDialog, ShapeTheSize> {
protected:
    int OnInvoked(GifSettingsDialog* dialog) const override {
        EXPECT_FALSE(dialog->FindWindow(GifSettingsDialog::ID_MAX_SIZE)->IsEnabled());
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_COLOURS), wxSpinCtrl)->SetValue(64);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_DITHER), wxChoice)->SetSelection(1);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_LOSSY), wxSpinCtrl)->SetValue(30);
        auto* keep = wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_KEEP_UNDER), wxCheckBox);
        keep->SetValue(true);
        wxCommandEvent ticked(wxEVT_CHECKBOX, keep->GetId());
        keep->GetEventHandler()->ProcessEvent(ticked);
        EXPECT_TRUE(dialog->FindWindow(GifSettingsDialog::ID_MAX_SIZE)->IsEnabled());
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_MAX_SIZE), wxSpinCtrlDouble)->SetValue(2.5);
        wxDynamicCast(dialog->FindWindow(GifSettingsDialog::ID_LEVERS), wxRearrangeCtrl)->GetList()->Check(0, false);
        return wxID_OK;
    }
};

TEST(GifSettingsDialog, TheSizeControlsComeBackAsTheUserSetThem) {
    GifSettings given;
    given.levers = {SizeLever::Scale, SizeLever::Lossy};
    GifSettingsDialog dialog(nullptr, given);
    EXPECT_EQ(dialog.GetSettings(), given);  // the order kept, the levers left out kept out
    wxTEST_DIALOG(dialog.ShowModal(), ShapeTheSize());
    const GifSettings chosen = dialog.GetSettings();
    EXPECT_EQ(chosen.colours, 64);
    EXPECT_EQ(chosen.dither, GifDither::Ordered);
    EXPECT_EQ(chosen.lossy, 30);
    EXPECT_EQ(chosen.maxBytes, 2621440);
    EXPECT_EQ(chosen.levers, std::vector<SizeLever>{SizeLever::Lossy});
}

}  // namespace
