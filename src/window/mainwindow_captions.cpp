// Captions and overlay pictures: added to the selected frames (every frame
// when none is), changed, moved to other frames or removed, each as one edit.
#include "window/mainwindow.h"

#include "base/filenames.h"
#include "document/frameranges.h"
#include "import/overlaypicture.h"
#include "window/captiondialog.h"
#include "window/captionsdialog.h"
#include "window/userprompts.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>

#include <algorithm>

namespace {

std::vector<size_t> EveryIndex(size_t count) {
    std::vector<size_t> all(count);
    for (size_t i = 0; i < count; ++i) all[i] = i;
    return all;
}

std::vector<size_t> FramesShowing(const Document& document, const std::shared_ptr<const Caption>& caption) {
    std::vector<size_t> frames;
    for (size_t i = 0; i < document.FrameCount(); ++i) {
        const CaptionList& shown = document.Frame(i).captions;
        if (std::find(shown.begin(), shown.end(), caption) != shown.end()) frames.push_back(i);
    }
    return frames;
}

}  // namespace

// Asked on every idle update: no list is made.
bool MainWindow::HasCaptions() const {
    const auto& frames = m_document.Frames();
    return std::any_of(frames.begin(), frames.end(), [](const DocumentFrame& f) { return !f.captions.empty(); });
}

void MainWindow::AddCaption(CaptionLook look, const wxString& title, const char* name) {
    StopPreview();
    if (!look.IsPicture()) look.fontSize = CaptionFontPixels(look, m_document.CanvasSize().y);
    CaptionDialog dialog(this, title, look, FramesToEdit(), m_document.FrameCount());
    if (dialog.ShowModal() != wxID_OK) return;
    const auto caption = std::make_shared<const Caption>(dialog.GetLook());
    const std::vector<size_t> frames = dialog.GetFrames();
    Edit(std::make_unique<SetCaptionsCommand>(m_document, frames, WithCaptionAdded(m_document, frames, caption),
                                              name));
}

void MainWindow::OnAddCaption(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    AddCaption(PlainCaption(wxString(), CaptionAnchor::Bottom, m_document.CanvasSize().y),
               wxGetTranslation("Add Caption"), wxTRANSLATE("Add Caption"));
}

void MainWindow::OnAddOverlay(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    StopPreview();
    const wxString path = m_prompts->ChooseFile(this, wxGetTranslation("Choose a picture"), wxString(), wxString(),
                                                wxGetTranslation("PNG pictures (*.png)|*.png;*.PNG|All files|*"),
                                                wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    CaptionLook look;
    look.picturePath = path;
    look.picture = LoadOverlayPicture(path);
    look.anchor = CaptionAnchor::BottomRight;
    if (!look.picture) {
        wxMessageBox(wxString::Format(wxGetTranslation("The picture \"%s\" cannot be read."), ShownFileName(path)),
                     wxGetTranslation("Add Overlay Picture"), wxOK | wxICON_WARNING, this);
        return;
    }
    AddCaption(look, wxGetTranslation("Add Overlay Picture"), wxTRANSLATE("Add Overlay Picture"));
}

wxArrayString MainWindow::DescribeCaptions() const {
    wxArrayString lines;
    for (const auto& caption : m_document.AllCaptions()) {
        const wxString what = caption->IsPicture() ? ShownFileName(wxFileNameFromPath(caption->picturePath))
                                                   : caption->text.BeforeFirst('\n');
        lines.Add(wxString::Format(wxGetTranslation("%s (frames %s)"), what,
                                   FrameRangesText(FramesShowing(m_document, caption))));
    }
    return lines;
}

void MainWindow::ChangeCaption(int row) {
    const CaptionList all = m_document.AllCaptions();
    if (row < 0 || size_t(row) >= all.size()) return;
    const auto& old = all[size_t(row)];
    CaptionLook look = *old;
    // A caption as tall as a share of the canvas (loopwright-cli's) shows its size now.
    if (!look.IsPicture() && look.fontSize <= 0) look.fontSize = CaptionFontPixels(look, m_document.CanvasSize().y);
    CaptionDialog dialog(this, wxGetTranslation("Change Caption"), look, FramesShowing(m_document, old),
                         m_document.FrameCount());
    if (dialog.ShowModal() != wxID_OK) return;
    const auto changed = std::make_shared<const Caption>(dialog.GetLook());
    Edit(std::make_unique<SetCaptionsCommand>(
        m_document, EveryIndex(m_document.FrameCount()),
        WithCaptionChanged(m_document, old, changed, dialog.GetFrames()), wxTRANSLATE("Change Caption")));
}

void MainWindow::RemoveCaption(int row) {
    const CaptionList all = m_document.AllCaptions();
    if (row < 0 || size_t(row) >= all.size()) return;
    Edit(std::make_unique<SetCaptionsCommand>(m_document, EveryIndex(m_document.FrameCount()),
                                              WithCaptionChanged(m_document, all[size_t(row)], nullptr, {}),
                                              wxTRANSLATE("Remove Caption")));
}

void MainWindow::MoveCaption(const std::shared_ptr<const Caption>& caption, const wxPoint& offset) {
    auto moved = std::make_shared<Caption>(*caption);
    moved->offset = offset;
    Edit(std::make_unique<SetCaptionsCommand>(
        m_document, EveryIndex(m_document.FrameCount()),
        WithCaptionChanged(m_document, caption, moved, FramesShowing(m_document, caption)), wxTRANSLATE("Move Caption")));
}

void MainWindow::OnEditCaptions(wxCommandEvent&) {
    StopPreview();
    CaptionsDialog dialog(this, {[this] { return DescribeCaptions(); }, [this](int row) { ChangeCaption(row); },
                                 [this](int row) { RemoveCaption(row); }});
    dialog.ShowModal();
}
