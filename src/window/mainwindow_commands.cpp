// The window's commands, declared once: the menus, the tools, the context
// menu and the shortcuts are built from this table, and each command is
// enabled while its condition holds.
#include "window/mainwindow.h"

#include "base/folders.h"
#include "base/language.h"
#include "window/previewpanel.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/accel.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/textentry.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

namespace {

enum : int {
    // The context menu's own entries keep the ids they always had.
    ID_CONTEXT_INSERT = 0,
    ID_CONTEXT_FRAME_DELAY = 2,
    ID_SAVE = wxID_HIGHEST + 100,
    ID_NEW,
    ID_SAVE_AS,
    ID_GIF_SETTINGS,
    ID_OPEN_PROJECT,
    ID_SAVE_PROJECT,
    ID_EXIT,
    ID_UNDO,
    ID_REDO,
    ID_ADD_IMAGE,
    ID_DELETE,
    ID_CLEAR_ALL,
    ID_FRAME_DELAY,
    ID_MOVE_LEFT,
    ID_MOVE_RIGHT,
    ID_DUPLICATE,
    ID_REVERSE,
    ID_CROP,
    ID_RESET_CROP,
    ID_ADD_CAPTION,
    ID_ADD_OVERLAY,
    ID_EDIT_CAPTIONS,
    ID_ROTATE_LEFT,
    ID_ROTATE_RIGHT,
    ID_FLIP_HORIZONTAL,
    ID_FLIP_VERTICAL,
    ID_CHANGE_SPEED,
    ID_REDUCE_FRAMES,
    ID_REMOVE_DUPLICATES,
    ID_FORTH_AND_BACK,
    ID_TRIM,
    ID_SELECT_ALL,
    ID_RUN_ANIMATION,
    ID_LOOP_COUNT,
    ID_HELP,
    ID_LANGUAGE,
    ID_SUPPORT,
    ID_CHECK_UPDATE,
    ID_ABOUT,
};

// The run command's look while the preview plays.
const char* const kStopLabel = wxTRANSLATE("Stop animation");
const char* const kStopShortcut = "Ctrl+T";

wxString MenuText(const wxString& label, const char* shortcut) {
    return shortcut ? label + "\t" + shortcut : label;
}

// The key of a shortcut text ("Ctrl+Shift+Z"), as the char hook compares it.
bool ShortcutIs(const char* shortcut, int flags, int key) {
    if (!shortcut) return false;
    wxAcceleratorEntry entry;
    return entry.FromString(shortcut) && entry.GetFlags() == flags && entry.GetKeyCode() == key;
}

// The item of menu (or of its submenus) whose shortcut is the key, or null.
wxMenuItem* ItemForKey(wxMenu* menu, int flags, int key) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSubMenu()) {
            if (wxMenuItem* found = ItemForKey(item->GetSubMenu(), flags, key)) return found;
            continue;
        }
        const std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
        if (accel && accel->GetFlags() == flags && accel->GetKeyCode() == key) return item;
    }
    return nullptr;
}

// The keys a text field edits with; the menu shortcuts on the others keep
// working from a field. Undo and redo stay the document's: each keystroke in
// a field is already an edit of the document.
bool IsTextEditingKey(int flags, int key) {
    if (flags & wxACCEL_ALT) return false;
    switch (key) {
        case 'A': case 'C': case 'X': case 'V':
        case WXK_LEFT: case WXK_RIGHT: case WXK_HOME: case WXK_END:
        case WXK_DELETE: case WXK_BACK:
            return true;
        default:
            return false;
    }
}

// A spin field edits text too, though the toolkit does not say so on every platform.
bool IsTextField(wxWindow* window) {
    return dynamic_cast<wxTextEntry*>(window) || dynamic_cast<wxSpinCtrlBase*>(window);
}

}  // namespace

