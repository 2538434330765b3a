// The document's commands: inserting, deleting and clearing frames, the delay
// and canvas size, the loop count, projects and closing.
#include "window/gifframe.h"

#include "window/canvasgeometry.h"
#include "import/picturedecoder.h"
#include "window/loopcountdialog.h"
#include "window/skipreport.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <functional>
#include <iostream>

bool DiffersFromSnapshot(const ProjectSnapshot& snapshot, int delay, int width, int height,
                         int frameCount, unsigned long revision) {
    return delay != snapshot.delay || width != snapshot.width || height != snapshot.height ||
           frameCount != snapshot.frameCount || revision != snapshot.revision;
}

bool GifFrame::IsProjectUnsaved(bool evenWithoutPath) const {
    if (!evenWithoutPath && m_projectPath.empty()) return m_thumbnailCtrl->GetCount() > 0;
    return DiffersFromSnapshot(m_projectSnapshot, m_spinctrl_delay->GetValue(),
                               m_spinctrl_width->GetValue(), m_spinctrl_height->GetValue(),
                               m_thumbnailCtrl->GetCount(), m_thumbnailCtrl->GetRevision());
}

int GifFrame::AskToSaveProject() {
    wxMessageDialog prompt(this,
                           wxGetTranslation("The project is unsaved,you can continue to edit\n "
                                            "your project when you open it next time,do you \n"
                                            "want to save the project now?"),
                           wxGetTranslation("Warning"),
                           wxYES_NO | wxCANCEL | wxNO_DEFAULT | wxICON_EXCLAMATION);
    return prompt.ShowModal();
}

void GifFrame::UpdateCanvasSize() {
    // The frame list changed: a cached preview picture may name a gone frame.
    m_previewSource = nullptr;
    const int count = m_thumbnailCtrl->GetCount();
    if (count == 0) {
        m_statusBar1->SetStatusText(wxEmptyString, 0);
        m_spinctrl_width->SetValue(0);
        m_spinctrl_height->SetValue(0);
        return;
    }
    std::vector<wxSize> sizes;
    sizes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto* item = wxDynamicCast(m_thumbnailCtrl->GetItem(i), wxImageThumbnailItem);
        sizes.push_back(item && item->m_bitmap.IsOk() ? item->m_bitmap.GetSize() : wxSize(0, 0));
    }
    const wxSize reference = ReferenceSizeOf(sizes);
    m_referenceWidth = m_canvasWidth = reference.x;
    m_referenceHeight = m_canvasHeight = reference.y;
    m_spinctrl_width->SetValue(reference.x);
    m_spinctrl_height->SetValue(reference.y);
    m_statusBar1->SetStatusText(
        CanvasListText(m_gifName, m_spinctrl_width->GetValue(), m_spinctrl_height->GetValue()), 0);
}

void GifFrame::InsertFrame(wxImage* image, int frameIndex, const wxString& path, int& position) {
    auto* item = new wxImageThumbnailItem(image, frameIndex, path);
    m_thumbnailCtrl->SuspendUpdates();
    const int at = m_thumbnailCtrl->InsertItem(item, position);
    m_thumbnailCtrl->ResumeUpdates();
    if (at < 0)
        delete item;
    else
        ++position;
}

void GifFrame::OnInsertImages(wxCommandEvent&) {
    StopPreview();
    const wxArrayString paths =
        m_prompts->ChoosePictures(this, wxGetTranslation("Insert Image Files"));
    if (paths.empty()) return;
    // In front of the first selected frame, else after the last one; the
    // pictures keep the dialog's order and a GIF's frames their file order.
    const wxArrayInt& selection = m_thumbnailCtrl->GetSelectedIndices();
    int position = selection.empty() || selection[0] < 0 ? m_thumbnailCtrl->GetCount()
                                                         : selection[0];
    PictureDecoder decoder;
    for (const wxString& path : paths)
        decoder.Decode(path, [&](DecodedPicture&& decoded) {
            InsertFrame(decoded.picture.release(), decoded.frameIndex, decoded.path, position);
            return true;
        });
    UpdateCanvasSize();
    ReportSkippedPictures(this, decoder.GetSkipped());
}

