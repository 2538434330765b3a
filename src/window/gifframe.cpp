#include "window/gifframe.h"

#include "base/folders.h"
#include "base/language.h"
#include "base/trace.h"
#include "jobs/imageloadthread.h"
#include "jobs/importevents.h"
#include "jobs/workerevents.h"
#include "jobs/worksaveasgifthread.h"
#include "project/projectfile.h"
#include "update/updatechecker.h"
#include "update/updateevents.h"
#include "window/framedroptarget.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/accel.h>
#include <wx/checkbox.h>
#include <wx/filename.h>
#include <wx/iconbndl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/progdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>


namespace {

constexpr int kPreviewTimerId = 1;

wxString MenuText(const char* label, const char* accelerator) {
    wxString text = wxGetTranslation(label);
    if (accelerator) text << "\t" << accelerator;
    return text;
}

}  // namespace

wxBEGIN_EVENT_TABLE(GifFrame, wxFrame)
    EVT_CLOSE(GifFrame::OnCloseWindow)
    EVT_COMMAND(wxID_ANY, wxEVT_COMMAND_UPDATE_RESULT, GifFrame::OnUpdateResult)
    EVT_IMPORT_PROGRESS(ID_IMAGE_LOAD_THREAD, GifFrame::ThreadUpdate)
    EVT_COMMAND(ID_SAVE_GIF_THREAD, wxEVT_COMMAND_WORKER_PROGRESS, GifFrame::OnWorkSaveAsGifThreadUpdate)
    EVT_THUMBNAIL_LEFT_CLICK(ID_THUMBNAIL_CTRL, GifFrame::OnThumbnailLeftClick)
    EVT_THUMBNAIL_ITEM_SELECTED(ID_THUMBNAIL_CTRL, GifFrame::OnThumbnailSelection)
    EVT_THUMBNAIL_ITEM_DESELECTED(ID_THUMBNAIL_CTRL, GifFrame::OnThumbnailSelection)
    EVT_THUMBNAIL_RIGHT_CLICK(ID_THUMBNAIL_CTRL, GifFrame::OnThumbnailRightClick)
    EVT_THUMBNAIL_DROP(ID_THUMBNAIL_CTRL, GifFrame::OnFramesDropped)
wxEND_EVENT_TABLE()

GifFrame::GifFrame() : m_prompts(std::make_unique<UserPrompts>()) {}

GifFrame::~GifFrame() {
    AbandonExport();
    // A running import posts nothing more to this window.
    if (m_importSink) m_importSink->Close();
    m_document.SetObserver(nullptr);
    // The strip and its frames go first, before anything they might refer to.
    delete m_thumbnailCtrl;
    m_thumbnailCtrl = nullptr;
    m_previewTimer.Stop();
    delete m_locale;
}

template <typename T>
T* GifFrame::FindResourceControl(const char* name) {
    return wxStaticCast(FindWindow(XRCID(name)), T);
}