const std::vector<MainWindow::Command>& MainWindow::Commands() {
    using M = CommandMenu;
    using W = MainWindow;
    static const std::vector<Command> commands = {
        Command(ID_NEW, M::File, wxTRANSLATE("New"), "Ctrl+N", &W::OnNew),
        Command(ID_SAVE, M::File, wxTRANSLATE("Save"), nullptr, &W::OnSaveAnimator)
            .EnabledWhile(&W::HasFrames),
        Command(ID_SAVE_AS, M::File, wxTRANSLATE("Save As..."), "Ctrl+Shift+S", &W::OnSaveAsAnimator)
            .EnabledWhile(&W::HasFrames),
        Command(ID_GIF_SETTINGS, M::File, wxTRANSLATE("GIF Settings..."), nullptr, &W::OnGifSettings),
        Command(ID_OPEN_PROJECT, M::File, wxTRANSLATE("Open Project..."), nullptr, &W::OnOpenProject),
        Command(ID_SAVE_PROJECT, M::File, wxTRANSLATE("Save Project"), "Ctrl+S", &W::OnSaveProject)
            .EnabledWhile(&W::HasFrames),
        Command(ID_EXIT, M::File, wxTRANSLATE("Exit"), "Ctrl+Q", &W::OnExit),

        Command(ID_UNDO, M::Edit, wxTRANSLATE("Undo"), "Ctrl+Z", &W::OnUndo).EnabledWhile(&W::CanUndo),
        // Ctrl+Shift+Z too, as in most editors.
        Command(ID_REDO, M::Edit, wxTRANSLATE("Redo"), "Ctrl+Y", &W::OnRedo)
            .EnabledWhile(&W::CanRedo)
            .AlsoOnKey("Ctrl+Shift+Z"),

        Command(ID_ADD_IMAGE, M::Frame, wxTRANSLATE("Add Image..."), "Ctrl+Ins", &W::OnAddImages)
            .OnTool("m_tool_insert", wxTRANSLATE("Add pictures at the end")),
        Command(ID_DELETE, M::Frame, wxTRANSLATE("Delete"), "Ctrl+Del", &W::OnDeleteImages)
            .EnabledWhile(&W::HasFrames)
            .OnTool("m_tool_delete", wxTRANSLATE("Delete the selected frames")),
        Command(ID_CLEAR_ALL, M::Frame, wxTRANSLATE("Clear All"), nullptr, &W::OnClearAll)
            .EnabledWhile(&W::HasFrames),
        Command(ID_FRAME_DELAY, M::Frame, wxTRANSLATE("Frame Delay..."), "Ctrl+D", &W::OnFrameDelay)
            .EnabledWhile(&W::HasFrames),
        // The context menu's own entries, first in it.
        Command(ID_CONTEXT_INSERT, M::None, wxTRANSLATE("&Insert Image..."), "Ctrl+Ins",
                &W::OnInsertImages)
            .InContextMenu(),
        Command(wxID_DELETE, M::None, wxTRANSLATE("&Delete"), "Ctrl+Del", &W::OnDeleteImages)
            .InContextMenu(),
        Command(ID_CONTEXT_FRAME_DELAY, M::None, wxTRANSLATE("Frame Delay..."), "Ctrl+D",
                &W::OnFrameDelay)
            .InContextMenu(),
        Command(ID_MOVE_LEFT, M::Frame, wxTRANSLATE("Move Left"), "Ctrl+Left", &W::OnMoveLeft)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu()
            .AfterSeparator(),
        Command(ID_MOVE_RIGHT, M::Frame, wxTRANSLATE("Move Right"), "Ctrl+Right", &W::OnMoveRight)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_DUPLICATE, M::Frame, wxTRANSLATE("Duplicate"), "Ctrl+J", &W::OnDuplicate)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_REVERSE, M::Frame, wxTRANSLATE("Reverse Order"), nullptr, &W::OnReverse)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_SELECT_ALL, M::Frame, wxTRANSLATE("Select All"), "Ctrl+A", &W::OnSelectAll)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        // Timing tools: for the selected frames, or all when at most one is.
        Command(ID_CHANGE_SPEED, M::Frame, wxTRANSLATE("Change Speed..."), nullptr, &W::OnChangeSpeed)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu()
            .AfterSeparator(),
        Command(ID_REDUCE_FRAMES, M::Frame, wxTRANSLATE("Reduce Frames..."), nullptr, &W::OnReduceFrames)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_REMOVE_DUPLICATES, M::Frame, wxTRANSLATE("Remove Duplicates..."), nullptr,
                &W::OnRemoveDuplicates)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_FORTH_AND_BACK, M::Frame, wxTRANSLATE("Play Forth and Back"), nullptr, &W::OnForthAndBack)
            .EnabledWhile(&W::CanPlayForthAndBack)
            .InContextMenu(),
        Command(ID_TRIM, M::Frame, wxTRANSLATE("Trim"), nullptr, &W::OnTrim)
            .EnabledWhile(&W::HasPartialSelection)
            .InContextMenu(),
        // Picture edits: for the selected frames, or all when none is.
        Command(ID_ROTATE_LEFT, M::Frame, wxTRANSLATE("Rotate Left"), "Ctrl+Shift+R", &W::OnRotateLeft)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu()
            .AfterSeparator(),
        Command(ID_ROTATE_RIGHT, M::Frame, wxTRANSLATE("Rotate Right"), "Ctrl+R", &W::OnRotateRight)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_FLIP_HORIZONTAL, M::Frame, wxTRANSLATE("Flip Horizontal"), nullptr, &W::OnFlipHorizontal)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_FLIP_VERTICAL, M::Frame, wxTRANSLATE("Flip Vertical"), nullptr, &W::OnFlipVertical)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_CROP, M::Frame, wxTRANSLATE("Crop..."), "Ctrl+Shift+X", &W::OnCrop)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_RESET_CROP, M::Frame, wxTRANSLATE("Reset Crop"), nullptr, &W::OnResetCrop)
            .EnabledWhile(&W::HasCrop),
        // Written over the selected frames, or all when none is.
        Command(ID_ADD_CAPTION, M::Frame, wxTRANSLATE("Add Caption..."), "Ctrl+Shift+T", &W::OnAddCaption)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu()
            .AfterSeparator(),
        Command(ID_ADD_OVERLAY, M::Frame, wxTRANSLATE("Add Overlay Picture..."), nullptr, &W::OnAddOverlay)
            .EnabledWhile(&W::HasFrames)
            .InContextMenu(),
        Command(ID_EDIT_CAPTIONS, M::Frame, wxTRANSLATE("Edit Captions..."), nullptr, &W::OnEditCaptions)
            .EnabledWhile(&W::HasCaptions)
            .InContextMenu(),

        // While playing it shows "Stop animation" with Ctrl+T, yet the Ctrl+P
        // that started it stops it too.
        Command(ID_RUN_ANIMATION, M::Animation, wxTRANSLATE("Run animation"), "Ctrl+P",
                &W::OnRunAnimation)
            .EnabledWhile(&W::HasFrames)
            .OnTool("m_tool_play", wxTRANSLATE("Play or stop the animation"))
            .AlsoOnKey("Ctrl+P"),
        Command(ID_LOOP_COUNT, M::Animation, wxTRANSLATE("Loop Count..."), nullptr, &W::OnLoopCount)
            .EnabledWhile(&W::HasFrames),

        Command(ID_HELP, M::Help, wxTRANSLATE("Help"), nullptr, &W::OnHelp),
        Command(ID_LANGUAGE, M::Help, wxTRANSLATE("Language"), nullptr, nullptr),
        Command(ID_SUPPORT, M::Help, wxTRANSLATE("Support"), nullptr, &W::OnSupport),
        Command(ID_CHECK_UPDATE, M::Help, wxTRANSLATE("Check for Update"), nullptr, &W::OnCheckUpdate),
        Command(ID_ABOUT, M::Help, wxTRANSLATE("About"), nullptr, &W::ShowAboutDialog),
    };
    return commands;
}

