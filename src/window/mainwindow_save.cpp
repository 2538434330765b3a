// Saving: the GIF, written on a worker by the export, and the project. The
// files are chosen here.
#include "window/mainwindow.h"

#include "base/filenames.h"
#include "base/trace.h"
#include "files/samefile.h"
#include "formats/animationexport.h"
#include "gif/export.h"
#include "import/framepath.h"
#include "project/projectdocument.h"
#include "window/exportcontroller.h"
#include "window/gifsettingsdialog.h"
#include "window/sizeestimatecontroller.h"
#include "window/statustexts.h"
#include "window/userprompts.h"

#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

void MainWindow::OnSaveAnimator(wxCommandEvent&) {
    Trace("OnSaveAnimator");
    StopPreview();
    if (IsExporting()) return;
    if (m_document.GifPath().empty()) {
        wxString path;
        const wxString chosen = ChooseAnimationFile(wxGetTranslation("Save GIF Files"), path);
        if (chosen.empty() || !ConfirmAppendedExtension(chosen, path) || RefusesPictureTarget(path))
            return;
        // The status bar shows the name as it was typed; the file gets its type's extension.
        // An empty strip keeps the name for when there are frames.
        if (m_document.IsEmpty())
            m_document.SetGif(path, wxFileNameFromPath(chosen));
        else
            StartExport(path, wxFileNameFromPath(chosen), wxGetTranslation("Save GIF Progress Dialog"));
        return;
    }
    if (m_document.IsEmpty()) return;
    // Unchanged since the last save and the file still there: up to date.
    if (wxFileExists(m_document.GifPath()) && m_history.IsGifUnchanged()) return;
    StartExport(m_document.GifPath(), m_document.GifName(), wxGetTranslation("Save GIF Progress Dialog"));
}

void MainWindow::OnSaveAsAnimator(wxCommandEvent&) {
    StopPreview();
    if (IsExporting() || m_document.IsEmpty()) return;
    wxString path;
    const wxString chosen = ChooseAnimationFile(wxGetTranslation("Save As GIF Files"), path);
    if (chosen.empty() || !ConfirmAppendedExtension(chosen, path)) {
        // The document has no GIF file any more, so "Save" asks again.
        m_document.SetGif(wxString(), m_document.GifName());
        return;
    }
    if (RefusesPictureTarget(path)) return;
    StartExport(path, wxFileNameFromPath(path), wxGetTranslation("Save As GIF Progress Dialog"));
}

bool MainWindow::RefusesPictureTarget(const wxString& path) {
    for (const DocumentFrame& frame : m_document.Frames()) {
        if (!IsSameFile(StripFrameSuffix(frame.path), path)) continue;
        wxMessageBox(wxString::Format(wxGetTranslation("The GIF cannot be saved as \"%s\": that file "
                                                       "is one of the animation's pictures."),
                                      ShownFileName(path)),
                     wxGetTranslation("Warning"), wxOK | wxICON_WARNING, this);
        return true;
    }
    return false;
}

// The document takes the file's name only once it is written: a failed save
// leaves Save aiming where it did.
void MainWindow::StartExport(const wxString& path, const wxString& name, const wxString& title) {
    const wxSize canvas = m_document.CanvasSize();
    // Status field 0 as it was, and as it reads once the file is written.
    const wxString before = m_statusBar1->GetStatusText(0);
    const wxString after = CanvasEditText(name, canvas.x, canvas.y);
    // Recorded now: edits are impossible while the export runs, and a failed
    // export forgets it, so that the next "Save" writes.
    m_history.MarkGifSaved();
    const bool started =
        m_export->Start(m_document, path, title, [this, path, name, before, after](bool written) {
            m_statusBar1->SetStatusText(written ? after : before, 0);
            if (written) {
                m_document.SetGif(path, name);
                ShowTitle();
                const wxULongLong size = wxFileName::GetSize(path);
                if (size != wxInvalidSize) m_sizeEstimate->Saved(static_cast<long long>(size.GetValue()));
                if (!m_export->FitText().empty()) m_statusBar1->SetStatusText(m_export->FitText(), 2);
            } else {
                m_history.ForgetGifSaved();
            }
        });
    if (!started) m_history.ForgetGifSaved();
}

