#include "window/skipreport.h"

#include <wx/intl.h>
#include <wx/msgdlg.h>

void ReportSkippedPictures(wxWindow* parent, const std::vector<SkippedPicture>& skipped) {
    if (skipped.empty()) return;
    wxMessageBox(SkippedPicturesText(skipped), wxGetTranslation("Warning"),
                 wxOK | wxICON_WARNING, parent);
}
