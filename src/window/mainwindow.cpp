#include "window/mainwindow.h"

#include "base/filenames.h"
#include "base/folders.h"
#include "base/language.h"
#include "base/trace.h"
#include "update/updatechecker.h"
#include "update/updateevents.h"
#include "window/captiondrag.h"
#include "window/duplicatecontroller.h"
#include "window/exportcontroller.h"
#include "window/framedroptarget.h"
#include "window/importcontroller.h"
#include "window/previewpanel.h"
#include "window/sizeestimatecontroller.h"
#include "window/statustexts.h"
#include "window/thumbnailctrl.h"
#include "window/userprompts.h"

#include <wx/checkbox.h>
#include <wx/filename.h>
#include <wx/iconbndl.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>

MainWindow::MainWindow() : m_prompts(std::make_unique<UserPrompts>()) {}

MainWindow::~MainWindow() {
    // No worker posts to the window any more: the export is stopped and
    // waited for, a running import drops what it still reads.
    m_export.reset();
    m_sizeEstimate.reset();
    m_import.reset();
    m_duplicates.reset();
    CancelCrop();
    SetStoreNoticeHandler(nullptr);
    m_document.SetObserver(nullptr);
    // The strip and its frames go first, before anything they might refer to.
    delete m_thumbnailCtrl;
    m_thumbnailCtrl = nullptr;
    m_captionDrag.reset();
    m_preview.reset();
    delete m_locale;
}

template <typename T>
T* MainWindow::FindResourceControl(const char* name) {
    return wxStaticCast(FindWindow(XRCID(name)), T);
}