void MainWindow::OnGifSettings(wxCommandEvent&) {
    StopPreview();
    GifSettingsDialog dialog(this, m_document.Settings());
    if (dialog.ShowModal() == wxID_OK)
        Edit(std::make_unique<SetGifSettingsCommand>(m_document, dialog.GetSettings()));
}

void MainWindow::OnTransparentBox(wxCommandEvent&) {
    GifSettings settings = m_document.Settings();
    settings.transparent = m_checkBox_transparent->GetValue();
    Edit(std::make_unique<SetGifSettingsCommand>(m_document, settings));
}

wxString MainWindow::ChooseAnimationFile(const wxString& message, wxString& path) {
    const wxString firstPicture = m_document.IsEmpty() ? wxString() : StripFrameSuffix(m_document.Frame(0).path);
    // In the order of AnimationFormat; the type last saved is offered first.
    const wxString types = "GIF (*.gif)|*.gif;*.GIF|" + wxGetTranslation("Animated WebP") +
                           " (*.webp)|*.webp;*.WEBP|" + wxGetTranslation("Animated PNG") +
                           " (*.png;*.apng)|*.png;*.PNG;*.apng;*.APNG";
    int filter = static_cast<int>(AnimationFormatOfPath(m_document.GifPath()));
    const wxString chosen =
        ChooseFileToWrite(message, m_places.GifFolder(m_document.GifPath(), firstPicture),
                          ProposedGifName(m_document.GifPath(), m_document.GifName()), types, &filter);
    m_places.GifChosen(chosen);
    const AnimationFormat type = filter >= 0 && filter <= static_cast<int>(AnimationFormat::Apng)
                                     ? static_cast<AnimationFormat>(filter)
                                     : AnimationFormat::Gif;
    path = chosen.empty() ? wxString() : EnsureAnimationExtension(chosen, FormatForTypedName(chosen, type));
    return chosen;
}

// The file dialog asked before replacing the name that was typed, not the one
// with an extension added: ask about that one here.
bool MainWindow::ConfirmAppendedExtension(const wxString& chosen, const wxString& path) {
    if (chosen == path || !wxFileExists(path)) return true;
    wxMessageDialog ask(this,
                        wxString::Format(wxGetTranslation("The file \"%s\" already exists. Do you want to replace it?"), ShownFileName(path)),
                        wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
    return ask.ShowModal() == wxID_YES;
}

wxString MainWindow::ChooseFileToWrite(const wxString& message, const wxString& folder,
                                       const wxString& name, const wxString& wildcard, int* filter) {
    for (;;) {
        const wxString chosen = m_prompts->ChooseFile(this, message, folder, name, wildcard,
                                                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT, filter);
        // A pattern taken for a name would write a file literally named "*.gif".
        if (!HasWildcards(chosen)) return chosen;
        wxMessageBox(wxString::Format(wxGetTranslation("The name \"%s\" contains a wildcard "
                                                       "character (* ? [ ]). Please choose "
                                                       "another name."),
                                      ShownFileName(wxFileNameFromPath(chosen))),
                     wxGetTranslation("Warning"), wxOK | wxICON_WARNING, this);
    }
}

bool MainWindow::SaveProject() {
    if (m_document.IsEmpty()) return false;
    wxString chosen = m_document.ProjectPath();
    if (chosen.empty()) {
        // A first project of a saved GIF is proposed beside it, by its name.
        const wxString gif = m_document.GifPath();
        const wxString folder = gif.empty() ? m_places.ProjectFolder() : wxPathOnly(gif);
        const wxString name = gif.empty() ? wxString() : wxFileName(gif).GetName() + ".xml";
        chosen = ChooseFileToWrite(wxGetTranslation("Save XML Files"), folder, name,
                                   wxGetTranslation("XML files") + " (*.xml)|*.xml");
    }
    if (chosen.empty()) return false;
    m_places.ProjectChosen(chosen);
    const wxString path = EnsureXmlExtension(chosen);
    if (!ConfirmAppendedExtension(chosen, path)) return false;

    const ProjectWriteStatus status = WriteProjectFile(path, ProjectContentOf(m_document, path));
    if (status != ProjectWriteStatus::Written) {
        // Nothing is recorded as saved: the close prompt keeps asking.
        wxMessageBox(ProjectWriteFailureText(status, path), wxGetTranslation("Warning"),
                     wxOK | wxICON_ERROR, this);
        return false;
    }
    m_document.SetProjectPath(path);
    m_history.MarkProjectSaved();
    ShowTitle();
    return true;
}