void GifFrame::InitFrame() {
    m_document.SetObserver(this);
    const int code = ReadLanguageCode();
    SetLanguage(code);
    m_languageCode = code;
    BuildMenuBar();

    Bind(wxEVT_MENU, &GifFrame::OnRunAnimation, this, XRCID("m_tool_play"));
    Bind(wxEVT_MENU, &GifFrame::OnDeleteImages, this, XRCID("m_tool_delete"));
    Bind(wxEVT_MENU, &GifFrame::OnAddImages, this, XRCID("m_tool_insert"));
    Bind(wxEVT_TIMER, &GifFrame::OnPreviewTimer, this, kPreviewTimerId);
    // Text events run only for the user's edits: the toolkit sends none for
    // SetValue, so the width and height handlers can set each other's control.
    Bind(wxEVT_TEXT, &GifFrame::OnSetDelay, this, XRCID("m_spinctrl_delay"));
    Bind(wxEVT_TEXT, &GifFrame::OnSetWidth, this, XRCID("m_spinctrl_width"));
    Bind(wxEVT_TEXT, &GifFrame::OnSetHeight, this, XRCID("m_spinctrl_height"));
    Bind(wxEVT_SPLITTER_SASH_POS_CHANGED, &GifFrame::OnChangeSplitterWindow, this,
         XRCID("m_splitter3"));
    m_splitter3 = FindResourceControl<wxSplitterWindow>("m_splitter3");
    Bind(wxEVT_MENU, &GifFrame::OnLoopCount, this, XRCID("m_menuItem_loop_count"));

    m_panel_top = FindResourceControl<wxPanel>("m_panel_top");
    m_panel_top->SetSizer(new wxBoxSizer(wxHORIZONTAL));
    m_thumbnailCtrl = new wxThumbnailCtrl(m_panel_top, wxDefaultPosition, m_panel_top->GetSize());
    m_panel_top->GetSizer()->Add(m_thumbnailCtrl, 1, wxEXPAND, 0);
    m_thumbnailCtrl->SetBackgroundColour(wxColour(176, 223, 227));
    m_thumbnailCtrl->Bind(wxEVT_KEY_DOWN, &GifFrame::OnStripKey, this);
    m_thumbnailCtrl->SetDropTarget(new FrameDropTarget(this, m_thumbnailCtrl));
    Bind(wxEVT_CHAR_HOOK, &GifFrame::OnCharHook, this);

    m_panel_down = FindResourceControl<wxPanel>("m_panel_down");
    m_panel_down->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    // The preview draws in the panel's paint handler: drawing from outside one
    // has no effect on Wayland.
    m_panel_down->Bind(wxEVT_PAINT, &GifFrame::OnPaintPreview, this);
    m_panel_down->SetDropTarget(new FrameDropTarget(this, nullptr));

    m_previewTimer.SetOwner(this, kPreviewTimerId);

    m_spinctrl_delay = FindResourceControl<wxSpinCtrl>("m_spinctrl_delay");
    m_spinctrl_width = FindResourceControl<wxSpinCtrl>("m_spinctrl_width");
    m_spinctrl_height = FindResourceControl<wxSpinCtrl>("m_spinctrl_height");

    m_staticText_delay = FindResourceControl<wxStaticText>("m_staticText_delay");
    m_staticText_sec = FindResourceControl<wxStaticText>("m_staticText_sec");
    m_staticText_gif = FindResourceControl<wxStaticText>("m_staticText_gif");
    m_staticText_width = FindResourceControl<wxStaticText>("m_staticText_width");
    m_staticText_wpx = FindResourceControl<wxStaticText>("m_staticText_wpx");
    m_staticText_height = FindResourceControl<wxStaticText>("m_staticText_height");
    m_staticText_hpx = FindResourceControl<wxStaticText>("m_staticText_hpx");
    m_checkBox_transparent = FindResourceControl<wxCheckBox>("m_checkBox_transparent");
    m_checkBox_transparent->Bind(wxEVT_CHECKBOX, &GifFrame::OnTransparentBox, this);
    m_toolBar_button = FindResourceControl<wxToolBar>("m_toolBar_button");
    SetStaticLabels();

    m_statusBar1 = FindResourceControl<wxStatusBar>("m_statusBar1");
    const int widths[] = {200, 400, -1};
    m_statusBar1->SetFieldsCount(3, widths);

    DisableFrameCommands();

    m_previewFrame = 0;
    m_loopsPlayed = 0;
    m_document.SetDefaultDelay(m_spinctrl_delay->GetValue());
    m_history.Reset();
    UpdateEditMenu();

    const wxString iconPath = GetRootDir() + "/Themes/application.ico";
    Trace(iconPath);
    {
        wxLogNull quiet;  // a missing icon leaves the window without one
        // Every size of the file, so the desktop picks a sharp one.
        const wxIconBundle icons(iconPath, wxBITMAP_TYPE_ICO);
        if (!icons.IsEmpty()) SetIcons(icons);
    }

    SetTitle(GetProductName());
    m_playing = false;

    // The resource's sizer fits the frame to its minimum; open at a size that
    // shows the strip and the preview comfortably.
    SetSize(FromDIP(wxSize(960, 720)));
    Centre();
}

void GifFrame::SetLanguage(int code) {
    delete m_locale;
    m_locale = nullptr;
    m_locale = CreateInterfaceLocale(code, GetRootDir() + "/Language");
}

void GifFrame::BindMenuCommand(int id, CommandHandler handler) {
    Bind(wxEVT_MENU, handler, this, id);
    m_menuBindings.emplace_back(id, handler);
}

void GifFrame::UnbindMenuCommands() {
    for (const auto& [id, handler] : m_menuBindings) Unbind(wxEVT_MENU, handler, this, id);
    m_menuBindings.clear();
}

