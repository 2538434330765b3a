// Rearranging frames: moving the selection by one place or by dragging it,
// duplicating it, reversing the order, selecting every frame.
#include "window/gifframe.h"

#include "window/thumbnailctrl.h"

#include <wx/accel.h>
#include <wx/menu.h>

#include <algorithm>
#include <memory>

void GifFrame::Rearrange(const std::vector<size_t>& order, const char* name) {
    StopPreview();
    const std::vector<size_t> selected = SelectedFrames();
    const int focus = m_thumbnailCtrl->GetFocusItem();
    if (order.empty() || !Edit(std::make_unique<ReorderFramesCommand>(m_document, order, name))) return;
    // The moved frames stay selected where they landed, in their order, and
    // the focus mark goes with the frame it was on.
    std::vector<int> landed;
    int newFocus = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (std::binary_search(selected.begin(), selected.end(), order[i]))
            landed.push_back(static_cast<int>(i));
        if (static_cast<int>(order[i]) == focus) newFocus = static_cast<int>(i);
    }
    m_thumbnailCtrl->SelectOnly(landed, newFocus);
}

void GifFrame::OnMoveLeft(wxCommandEvent&) {
    Rearrange(MovedOrder(m_document.FrameCount(), SelectedFrames(), -1), wxTRANSLATE("Move Left"));
}

void GifFrame::OnMoveRight(wxCommandEvent&) {
    Rearrange(MovedOrder(m_document.FrameCount(), SelectedFrames(), +1), wxTRANSLATE("Move Right"));
}

void GifFrame::OnReverse(wxCommandEvent&) {
    // One selected frame has nothing to reverse with: the whole animation turns.
    std::vector<size_t> selected = SelectedFrames();
    if (selected.size() < 2) selected.clear();
    Rearrange(ReversedOrder(m_document.FrameCount(), selected), wxTRANSLATE("Reverse Order"));
}

void GifFrame::OnFramesDropped(wxThumbnailEvent& event) {
    const std::vector<size_t> order = DroppedOrder(
        m_document.FrameCount(), SelectedFrames(), static_cast<size_t>(std::max(0, event.GetItemIndex())));
    // A drop where the frames already are changes nothing and is no edit.
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] != i) {
            Rearrange(order, wxTRANSLATE("Move"));
            return;
        }
}

void GifFrame::OnDuplicate(wxCommandEvent&) {
    StopPreview();
    const std::vector<size_t> selected = SelectedFrames();
    if (selected.empty()) return;
    // The copies follow the last selected frame and share the pictures.
    std::vector<DocumentFrame> copies;
    for (size_t index : selected) copies.push_back(m_document.Frame(index));
    const size_t at = selected.back() + 1;
    if (!Edit(std::make_unique<InsertFramesCommand>(m_document, at, std::move(copies),
                                                    wxTRANSLATE("Duplicate"))))
        return;
    std::vector<int> added;
    for (size_t i = 0; i < selected.size(); ++i) added.push_back(static_cast<int>(at + i));
    m_thumbnailCtrl->SelectOnly(added, added.back());
}

void GifFrame::OnSelectAll(wxCommandEvent&) {
    if (m_document.IsEmpty()) return;
    m_thumbnailCtrl->SelectAllItems();
    m_thumbnailCtrl->Refresh();
}

void GifFrame::OnStripKey(wxKeyEvent& event) {
    // The Delete key deletes as Ctrl+Del does; elsewhere it edits text.
    if (event.GetKeyCode() == WXK_DELETE && event.GetModifiers() == wxMOD_NONE) {
        wxCommandEvent command;
        OnDeleteImages(command);
        return;
    }
    event.Skip();
}

namespace {

// The item of menu (or of its submenus) whose shortcut is the key, or null.
wxMenuItem* ItemForKey(wxMenu* menu, int modifiers, int key) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSubMenu()) {
            if (wxMenuItem* found = ItemForKey(item->GetSubMenu(), modifiers, key)) return found;
            continue;
        }
        const std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
        if (accel && accel->GetFlags() == modifiers && accel->GetKeyCode() == key) return item;
    }
    return nullptr;
}

}  // namespace

void GifFrame::OnCharHook(wxKeyEvent& event) {
    event.Skip();
    const int modifiers = event.GetModifiers();
    if (!(modifiers & wxMOD_CONTROL) || !m_menuBar) return;
    int key = event.GetKeyCode();
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    // Menu accelerator flags and key modifiers use the same bits for these.
    const int flags = (modifiers & wxMOD_CONTROL ? wxACCEL_CTRL : 0) |
                      (modifiers & wxMOD_SHIFT ? wxACCEL_SHIFT : 0) |
                      (modifiers & wxMOD_ALT ? wxACCEL_ALT : 0);
    int id = wxID_NONE;
    for (size_t m = 0; m < m_menuBar->GetMenuCount() && id == wxID_NONE; ++m)
        if (wxMenuItem* item = ItemForKey(m_menuBar->GetMenu(m), flags, key)) id = item->GetId();
    if (id == wxID_NONE && flags == (wxACCEL_CTRL | wxACCEL_SHIFT) && key == 'Z') id = m_itemRedo->GetId();
    // While playing the item shows Ctrl+T, yet the Ctrl+P that started it stops it too.
    if (id == wxID_NONE && flags == wxACCEL_CTRL && key == 'P' && m_playing)
        id = m_itemRunAnimation->GetId();
    if (id == wxID_NONE || !m_menuBar->IsEnabled(id)) return;
    event.Skip(false);
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(this);
    ProcessWindowEvent(command);
}
