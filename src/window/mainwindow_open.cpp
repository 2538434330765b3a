// Bringing frames in: pictures added, dropped or named on the command line,
// read on a worker by the import; projects, whose frames replace the
// document only once they have all arrived.
#include "window/mainwindow.h"

#include "files/wholepath.h"
#include "project/projectdocument.h"
#include "project/projectfile.h"
#include "window/importcontroller.h"
#include "window/openedfiles.h"
#include "window/previewpanel.h"
#include "window/statustexts.h"
#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include <limits>

namespace {
constexpr size_t kAtTheEnd = std::numeric_limits<size_t>::max();
}

void MainWindow::OnAddImages(wxCommandEvent&) {
    StopPreview();
    const wxArrayString paths = ChoosePictures(wxGetTranslation("Add Image Files"));
    if (!paths.empty()) ImportFrames(paths, kAtTheEnd, wxTRANSLATE("Add Image"));
}

void MainWindow::OnInsertImages(wxCommandEvent&) {
    StopPreview();
    const wxArrayString paths = ChoosePictures(wxGetTranslation("Insert Image Files"));
    if (!paths.empty()) ImportFrames(paths, InsertPosition(), wxTRANSLATE("Insert Image"));
}

wxArrayString MainWindow::ChoosePictures(const wxString& message) {
    const wxArrayString paths = m_prompts->ChoosePictures(this, message, m_places.PictureFolder());
    if (!paths.empty()) m_places.PicturesChosen(paths);
    return paths;
}

bool MainWindow::ImportFrames(const wxArrayString& paths, size_t position, const char* name) {
    return m_import->Start(paths, [this, position, name](std::vector<DocumentFrame> frames) {
        if (frames.empty()) return;  // nothing could be read
        const size_t at = std::min(position, m_document.FrameCount());
        Edit(std::make_unique<InsertFramesCommand>(m_document, at, std::move(frames), name));
        m_preview->ShowFrame(0);
    });
}

void MainWindow::OpenFiles(const wxArrayString& paths) {
    StopPreview();
    const OpenedFiles files = SortOpenedFiles(WholePaths(paths));
    if (!files.skipped.empty() || !files.missing.empty())
        wxMessageBox(UnopenedFilesText(files), wxGetTranslation("Warning"), wxOK | wxICON_WARNING,
                     this);
    if (!files.project.empty()) {
        if (MayDiscardDocument()) OpenProjectFile(files.project);
    } else if (!files.pictures.empty()) {
        ImportFrames(files.pictures, kAtTheEnd, wxTRANSLATE("Add Image"));
    }
}

void MainWindow::DropFiles(const wxArrayString& paths, int position) {
    if (IsImporting() || IsExporting() || paths.empty()) return;
    if (!SortOpenedFiles(paths).project.empty()) {
        OpenFiles(paths);
        return;
    }
    StopPreview();
    ImportFrames(WholePaths(paths), position < 0 ? kAtTheEnd : static_cast<size_t>(position),
                 wxTRANSLATE("Insert Image"));
}

void MainWindow::OnOpenProject(wxCommandEvent&) {
    // A project that should have been saved but was not stays open.
    if (!MayDiscardDocument()) return;
    // The frames stay until the new project's frames have arrived.
    StopPreview();
    LoadProject();
}

void MainWindow::LoadProject() {
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

bool MainWindow::OpenProjectFile(const wxString& path) {
    auto reading = std::make_shared<const ProjectReading>(ReadProjectFile(path));
    if (reading->problem != ProjectProblem::None) {
        wxMessageBox(ProjectReadProblemText(*reading, path), GetTitle(), wxOK | wxICON_INFORMATION,
                     this);
        return false;
    }
    wxLogNull quiet;
    auto listed = std::make_shared<const ProjectFrames>(ProjectFramesToLoad(*reading));
    if (listed->paths.empty()) {
        ReportUnloadableProject();
        return false;
    }
    // Arriving frames are matched against the paths they were loaded from.
    return m_import->Start(listed->paths, [this, path, reading, listed](std::vector<DocumentFrame> frames) {
        ReplaceDocument(std::move(frames), path, *reading, *listed);
    });
}

void MainWindow::ReportUnloadableProject() {
    wxMessageBox(wxGetTranslation("Failed to load XML file!"), GetTitle(), wxOK | wxICON_INFORMATION,
                 this);
}

void MainWindow::ReplaceDocument(std::vector<DocumentFrame> frames, const wxString& path,
                                 const ProjectReading& reading, const ProjectFrames& listed) {
    // None could be read: the document stays, and the import has named each
    // picture and why; the project file itself was fine.
    if (frames.empty()) return;
    StopPreview();
    FillDocumentFromProject(m_document, std::move(frames), reading, listed, path);
    // As opened, the project is saved: closing right away asks nothing, and
    // undo does not reach back into the previous document.
    m_history.Reset();
    RefreshCommands();
    m_canvasForm = CanvasForm::Loaded;
    UpdateCanvasSize();
    m_preview->ShowFrame(0);
}