void GifFrame::BuildMenuBar() {
    UnbindMenuCommands();
    auto* bar = new wxMenuBar;
    auto addItem = [this](wxMenu* menu, wxMenuItem*& item, const char* label,
                          const char* accelerator, CommandHandler handler) {
        item = menu->Append(wxID_ANY, MenuText(label, accelerator));
        BindMenuCommand(item->GetId(), handler);
    };

    m_menuFile = new wxMenu;
    addItem(m_menuFile, m_itemSave, wxTRANSLATE("Save"), nullptr, &GifFrame::OnSaveAnimator);
    addItem(m_menuFile, m_itemSaveAs, wxTRANSLATE("Save As"), nullptr, &GifFrame::OnSaveAsAnimator);
    addItem(m_menuFile, m_itemGifSettings, wxTRANSLATE("GIF Settings..."), nullptr,
            &GifFrame::OnGifSettings);
    addItem(m_menuFile, m_itemOpenProject, wxTRANSLATE("Open Project"), nullptr,
            &GifFrame::OnOpenProject);
    addItem(m_menuFile, m_itemSaveProject, wxTRANSLATE("Save Project"), "Ctrl+S",
            &GifFrame::OnSaveProject);
    addItem(m_menuFile, m_itemExit, wxTRANSLATE("Exit"), "Ctrl+Q", &GifFrame::OnCloseWindow);
    bar->Append(m_menuFile, wxGetTranslation("File"));

    m_menuEdit = new wxMenu;
    addItem(m_menuEdit, m_itemUndo, wxTRANSLATE("Undo"), "Ctrl+Z", &GifFrame::OnUndo);
    addItem(m_menuEdit, m_itemRedo, wxTRANSLATE("Redo"), "Ctrl+Y", &GifFrame::OnRedo);
    bar->Append(m_menuEdit, wxGetTranslation("Edit"));
    // Redo answers Ctrl+Shift+Z too, as in most editors.
    wxAcceleratorEntry redoKeys(wxACCEL_CTRL | wxACCEL_SHIFT, 'Z', m_itemRedo->GetId());
    SetAcceleratorTable(wxAcceleratorTable(1, &redoKeys));

    m_menuFrame = new wxMenu;
    addItem(m_menuFrame, m_itemAddImage, wxTRANSLATE("Add Image"), "Ctrl+Ins", &GifFrame::OnAddImages);
    addItem(m_menuFrame, m_itemDelete, wxTRANSLATE("Delete"), "Ctrl+Del", &GifFrame::OnDeleteImages);
    addItem(m_menuFrame, m_itemClearAll, wxTRANSLATE("Clear All"), nullptr, &GifFrame::OnClearAll);
    addItem(m_menuFrame, m_itemFrameDelay, wxTRANSLATE("Frame Delay..."), "Ctrl+D",
            &GifFrame::OnFrameDelay);
    m_menuFrame->AppendSeparator();
    addItem(m_menuFrame, m_itemMoveLeft, wxTRANSLATE("Move Left"), "Ctrl+Left", &GifFrame::OnMoveLeft);
    addItem(m_menuFrame, m_itemMoveRight, wxTRANSLATE("Move Right"), "Ctrl+Right",
            &GifFrame::OnMoveRight);
    addItem(m_menuFrame, m_itemDuplicate, wxTRANSLATE("Duplicate"), "Ctrl+J", &GifFrame::OnDuplicate);
    addItem(m_menuFrame, m_itemReverse, wxTRANSLATE("Reverse Order"), nullptr, &GifFrame::OnReverse);
    addItem(m_menuFrame, m_itemSelectAll, wxTRANSLATE("Select All"), "Ctrl+A", &GifFrame::OnSelectAll);
    bar->Append(m_menuFrame, wxGetTranslation("Frame"));

    m_menuAnimation = new wxMenu;
    addItem(m_menuAnimation, m_itemRunAnimation, wxTRANSLATE("Run animation"), "Ctrl+P",
            &GifFrame::OnRunAnimation);
    addItem(m_menuAnimation, m_itemLoopCount, wxTRANSLATE("Loop Count"), nullptr,
            &GifFrame::OnLoopCount);
    bar->Append(m_menuAnimation, wxGetTranslation("Animation"));

    m_menuHelp = new wxMenu;
    addItem(m_menuHelp, m_itemHelp, wxTRANSLATE("Help"), nullptr, &GifFrame::OnHelpMenu);
    m_menuLanguage = new wxMenu;
    m_languageItems.clear();
    for (const InterfaceLanguage& language : InterfaceLanguages()) {
        m_languageItems.push_back(m_menuLanguage->AppendCheckItem(
            language.code, wxString::FromUTF8(language.label)));
        BindMenuCommand(language.code, &GifFrame::OnLanguageMenu);
    }
    for (wxMenuItem* item : m_languageItems)
        if (item->GetId() == m_languageCode) item->Check(true);
    m_menuHelp->AppendSubMenu(m_menuLanguage, wxGetTranslation("Language"));
    addItem(m_menuHelp, m_itemSupport, wxTRANSLATE("Support"), nullptr, &GifFrame::OnHelpMenu);
    addItem(m_menuHelp, m_itemCheckUpdate, wxTRANSLATE("Check for Update"), nullptr,
            &GifFrame::OnHelpMenu);
    addItem(m_menuHelp, m_itemAbout, wxTRANSLATE("About"), nullptr, &GifFrame::ShowAboutDialog);
    bar->Append(m_menuHelp, wxGetTranslation("Help"));

    // The items of the strip's context menu, which is built with fixed ids.
    BindMenuCommand(wxID_DELETE, &GifFrame::OnDeleteImages);
    BindMenuCommand(0, &GifFrame::OnInsertImages);
    BindMenuCommand(ID_CONTEXT_FRAME_DELAY, &GifFrame::OnFrameDelay);

    m_menuBar = bar;
    SetMenuBar(bar);  // deletes the previous bar
    if (m_thumbnailCtrl) {
        // A rebuilt bar starts enabled: give it the state the document is in.
        SetFrameCommandsEnabled(!m_document.IsEmpty());
        UpdateEditMenu();
    }
}

