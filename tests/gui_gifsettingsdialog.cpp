// The GIF settings dialog: it shows the settings it is given, and OK returns
// what the user changed.
#include "support/test_support.h"
#include "window/gifsettingsdialog.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
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

}  // namespace