void GifFrame::OnDeleteImages(wxCommandEvent&) {
    StopPreview();
    if (m_thumbnailCtrl->GetCount() == 0) return;
    wxArrayInt selection = m_thumbnailCtrl->GetSelectedIndices();
    if (selection.empty() || selection[0] < 0) return;
    std::sort(selection.begin(), selection.end(), std::greater<int>());
    wxMessageDialog confirm(this,
                            wxGetTranslation("Are you sure you want to delete selected image(s)?"),
                            wxGetTranslation("Confirm"), wxYES_NO | wxNO_DEFAULT | wxICON_INFORMATION);
    if (confirm.ShowModal() == wxID_YES) {
        for (int index : selection) m_thumbnailCtrl->RemoveItem(index);
        ClearPreview();
    }
    m_statusBar1->SetStatusText(wxEmptyString, 1);
    UpdateCanvasSize();
    if (m_thumbnailCtrl->GetCount() == 0) DisableFrameCommands();
}

void GifFrame::OnClearAll(wxCommandEvent&) {
    StopPreview();
    RemoveAllFrames();
}

void GifFrame::RemoveAllFrames() {
    DisableFrameCommands();
    m_thumbnailCtrl->RemoveAllItems();
    UpdateCanvasSize();
    m_statusBar1->SetStatusText(wxEmptyString, 1);
    ClearPreview();
}

void GifFrame::OnThumbnailRightClick(wxThumbnailEvent&) {
    StopPreview();
    wxMenu menu;
    menu.Append(0, wxGetTranslation("&Insert Image") + "\tCtrl+Ins");
    menu.Append(wxID_DELETE, wxGetTranslation("&Delete") + "\tCtrl+Del");
    m_prompts->PopupMenu(this, menu);
}

void GifFrame::OnSetDelay(wxCommandEvent&) {
    std::cout << "OnSetDelay" << std::endl;
    StopPreview();
    m_thumbnailCtrl->SetFrameDelay(m_spinctrl_delay->GetValue());
    // The labels show each frame's start time, which just changed.
    m_thumbnailCtrl->Refresh();
}

void GifFrame::OnSetWidth(wxCommandEvent&) {
    if (m_thumbnailCtrl->GetCount() == 0) return;
    const int width = m_spinctrl_width->GetValue();
    const int height = HeightForWidth(width, GetReferenceSize(), m_canvasHeight);
    m_canvasWidth = width;
    m_canvasHeight = height;
    m_spinctrl_height->SetValue(height);
    m_statusBar1->SetStatusText(CanvasEditText(m_gifName, m_canvasWidth, m_canvasHeight), 0);
}

void GifFrame::OnSetHeight(wxCommandEvent&) {
    if (m_thumbnailCtrl->GetCount() == 0) return;
    const int height = m_spinctrl_height->GetValue();
    const int width = WidthForHeight(height, GetReferenceSize(), m_canvasWidth);
    m_canvasWidth = width;
    m_canvasHeight = height;
    m_spinctrl_width->SetValue(width);
    m_statusBar1->SetStatusText(CanvasEditText(m_gifName, m_canvasWidth, m_canvasHeight), 0);
}

void GifFrame::OnLoopCount(wxCommandEvent&) {
    if (m_thumbnailCtrl->GetCount() == 0) return;
    LoopCountDialog dialog(this);
    if (dialog.ShowModal() == wxID_OK) {
        m_loopCount = dialog.GetResult();
        m_loopsPlayed = 0;
    }
    StopPreview();
}

void GifFrame::OnOpenProject(wxCommandEvent&) {
    // An empty strip has nothing that a save could keep: no question then.
    if (m_thumbnailCtrl->GetCount() > 0 && IsProjectUnsaved(false)) {
        const int answer = AskToSaveProject();
        // A project that should have been saved but was not stays open.
        if (answer == wxID_YES) {
            if (!SaveProject()) return;
        } else if (answer != wxID_NO) {
            return;
        }
    }
    // The old frames are gone whether or not a project is then loaded: the
    // window shows the empty document until the new frames arrive.
    StopPreview();
    RemoveAllFrames();
    LoadProject();
}

void GifFrame::OnSaveProject(wxCommandEvent&) { SaveProject(); }

void GifFrame::OnCloseWindow(wxCommandEvent&) { RequestClose(); }

void GifFrame::OnCloseWindow(wxCloseEvent& event) {
    if (!RequestClose()) {
        if (event.CanVeto())
            event.Veto();
        else
            Destroy();  // the system insists
    }
}

bool GifFrame::RequestClose() {
    StopPreview();
    if (m_thumbnailCtrl->GetCount() == 0) {
        Destroy();
        return true;
    }
    return ConfirmClose();
}

bool GifFrame::ConfirmClose() {
    if (IsProjectUnsaved(true)) {
        const int answer = AskToSaveProject();
        if (answer == wxID_YES) {
            // Unsaved frames are never dropped: a save that did not happen
            // keeps the window open.
            if (!SaveProject()) return false;
        } else if (answer != wxID_NO) {
            return false;
        }
    }
    Destroy();
    return true;
}