void GifFrame::SetStaticLabels() {
    m_staticText_delay->SetLabel(wxGetTranslation("Delay ") + ":");
    m_staticText_sec->SetLabel("1/100" + wxGetTranslation("sec "));
    m_staticText_gif->SetLabel(wxGetTranslation("GIF") + ":");
    m_staticText_width->SetLabel(wxGetTranslation("Width") + ":");
    m_staticText_wpx->SetLabel(wxGetTranslation("px"));
    m_staticText_height->SetLabel(wxGetTranslation("Height") + ":");
    m_staticText_hpx->SetLabel(wxGetTranslation("px"));
    m_checkBox_transparent->SetLabel(wxGetTranslation("Transparent background"));
    m_thumbnailCtrl->SetEmptyHint(wxGetTranslation("Add pictures with Ctrl+Ins, or drop them here"));
    m_toolBar_button->SetToolShortHelp(XRCID("m_tool_insert"),
                                       wxGetTranslation("Add pictures at the end"));
    m_toolBar_button->SetToolShortHelp(XRCID("m_tool_delete"),
                                       wxGetTranslation("Delete the selected frames"));
    m_toolBar_button->SetToolShortHelp(XRCID("m_tool_play"),
                                       wxGetTranslation("Play or stop the animation"));
    if (GetSizer()) Layout();
}

void GifFrame::RelabelWindow() {
    SetStaticLabels();
    m_statusBar1->SetStatusText(FrameInfoText(m_shownName, m_shownSize.x, m_shownSize.y), 1);
    UpdateCanvasSize();
    const wxString& project = m_document.ProjectPath();
    SetTitle(project.empty() ? GetProductName() : ProjectTitle(wxFileNameFromPath(project)));
}

void GifFrame::EnableFrameCommands() { SetFrameCommandsEnabled(true); }

void GifFrame::DisableFrameCommands() { SetFrameCommandsEnabled(false); }

void GifFrame::SetFrameCommandsEnabled(bool enable) {
    for (wxMenuItem* item : {m_itemSave, m_itemSaveAs, m_itemDelete, m_itemClearAll,
                             m_itemFrameDelay, m_itemMoveLeft, m_itemMoveRight, m_itemDuplicate,
                             m_itemReverse, m_itemSelectAll, m_itemRunAnimation, m_itemLoopCount})
        item->Enable(enable);
    m_toolBar_button->EnableTool(XRCID("m_tool_delete"), enable);
    m_toolBar_button->EnableTool(XRCID("m_tool_play"), enable);
    m_spinctrl_delay->Enable(enable);
    m_spinctrl_width->Enable(enable);
    m_spinctrl_height->Enable(enable);
    m_itemSaveProject->Enable(enable);
}

void GifFrame::OnLanguageMenu(wxCommandEvent& event) {
    const int code = event.GetId();
    m_languageCode = code;
    WriteLanguageCode(code);
    SetLanguage(code);
    BuildMenuBar();
    RelabelWindow();
}

void GifFrame::OnChangeSplitterWindow(wxSplitterEvent&) {
    Trace("OnChangeSplitterWindow");
    const wxArrayInt& selection = m_thumbnailCtrl->GetSelectedIndices();
    if (!selection.empty() && selection[0] >= 0) ShowFrame(selection[0]);
}

void GifFrame::SetUserPrompts(std::unique_ptr<UserPrompts> prompts) { m_prompts = std::move(prompts); }

GifFrame* CreateMainWindow() {
    auto* frame = new GifFrame;
    if (!wxXmlResource::Get()->LoadFrame(frame, nullptr, "MyFrame1")) {
        delete frame;
        return nullptr;
    }
    frame->InitFrame();
    return frame;
}
