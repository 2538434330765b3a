// Saving and opening projects. The file itself is written and read by the
// project file functions; an opened project's frames arrive through the image
// loading thread like added pictures.
#include "window/gifframe.h"

#include "window/projectfile.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

bool GifFrame::SaveProject() {
    const int count = m_thumbnailCtrl->GetCount();
    if (count == 0) return false;
    ProjectContent content;
    content.gifName = wxFileNameFromPath(m_gifPath);
    content.width = m_spinctrl_width->GetValue();
    content.height = m_spinctrl_height->GetValue();
    content.delay = m_spinctrl_delay->GetValue();
    for (int i = 0; i < count; ++i) content.framePaths.Add(m_thumbnailCtrl->GetItem(i)->GetPath());

    wxString chosen = m_projectPath;
    if (chosen.empty())
        chosen = m_prompts->ChooseFile(this, wxGetTranslation("Save XML Files"), wxEmptyString,
                                       wxGetTranslation("XML files") + " (*.xml)|*.xml",
                                       wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (chosen.empty()) return false;
    const wxString path = EnsureXmlExtension(chosen);
    if (!ConfirmAppendedExtension(chosen, path)) return false;

    const ProjectWriteStatus status = WriteProjectFile(path, content);
    if (status != ProjectWriteStatus::Written) {
        // Nothing is recorded as saved: the close prompt keeps asking.
        wxMessageBox(ProjectWriteFailureText(status, path), wxGetTranslation("Warning"),
                     wxOK | wxICON_ERROR, this);
        return false;
    }
    m_projectPath = path;
    m_projectName = wxFileNameFromPath(path);
    SetTitle(ProjectTitle(m_projectName));
    RecordProjectSnapshot();
    return true;
}

void GifFrame::RecordProjectSnapshot() {
    m_projectSnapshot.delay = m_spinctrl_delay->GetValue();
    m_projectSnapshot.width = m_spinctrl_width->GetValue();
    m_projectSnapshot.height = m_spinctrl_height->GetValue();
    m_projectSnapshot.frameCount = m_thumbnailCtrl->GetCount();
    m_projectSnapshot.revision = m_thumbnailCtrl->GetRevision();
}

void GifFrame::LoadProject() {
    StopPreview();
    // Only one file is opened, so the dialog offers no multiple selection.
    const wxString path = m_prompts->ChooseFile(this, wxGetTranslation("Load Xml Files"),
                                                wxEmptyString,
                                                wxGetTranslation("Xml files") + " (*.xml)|*.xml",
                                                wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    OpenProjectFile(path);
}

void GifFrame::OpenProjectFile(const wxString& path) {
    m_projectPath = path;
    m_projectName = wxFileNameFromPath(path);
    SetTitle(ProjectTitle(m_projectName));
    // From here the window shows this project, as far as it can be read.
    RecordProjectSnapshot();

    const ProjectReading reading = ReadProjectFile(path);
    ApplyProjectSettings(reading);
    // A file out of order ends here silently with what it gave so far.
    if (reading.images == ProjectImages::Missing || reading.images == ProjectImages::Misnamed)
        return;
    wxLogNull quiet;
    const wxArrayString paths = reading.images == ProjectImages::Listed
                                    ? ProjectPathsToLoad(reading.entries)
                                    : wxArrayString();
    if (paths.empty()) {
        m_statusBar1->SetStatusText(wxEmptyString, 1);
        ClearPreview();
        ReportUnloadableProject();
        return;
    }
    if (!StartImageLoad(paths)) return;
    // The snapshot is completed when the frames are all there.
    m_loadingProject = true;
    EnableFrameCommands();
}

void GifFrame::ReportUnloadableProject() {
    wxMessageBox(wxGetTranslation("Failed to load XML file!"), GetTitle(), wxOK | wxICON_INFORMATION,
                 this);
}

void GifFrame::ApplyProjectSettings(const ProjectReading& reading) {
    m_projectCanvas = wxSize(0, 0);
    if (!reading.width) return;
    // The controls keep a value within their range; the snapshot and the
    // canvas take what they show, so that an unchanged project compares equal.
    m_spinctrl_width->SetValue(*reading.width);
    m_projectSnapshot.width = m_spinctrl_width->GetValue();
    if (!reading.height) return;
    m_spinctrl_height->SetValue(*reading.height);
    m_projectSnapshot.height = m_spinctrl_height->GetValue();
    m_gifName = reading.gifName;
    m_projectCanvas = wxSize(m_projectSnapshot.width, m_projectSnapshot.height);
    m_statusBar1->SetStatusText(
        CanvasLoadedText(m_gifName, m_projectCanvas.x, m_projectCanvas.y), 0);
    m_referenceWidth = m_canvasWidth = m_projectCanvas.x;
    m_referenceHeight = m_canvasHeight = m_projectCanvas.y;
    if (!reading.delay) return;
    m_spinctrl_delay->SetValue(*reading.delay);
    m_projectSnapshot.delay = m_spinctrl_delay->GetValue();
}

void GifFrame::FinishProjectLoad() {
    if (!m_loadingProject) return;
    m_loadingProject = false;
    // The import sized the canvas after the frames; the project's own canvas
    // size (perhaps an edited one) is what was saved.
    if (m_thumbnailCtrl->GetCount() > 0 && m_projectCanvas.x > 0 && m_projectCanvas.y > 0) {
        m_canvasWidth = m_projectCanvas.x;
        m_canvasHeight = m_projectCanvas.y;
        m_spinctrl_width->SetValue(m_canvasWidth);
        m_spinctrl_height->SetValue(m_canvasHeight);
        m_statusBar1->SetStatusText(CanvasLoadedText(m_gifName, m_canvasWidth, m_canvasHeight), 0);
    }
    // As opened, the project is saved: closing right away asks nothing.
    RecordProjectSnapshot();
    // Every listed file was there, but none could be read.
    if (m_thumbnailCtrl->GetCount() == 0) ReportUnloadableProject();
}