const MainWindow::Command* MainWindow::FindCommand(int id) const {
    for (const Command& command : Commands())
        if (command.handler && (command.id == id || (command.tool && XRCID(command.tool) == id)))
            return &command;
    return nullptr;
}

wxString MainWindow::CommandLabel(const Command& command) const {
    if (command.id == ID_RUN_ANIMATION && m_preview && m_preview->IsPlaying())
        return MenuText(wxGetTranslation(kStopLabel), kStopShortcut);
    if (command.id == ID_UNDO) return MenuText(m_history.UndoLabel(), command.shortcut);
    if (command.id == ID_REDO) return MenuText(m_history.RedoLabel(), command.shortcut);
    return MenuText(wxGetTranslation(command.label), command.shortcut);
}

void MainWindow::BindCommands() {
    for (const Command& command : Commands()) {
        if (!command.handler) continue;
        Bind(wxEVT_MENU, command.handler, this, command.id);
        Bind(wxEVT_UPDATE_UI, &MainWindow::OnUpdateCommand, this, command.id);
        if (command.tool) {
            Bind(wxEVT_MENU, command.handler, this, XRCID(command.tool));
            Bind(wxEVT_UPDATE_UI, &MainWindow::OnUpdateCommand, this, XRCID(command.tool));
        }
    }
    for (const InterfaceLanguage& language : InterfaceLanguages())
        Bind(wxEVT_MENU, &MainWindow::OnLanguageMenu, this, language.code);
    // The fields edit the frames, so they follow the commands that need frames.
    for (const wxSpinCtrl* field : {m_spinctrl_delay, m_spinctrl_width, m_spinctrl_height})
        Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(HasFrames()); },
             field->GetId());
    Bind(wxEVT_CHAR_HOOK, &MainWindow::OnCharHook, this);

    std::vector<wxAcceleratorEntry> keys;
    for (const Command& command : Commands()) {
        wxAcceleratorEntry entry;
        if (command.extraShortcut && entry.FromString(command.extraShortcut)) {
            entry.Set(entry.GetFlags(), entry.GetKeyCode(), command.id);
            keys.push_back(entry);
        }
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));
}

