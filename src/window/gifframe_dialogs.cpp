// The file dialogs through which the main window asks where to write.
#include "window/gifframe.h"

#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

wxString GifFrame::ChooseFileToWrite(const wxString& message, const wxString& folder,
                                     const wxString& name, const wxString& wildcard) {
    for (;;) {
        const wxString chosen = m_prompts->ChooseFile(this, message, folder, name, wildcard,
                                                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        // A pattern taken for a name would write a file literally named "*.gif".
        if (!HasWildcards(chosen)) return chosen;
        wxMessageBox(wxString::Format(wxGetTranslation("The name \"%s\" contains a wildcard "
                                                       "character (* ? [ ]). Please choose "
                                                       "another name."),
                                      wxFileNameFromPath(chosen)),
                     wxGetTranslation("Warning"), wxOK | wxICON_WARNING, this);
    }
}
