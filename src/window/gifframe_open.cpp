// Files handed to the window from outside: the command line's, and those
// dropped from the file manager.
#include "window/gifframe.h"

#include "window/openedfiles.h"
#include "window/thumbnailctrl.h"

#include <wx/msgdlg.h>

void GifFrame::OpenFiles(const wxArrayString& paths) {
    StopPreview();
    const OpenedFiles files = SortOpenedFiles(paths);
    if (!files.skipped.empty())
        wxMessageBox(SkippedFilesText(files.skipped), wxGetTranslation("Warning"),
                     wxOK | wxICON_WARNING, this);
    if (!files.project.empty()) {
        if (MayReplaceFrames()) OpenProjectFile(files.project);
    } else if (!files.pictures.empty()) {
        m_importTarget = ImportTarget::Append;
        StartImageLoad(files.pictures);
    }
}

void GifFrame::DropFiles(const wxArrayString& paths, int position) {
    if (IsImporting() || IsExporting() || paths.empty()) return;
    if (!SortOpenedFiles(paths).project.empty()) {
        OpenFiles(paths);
        return;
    }
    StopPreview();
    m_importTarget = ImportTarget::Insert;
    m_importPosition = position < 0 ? m_document.FrameCount() : static_cast<size_t>(position);
    StartImageLoad(paths);
}

bool GifFrame::MayReplaceFrames() {
    // An empty strip has nothing that a save could keep: no question then.
    if (m_document.IsEmpty() || !IsProjectUnsaved(false)) return true;
    const int answer = AskToSaveProject();
    if (answer == wxID_YES) return SaveProject();
    return answer == wxID_NO;
}