void MainWindow::OnUpdateCommand(wxUpdateUIEvent& event) {
    const Command* command = FindCommand(event.GetId());
    if (!command) return;
    event.Enable(!command->enabled || (this->*command->enabled)());
    // The labels that follow the state: the undo history's names, play or stop.
    if (event.GetId() == command->id &&
        (command->id == ID_UNDO || command->id == ID_REDO || command->id == ID_RUN_ANIMATION))
        event.SetText(CommandLabel(*command));
}

void MainWindow::RefreshCommands() {
    ShowTitle();
    DoMenuUpdates();
    UpdateWindowUI(wxUPDATE_UI_RECURSE);
}

void MainWindow::BuildMenuBar() {
    struct MenuOfBar {
        CommandMenu which;
        const char* title;
    };
    const MenuOfBar menus[] = {{CommandMenu::File, wxTRANSLATE("File")},
                               {CommandMenu::Edit, wxTRANSLATE("Edit")},
                               {CommandMenu::Frame, wxTRANSLATE("Frame")},
                               {CommandMenu::Animation, wxTRANSLATE("Animation")},
                               {CommandMenu::Help, wxTRANSLATE("Help")}};
    auto* bar = new wxMenuBar;
    for (const MenuOfBar& entry : menus) {
        auto* menu = new wxMenu;
        for (const Command& command : Commands()) {
            if (command.menu != entry.which) continue;
            if (command.separatorBefore) menu->AppendSeparator();
            if (command.handler)
                menu->Append(command.id, CommandLabel(command));
            else
                AppendLanguageMenu(menu);
        }
        bar->Append(menu, wxGetTranslation(entry.title));
    }
    SetMenuBar(bar);  // deletes the previous bar
    // A new bar starts enabled: give it the state the document is in.
    if (m_thumbnailCtrl) RefreshCommands();
}

void MainWindow::AppendLanguageMenu(wxMenu* help) {
    auto* languages = new wxMenu;
    // One of a radio group is always checked: an unknown code shows English.
    bool known = false;
    for (const InterfaceLanguage& language : InterfaceLanguages()) known |= language.code == m_languageCode;
    const int shown = known ? m_languageCode : kDefaultLanguageCode;
    for (const InterfaceLanguage& language : InterfaceLanguages())
        languages->AppendRadioItem(language.code, wxString::FromUTF8(language.label))->Check(language.code == shown);
    help->AppendSubMenu(languages, wxGetTranslation("Language"));
}

void MainWindow::ShowPlayState(bool playing) {
    {
        wxLogNull quiet;  // a missing picture shows no message
        const wxBitmap bitmap(GetRootDir() + "/Themes/" + (playing ? "stop.png" : "play.png"),
                              wxBITMAP_TYPE_ANY);
        m_toolBar_button->SetToolNormalBitmap(XRCID("m_tool_play"), bitmap);
    }
    if (wxMenuBar* bar = GetMenuBar())
        if (const Command* run = FindCommand(ID_RUN_ANIMATION))
            bar->SetLabel(ID_RUN_ANIMATION, CommandLabel(*run));
}

void MainWindow::OnThumbnailRightClick(wxThumbnailEvent&) {
    StopPreview();
    wxMenu menu;
    for (const Command& command : Commands()) {
        if (!command.inContextMenu) continue;
        if (command.separatorBefore) menu.AppendSeparator();
        menu.Append(command.id, CommandLabel(command));
    }
    m_prompts->PopupMenu(this, menu);
}

void MainWindow::OnCharHook(wxKeyEvent& event) {
    event.Skip();
    const int modifiers = event.GetModifiers();
    if (!(modifiers & wxMOD_CONTROL) || !GetMenuBar()) return;
    int key = event.GetKeyCode();
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    // Menu accelerator flags and key modifiers use the same bits for these.
    const int flags = (modifiers & wxMOD_CONTROL ? wxACCEL_CTRL : 0) |
                      (modifiers & wxMOD_SHIFT ? wxACCEL_SHIFT : 0) |
                      (modifiers & wxMOD_ALT ? wxACCEL_ALT : 0);
    if (IsTextField(FindFocus()) && IsTextEditingKey(flags, key)) return;
    // The shortcut the menu shows now (the run item's changes with playing),
    // else another key of a command.
    int id = wxID_NONE;
    wxMenuBar* bar = GetMenuBar();
    for (size_t m = 0; m < bar->GetMenuCount() && id == wxID_NONE; ++m)
        if (wxMenuItem* item = ItemForKey(bar->GetMenu(m), flags, key)) id = item->GetId();
    for (const Command& command : Commands())
        if (id == wxID_NONE && ShortcutIs(command.extraShortcut, flags, key)) id = command.id;
    const Command* command = FindCommand(id);
    if (!command || (command->enabled && !(this->*command->enabled)())) return;
    event.Skip(false);
    wxCommandEvent run(wxEVT_MENU, id);
    run.SetEventObject(this);
    ProcessWindowEvent(run);
}