void MainWindow::InitFrame() {
    m_document.SetObserver(this);
    m_languageCode = ReadLanguageCode();
    SetLanguage(m_languageCode);

    auto* top = FindResourceControl<wxPanel>("m_panel_top");
    top->SetSizer(new wxBoxSizer(wxHORIZONTAL));
    m_thumbnailCtrl = new wxThumbnailCtrl(top, wxDefaultPosition, top->GetSize());
    top->GetSizer()->Add(m_thumbnailCtrl, 1, wxEXPAND, 0);
    m_thumbnailCtrl->SetBackgroundColour(wxColour(176, 223, 227));
    m_thumbnailCtrl->Bind(wxEVT_KEY_DOWN, &MainWindow::OnStripKey, this);
    m_thumbnailCtrl->SetDropTarget(new FrameDropTarget(this, m_thumbnailCtrl));
    Bind(wxEVT_COMMAND_THUMBNAIL_LEFT_CLICK, &MainWindow::OnThumbnailLeftClick, this, ID_THUMBNAIL_CTRL);
    Bind(wxEVT_COMMAND_THUMBNAIL_ITEM_SELECTED, &MainWindow::OnThumbnailSelection, this, ID_THUMBNAIL_CTRL);
    Bind(wxEVT_COMMAND_THUMBNAIL_ITEM_DESELECTED, &MainWindow::OnThumbnailSelection, this, ID_THUMBNAIL_CTRL);
    Bind(wxEVT_COMMAND_THUMBNAIL_RIGHT_CLICK, &MainWindow::OnThumbnailRightClick, this, ID_THUMBNAIL_CTRL);
    Bind(wxEVT_COMMAND_THUMBNAIL_DROP, &MainWindow::OnFramesDropped, this, ID_THUMBNAIL_CTRL);

    auto* down = FindResourceControl<wxPanel>("m_panel_down");
    down->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    down->SetDropTarget(new FrameDropTarget(this, nullptr));
    PreviewPanel::Listener listener;
    listener.playingChanged = [this](bool playing) {
        ShowPlayState(playing);
        // Stopped: back to the frame the user chose, not wherever playing was.
        if (!playing) ShowSelectedFrame();
    };
    listener.frameShown = [this](int index, const wxString& name, const wxSize& size) {
        m_statusBar1->SetStatusText(FrameInfoText(name, size.x, size.y), 1);
        // The strip follows the animation.
        if (m_preview && m_preview->IsPlaying()) m_thumbnailCtrl->ScrollToItem(index);
    };
    m_preview = std::make_unique<PreviewPanel>(down, m_document, std::move(listener));
    m_captionDrag = std::make_unique<CaptionDrag>(
        *m_preview, m_document,
        [this](const std::shared_ptr<const Caption>& caption, const wxPoint& offset) { MoveCaption(caption, offset); });
    m_import = std::make_unique<ImportController>(this, m_document);
    m_export = std::make_unique<ExportController>(this);
    m_duplicates = std::make_unique<DuplicateController>(this);

    m_spinctrl_delay = FindResourceControl<wxSpinCtrl>("m_spinctrl_delay");
    m_spinctrl_width = FindResourceControl<wxSpinCtrl>("m_spinctrl_width");
    m_spinctrl_height = FindResourceControl<wxSpinCtrl>("m_spinctrl_height");
    // Text events run only for the user's edits: the toolkit sends none for
    // SetValue, so the width and height handlers can set each other's control.
    m_spinctrl_delay->Bind(wxEVT_TEXT, &MainWindow::OnSetDelay, this);
    m_spinctrl_width->Bind(wxEVT_TEXT, &MainWindow::OnSetWidth, this);
    m_spinctrl_height->Bind(wxEVT_TEXT, &MainWindow::OnSetHeight, this);
    m_checkBox_transparent = FindResourceControl<wxCheckBox>("m_checkBox_transparent");
    m_checkBox_transparent->Bind(wxEVT_CHECKBOX, &MainWindow::OnTransparentBox, this);
    m_toolBar_button = FindResourceControl<wxToolBar>("m_toolBar_button");
    Bind(wxEVT_SPLITTER_SASH_POS_CHANGED, &MainWindow::OnChangeSplitterWindow, this,
         XRCID("m_splitter3"));
    Bind(wxEVT_CLOSE_WINDOW, &MainWindow::OnCloseWindow, this);
    Bind(wxEVT_COMMAND_UPDATE_RESULT, &MainWindow::OnUpdateResult, this);
    m_statusBar1 = FindResourceControl<wxStatusBar>("m_statusBar1");
    // Shares of the width, so that long texts in any language end with an
    // ellipsis inside their own field instead of running into the next.
    const int widths[] = {-2, -3, -2, -1};
    m_statusBar1->SetFieldsCount(4, widths);
    m_sizeEstimate = std::make_unique<SizeEstimateController>(
        m_document, [this](const wxString& text) { m_statusBar1->SetStatusText(text, 3); });

    // The store speaks from worker threads; the status bar hears it here.
    SetStoreNoticeHandler([this](const StoreNotice& notice) {
        CallAfter([this, notice] { m_statusBar1->SetStatusText(StoreNoticeText(notice), 2); });
    });
    BindCommands();
    BuildMenuBar();
    SetStaticLabels();
    m_document.SetDefaultDelay(m_spinctrl_delay->GetValue());
    m_history.Reset();
    RefreshCommands();

    const wxString iconPath = GetRootDir() + "/Themes/application.ico";
    Trace(iconPath);
    {
        wxLogNull quiet;  // a missing icon leaves the window without one
        // Every size of the file, so the desktop picks a sharp one.
        const wxIconBundle icons(iconPath, wxBITMAP_TYPE_ICO);
        if (!icons.IsEmpty()) SetIcons(icons);
    }
    SetTitle(GetProductName());

    // The resource's sizer fits the frame to its minimum; open at a size that
    // shows the strip and the preview comfortably.
    SetSize(FromDIP(wxSize(960, 720)));
    Centre();
}

void MainWindow::SetLanguage(int code) {
    delete m_locale;
    m_locale = nullptr;
    m_locale = CreateInterfaceLocale(code, GetRootDir() + "/Language");
}

