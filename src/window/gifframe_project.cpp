// Saving and opening projects. The file itself is written and read by the
// project file functions; an opened project's frames arrive through the image
// loading thread like added pictures, and replace the document only then.
#include "window/gifframe.h"

#include "project/projectdocument.h"

#include "import/framepath.h"
#include "project/projectfile.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

bool GifFrame::SaveProject() {
    if (m_document.IsEmpty()) return false;
    wxString chosen = m_document.ProjectPath();
    if (chosen.empty())
        chosen = ChooseFileToWrite(wxGetTranslation("Save XML Files"), m_places.ProjectFolder(),
                                   wxEmptyString, wxGetTranslation("XML files") + " (*.xml)|*.xml");
    if (chosen.empty()) return false;
    m_places.ProjectChosen(chosen);
    const wxString path = EnsureXmlExtension(chosen);
    if (!ConfirmAppendedExtension(chosen, path)) return false;

    ProjectContent content;
    // A GIF beside the project is stored relative to it, so that the two can move together.
    content.gifName = StoreProjectPath(m_document.GifPath(), path);
    content.width = m_document.CanvasSize().x;
    content.height = m_document.CanvasSize().y;
    content.delay = m_document.DefaultDelay();
    for (const DocumentFrame& frame : m_document.Frames()) {
        content.framePaths.Add(frame.path);
        content.frameDelays.push_back(frame.delay);
    }
    content.loopCount = m_document.LoopCount();
    content.transparent = m_document.Settings().transparent;
    content.optimise = m_document.Settings().optimise;
    content.quality = static_cast<int>(m_document.Settings().quality);
    const ProjectWriteStatus status = WriteProjectFile(path, content);
    if (status != ProjectWriteStatus::Written) {
        // Nothing is recorded as saved: the close prompt keeps asking.
        wxMessageBox(ProjectWriteFailureText(status, path), wxGetTranslation("Warning"),
                     wxOK | wxICON_ERROR, this);
        return false;
    }
    m_document.SetProjectPath(path);
    SetTitle(ProjectTitle(wxFileNameFromPath(path)));
    m_history.MarkProjectSaved();
    return true;
}

void GifFrame::LoadProject() {
    StopPreview();
    // Only one file is opened, so the dialog offers no multiple selection.
    const wxString path = m_prompts->ChooseFile(this, wxGetTranslation("Load XML Files"),
                                                m_places.ProjectFolder(), wxEmptyString,
                                                wxGetTranslation("XML files") + " (*.xml)|*.xml",
                                                wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    m_places.ProjectChosen(path);
    OpenProjectFile(path);
}


bool GifFrame::OpenProjectFile(const wxString& path) {
    auto reading = std::make_unique<ProjectReading>(ReadProjectFile(path));
    if (reading->problem != ProjectProblem::None) {
        wxMessageBox(ProjectReadProblemText(*reading, path), GetTitle(), wxOK | wxICON_INFORMATION,
                     this);
        return false;
    }
    wxLogNull quiet;
    ProjectFrames frames = ProjectFramesToLoad(*reading);
    if (frames.paths.empty()) {
        ReportUnloadableProject();
        return false;
    }
    m_openingProject = path;
    m_openingReading = std::move(reading);
    m_openingFrames = std::move(frames);
    m_importTarget = ImportTarget::Project;
    return StartImageLoad(m_openingFrames.paths);
}

void GifFrame::ReportUnloadableProject() {
    wxMessageBox(wxGetTranslation("Failed to load XML file!"), GetTitle(), wxOK | wxICON_INFORMATION,
                 this);
}

void GifFrame::ReplaceDocument(std::vector<DocumentFrame> frames) {
    const std::unique_ptr<ProjectReading> reading = std::move(m_openingReading);
    const wxString path = m_openingProject;
    m_openingProject.clear();
    m_importTarget = ImportTarget::Append;
    // Every listed file was there, but none could be read: the document stays.
    if (frames.empty() || !reading) {
        ReportUnloadableProject();
        return;
    }
    StopPreview();
    FillDocumentFromProject(m_document, std::move(frames), *reading, m_openingFrames, path);
    SetTitle(ProjectTitle(wxFileNameFromPath(path)));
    // As opened, the project is saved: closing right away asks nothing, and
    // undo does not reach back into the previous document.
    m_history.Reset();
    UpdateEditMenu();
    m_canvasForm = CanvasForm::Loaded;
    UpdateCanvasSize();
    ShowFrame(0);
}