void MainWindow::SetStaticLabels() {
    const std::pair<const char*, wxString> labels[] = {
        {"m_staticText_delay", wxGetTranslation("Delay ") + ":"},
        {"m_staticText_sec", "1/100" + wxGetTranslation("sec ")},
        {"m_staticText_gif", wxGetTranslation("GIF") + ":"},
        {"m_staticText_width", wxGetTranslation("Width") + ":"},
        {"m_staticText_wpx", wxGetTranslation("px")},
        {"m_staticText_height", wxGetTranslation("Height") + ":"},
        {"m_staticText_hpx", wxGetTranslation("px")},
    };
    for (const auto& [name, label] : labels) FindResourceControl<wxStaticText>(name)->SetLabel(label);
    m_checkBox_transparent->SetLabel(wxGetTranslation("Transparent background"));
    m_thumbnailCtrl->SetEmptyHint(wxGetTranslation("Add pictures with Ctrl+Ins, or drop them here"));
    for (const Command& command : Commands())
        if (command.tool)
            m_toolBar_button->SetToolShortHelp(XRCID(command.tool), wxGetTranslation(command.toolHelp));
    if (GetSizer()) {
        Layout();
        KeepNarrowMinimum();
    }
}

// The row below the preview wraps its groups, so the window may be as narrow
// as its widest group (or the panes above): it then fits small screens.
void MainWindow::KeepNarrowMinimum() {
    wxSizer* body = GetSizer();
    if (!body || body->GetItemCount() < 2 || !body->GetItem(1)->IsSizer()) return;
    int widest = body->GetItem(size_t(0))->CalcMin().x;
    for (wxSizerItem* group : body->GetItem(1)->GetSizer()->GetChildren())
        widest = std::max(widest, group->CalcMin().x + 2 * body->GetItem(1)->GetBorder());
    const wxSize frame = GetSize() - GetClientSize();
    SetMinSize(wxSize(widest + frame.x, GetMinSize().y));
}

void MainWindow::RelabelWindow() {
    SetStaticLabels();
    const wxSize shown = m_preview->ShownSize();
    m_statusBar1->SetStatusText(
        m_preview->ShownName().empty() ? wxString() : FrameInfoText(m_preview->ShownName(), shown.x, shown.y), 1);
    UpdateCanvasSize();
    ShowTitle();
}

void MainWindow::ShowTitle() {
    const wxString& project = m_document.ProjectPath();
    const wxString& named = project.empty() ? m_document.GifPath() : project;
    // A document that is new and empty has nothing to lose.
    const bool unsaved = IsProjectUnsaved(true) && !(m_document.IsEmpty() && named.empty());
    SetTitle(WindowTitle(ShownFileName(wxFileNameFromPath(named)), unsaved));
}

void MainWindow::OnLanguageMenu(wxCommandEvent& event) {
    const int code = event.GetId();
    m_languageCode = code;
    WriteLanguageCode(code);
    SetLanguage(code);
    BuildMenuBar();
    RelabelWindow();
}

void MainWindow::StopPreview() { m_preview->Stop(); }

bool MainWindow::IsImporting() const { return m_import && m_import->IsRunning(); }

bool MainWindow::IsExporting() const { return m_export && m_export->IsRunning(); }

void MainWindow::OnChangeSplitterWindow(wxSplitterEvent&) {
    Trace("OnChangeSplitterWindow");
    ShowSelectedFrame();
}

void MainWindow::ShowSelectedFrame() {
    const wxArrayInt& selection = m_thumbnailCtrl->GetSelectedIndices();
    // Without a selection, the frame on show stays on show, drawn anew.
    const int shown = !selection.empty() && selection[0] >= 0 ? selection[0] : m_preview->ShownIndex();
    if (shown >= 0) m_preview->ShowFrame(shown);
}

void MainWindow::OnThumbnailLeftClick(wxThumbnailEvent& event) {
    if (m_document.IsEmpty()) return;
    StopPreview();
    m_preview->ShowFrame(event.GetItemIndex());
}

void MainWindow::OnThumbnailSelection(wxThumbnailEvent&) {
    const int focused = m_thumbnailCtrl->GetFocusItem();
    if (focused < 0 || m_thumbnailCtrl->IsDragging()) return;
    StopPreview();
    m_preview->ShowFrame(focused);
}

void MainWindow::SetUserPrompts(std::unique_ptr<UserPrompts> prompts) { m_prompts = std::move(prompts); }

MainWindow* CreateMainWindow() {
    auto* frame = new MainWindow;
    if (!wxXmlResource::Get()->LoadFrame(frame, nullptr, "MyFrame1")) {
        delete frame;
        return nullptr;
    }
    frame->InitFrame();
    return frame;
}
